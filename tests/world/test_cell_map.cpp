// A cell map built from the world blocks exactly the cells where the path
// finder's hard-cell rule finds a HARD object for the mover, on random worlds.
#include <gtest/gtest.h>

#include <random>

#include "CellMap.h"
#include "GameManager.h"
#include "Object.h"
#include "WorldManager.h"
#include "support/TestEngine.h"

namespace {

using sb::Box;
using sb::Vector;

TEST(CellMapFromWorld, BlocksWhereThePathFinderFindsHardCells) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &world = sb::WorldManager::getInstance();
  std::mt19937 random(17);
  auto uniform = [&](float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(random);
  };
  const sb::Solidness kinds[] = {sb::HARD, sb::HARD, sb::SOFT, sb::SPECTRAL};
  for (int round = 0; round < 12; round++) {
    int w = 10 + static_cast<int>(random() % 40), h = 5 + static_cast<int>(random() % 20);
    world.setBoundary(Box(Vector(0, 0), static_cast<float>(w), static_cast<float>(h)));
    for (int i = 0; i < 40; i++) {
      sb::Object *p_o = new sb::Object;
      p_o->setSolidness(kinds[random() % 4]);
      if (random() % 3 == 0)  // odd boxes, some reaching outside the world
        p_o->setBox(Box(Vector(uniform(-3, 0), uniform(-3, 0)), uniform(0, 6), uniform(0, 4)));
      p_o->setPosition(Vector(uniform(-2, w + 2), uniform(-2, h + 2)));
      if (random() % 5 == 0) p_o->setPosition(Vector(static_cast<float>(random() % w), 0.5f));
      if (random() % 10 == 0) p_o->setActive(false);
    }
    // The mover: the default box (also standing in for no mover) or an odd one.
    sb::Object *p_mover = new sb::Object;
    p_mover->setSolidness(round % 2 ? sb::HARD : sb::SPECTRAL);
    if (round % 3 == 1) p_mover->setBox(Box(Vector(-1.2f, -0.3f), 2.4f, 0.6f));
    p_mover->setPosition(Vector(uniform(0, w), uniform(0, h)));
    const sb::Object *p_built_for = round % 3 == 0 && round % 2 == 0 ? nullptr : p_mover;

    sb::CellMap map;
    ASSERT_EQ(map.buildFromWorld(p_built_for), 0);
    ASSERT_EQ(map.getWidth(), w);
    ASSERT_EQ(map.getHeight(), h);
    int blocked = 0;
    for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++) {
        bool hard = false;
        sb::ObjectList list =
            world.getCollisions(p_mover, Vector(static_cast<float>(x), static_cast<float>(y)));
        for (int i = 0; i < list.getCount(); i++) hard = hard || list[i]->getSolidness() == sb::HARD;
        ASSERT_EQ(!map.isWalkable(x, y), hard) << "round " << round << " cell " << x << "," << y;
        ASSERT_EQ(map.isTransparent(x, y), map.isWalkable(x, y));
        blocked += hard;
      }
    }
    EXPECT_GT(blocked, 0);
    world.markForDelete(world.getAllObjects(true));
    world.update();
  }
  sb::GameManager::getInstance().shutDown();
}

}  // namespace

namespace {

// Two objects see each other across open cells and not through a wall object.
TEST(CellMapFromWorld, ObjectsSeeEachOtherUnlessAWallIsBetween) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager::getInstance().setBoundary(Box(Vector(0, 0), 20, 10));
  sb::Object *p_a = new sb::Object, *p_b = new sb::Object;
  p_a->setSolidness(sb::SPECTRAL);
  p_b->setSolidness(sb::SPECTRAL);
  p_a->setPosition(Vector(2.2f, 5));
  p_b->setPosition(Vector(15, 4.8f));
  sb::CellMap map;
  sb::FieldOfView fov;
  ASSERT_EQ(map.buildFromWorld(), 0);
  EXPECT_TRUE(p_a->sees(p_b, map, fov));
  EXPECT_TRUE(p_b->sees(p_a, map, fov));
  EXPECT_FALSE(p_a->sees(p_b, map, fov, 5));  // too far for the radius
  EXPECT_FALSE(p_a->sees(nullptr, map, fov));
  // Without a work space of the caller's, the caller's view and its memory stay.
  sb::FieldOfView player;
  player.compute(map, 0, 0, 3);
  std::vector<std::uint8_t> visible(player.visibleCells(), player.visibleCells() + 200);
  std::vector<std::uint8_t> seen(player.seenCells(), player.seenCells() + 200);
  EXPECT_TRUE(p_a->sees(p_b, map) && !p_a->sees(p_b, map, 5));
  EXPECT_EQ(std::vector<std::uint8_t>(player.visibleCells(), player.visibleCells() + 200), visible);
  EXPECT_EQ(std::vector<std::uint8_t>(player.seenCells(), player.seenCells() + 200), seen);
  for (int y = 0; y < 10; y++) (new sb::Object)->setPosition(Vector(8, static_cast<float>(y)));
  ASSERT_EQ(map.buildFromWorld(), 0);
  EXPECT_FALSE(p_a->sees(p_b, map, fov));
  EXPECT_FALSE(p_b->sees(p_a, map, fov, 0, sb::FOV_PERMISSIVE));
  p_b->setPosition(Vector(40, 5));  // off the map
  EXPECT_FALSE(p_b->sees(p_a, map, fov));
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
