// Object memory: objects of any size, made and deleted in any order, by the
// world or by the game, never share bytes, keep what they hold, and give
// their slots back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Object.h"
#include "ObjectPool.h"
#include "Particle.h"
#include "WorldManager.h"
#include "support/TestEngine.h"

namespace {

// Each object fills its own bytes with a pattern and can check it is intact.
class Tagged : public sb::Object {
 public:
  virtual bool intact() const = 0;
  virtual std::size_t bytes() const = 0;
};

template <std::size_t Extra>
class Sized : public Tagged {
  unsigned char fill[Extra];
  unsigned char tag;

 public:
  explicit Sized(unsigned char t) : tag(t) { std::memset(fill, t, Extra); }
  bool intact() const override {
    return std::all_of(fill, fill + Extra, [this](unsigned char c) { return c == tag; });
  }
  std::size_t bytes() const override { return sizeof(*this); }
};

struct alignas(64) Wide : Tagged {
  double lanes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  bool intact() const override { return lanes[7] == 8; }
  std::size_t bytes() const override { return sizeof(*this); }
};

Tagged *makeOne(int kind, unsigned char tag) {
  switch (kind) {
    case 0: return new Sized<1>(tag);
    case 1: return new Sized<24>(tag);
    case 2: return new Sized<200>(tag);
    case 3: return new Sized<2000>(tag);  // beyond the slabs
    default: return new Wide;
  }
}

bool overlaps(const Tagged *a, const Tagged *b) {
  auto pa = reinterpret_cast<std::uintptr_t>(a), pb = reinterpret_cast<std::uintptr_t>(b);
  return pa < pb + b->bytes() && pb < pa + a->bytes();
}

TEST(ObjectPool, SeededMakeAndDeleteKeepObjectsApartAndIntact) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &world = sb::WorldManager::getInstance();
  const std::size_t slots_before = sb::ObjectPool::slotsInUse();
  std::srand(28);
  std::vector<Tagged *> live;
  for (int round = 0; round < 40; round++) {
    for (int i = std::rand() % 60; i > 0; i--)
      live.push_back(makeOne(std::rand() % 5, static_cast<unsigned char>(std::rand())));
    // Some go by the game's own delete, some through the world's deletion.
    for (std::size_t i = 0; i < live.size();) {
      int fate = std::rand() % 4;
      if (fate == 0) {
        ASSERT_TRUE(live[i]->intact());
        delete live[i];
      } else if (fate == 1) {
        ASSERT_TRUE(live[i]->intact());
        world.markForDelete(live[i]);
      } else {
        i++;
        continue;
      }
      live.erase(live.begin() + static_cast<long>(i));
    }
    world.update();
    std::vector<Tagged *> sorted = live;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size(); i++) {
      ASSERT_TRUE(sorted[i]->intact());
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(sorted[i]) % alignof(std::max_align_t), 0u);
      if (dynamic_cast<Wide *>(sorted[i])) {
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(sorted[i]) % 64, 0u);
      }
      if (i > 0) {
        ASSERT_FALSE(overlaps(sorted[i - 1], sorted[i]));
      }
    }
  }
  world.markForDelete(world.getAllObjects(true));
  world.update();
  EXPECT_EQ(sb::ObjectPool::slotsInUse(), slots_before);
}

// Slabs are what make the walks sequential: objects of one size made one
// after another lie side by side, and a freed slot is the first reused.
TEST(ObjectPool, SameSizeObjectsAreAdjacentAndFreedSlotsReusedInOrder) {
  if (!sb::ObjectPool::pooling()) GTEST_SKIP() << "the sanitizers' heap is in use";
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::ObjectPool::trim();  // an empty size class starts a fresh slab
  using Odd = Sized<600>;
  const std::size_t stride = (sizeof(Odd) + 15) / 16 * 16;
  Tagged *a = new Odd(1), *b = new Odd(2), *c = new Odd(3);
  EXPECT_EQ(reinterpret_cast<char *>(b) - reinterpret_cast<char *>(a), static_cast<long>(stride));
  EXPECT_EQ(reinterpret_cast<char *>(c) - reinterpret_cast<char *>(b), static_cast<long>(stride));
  delete b;
  delete a;
  Tagged *d = new Odd(4), *e = new Odd(5);
  EXPECT_EQ(d, b);  // freed first, reused first
  EXPECT_EQ(e, a);
  for (Tagged *o : {c, d, e}) delete o;
  const std::size_t held = sb::ObjectPool::slabBytes();
  sb::ObjectPool::trim();
  EXPECT_LT(sb::ObjectPool::slabBytes(), held);
}

// A particle fills one cache line, and particles lie on line boundaries,
// side by side.
TEST(ObjectPool, ParticlesFillOneWholeCacheLine) {
  EXPECT_EQ(sizeof(sb::Particle), 64u);
  if (!sb::ObjectPool::pooling()) GTEST_SKIP() << "the sanitizers' heap is in use";
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::vector<sb::Particle *> made;
  for (int i = 0; i < 50; i++) made.push_back(new sb::Particle(1, 5, 255, 1, 2, 3));
  for (sb::Particle *p : made) EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 64, 0u);
  EXPECT_EQ(reinterpret_cast<char *>(made[1]) - reinterpret_cast<char *>(made[0]), 64);
  sb::WorldManager::getInstance().markForDelete(sb::WorldManager::getInstance().getAllObjects(true));
  sb::WorldManager::getInstance().update();
}

// A size with many objects moves on to slabs of a huge page each: its objects
// still lie side by side in the order they were made, apart and intact, and
// every slab goes back when they are gone.
TEST(ObjectPool, ManyObjectsOfOneSizeFillLargeSlabsInOrder) {
  if (!sb::ObjectPool::pooling()) GTEST_SKIP() << "the sanitizers' heap is in use";
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  const std::size_t held = sb::ObjectPool::slabBytes();
  std::vector<sb::Particle *> made;
  for (int i = 0; i < 70000; i++) made.push_back(new sb::Particle(1, 5, 255, 1, 2, 3));
  EXPECT_GT(sb::ObjectPool::slabBytes(), held + 2u * 1024 * 1024);
  int adjacent = 0;
  for (std::size_t i = 1; i < made.size(); i++) {
    auto gap = reinterpret_cast<std::uintptr_t>(made[i]) - reinterpret_cast<std::uintptr_t>(made[i - 1]);
    if (gap == sizeof(sb::Particle)) adjacent++;
  }
  // Only a slab's first particle is not right after the one made before it.
  EXPECT_GT(adjacent, 69000);
  std::vector<sb::Particle *> sorted = made;
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 1; i < sorted.size(); i++)
    ASSERT_GE(reinterpret_cast<std::uintptr_t>(sorted[i]) - reinterpret_cast<std::uintptr_t>(sorted[i - 1]),
              sizeof(sb::Particle));
  sb::WorldManager::getInstance().markForDelete(sb::WorldManager::getInstance().getAllObjects(true));
  sb::WorldManager::getInstance().update();
  sb::ObjectPool::trim();
  EXPECT_LE(sb::ObjectPool::slabBytes(), held);
}

}  // namespace
