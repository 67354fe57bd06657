// The collision index against a brute-force reference: random worlds, random
// changes between queries. Built into both scene-graph configurations, so the
// grid and the plain solid list must give the same answers, in the order of
// the lists they walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Object.h"
#include "ResourceManager.h"
#include "WorldManager.h"
#include "utility.h"
#include "support/TestEngine.h"

namespace {

using sb::Box;
using sb::Vector;

// A 5 x 3 sprite of one frame: setSprite gives its objects a 5 x 3 box.
const char *const BLOCK =
    "<HEADER>\nframes 1\nwidth 5\nheight 3\n</HEADER>\n<BODY>\n#####\n#   #\n#####\nend\n"
    "</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n";

class Index {
 public:
  explicit Index(unsigned seed) : rng(seed) {}

  std::mt19937 rng;
  std::vector<sb::Object *> objects;

  float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  // What the world must answer: active solid objects other than p_o whose
  // boxes meet p_o's box at where.
  std::vector<sb::Object *> reference(const sb::Object *p_o, Vector where) const {
    std::vector<sb::Object *> out;
    Box mine = sb::getWorldBox(p_o, where);
    for (sb::Object *other : objects)
      if (other != p_o && other->isActive() && other->isSolid() &&
          sb::boxIntersectsBox(sb::getWorldBox(other), mine))
        out.push_back(other);
    return out;
  }

  // Checks one query; returns a description of the difference, or "".
  std::string check(sb::Object *p_o, Vector where) const {
    sb::ObjectList got = sb::WorldManager::getInstance().getCollisions(p_o, where);
    std::vector<sb::Object *> got_v;
    for (int i = 0; i < got.getCount(); i++) got_v.push_back(got[i]);
    std::vector<sb::Object *> want = reference(p_o, where);

    std::vector<sb::Object *> got_sorted = got_v, want_sorted = want;
    std::sort(got_sorted.begin(), got_sorted.end());
    std::sort(want_sorted.begin(), want_sorted.end());
    std::ostringstream why;
    if (std::adjacent_find(got_sorted.begin(), got_sorted.end()) != got_sorted.end())
      why << "duplicate in result; ";
    if (got_sorted != want_sorted) {
      why << "got " << got_v.size() << " want " << want.size() << " for "
          << sb::getWorldBox(p_o, where).toString() << ":";
      for (sb::Object *o : want)
        if (!std::count(got_v.begin(), got_v.end(), o))
          why << " missing " << sb::getWorldBox(o).toString() << ";";
      for (sb::Object *o : got_v)
        if (!std::count(want.begin(), want.end(), o))
          why << " extra " << sb::getWorldBox(o).toString() << ";";
    }
    if (why.str().empty() && walkOrder(p_o, where, want) != got_v) why << "not in list order";
    return why.str();
  }

  // The objects of want in the order the index walks its lists: the solid
  // list, or the grid's out-of-bounds list and then the cells under the box
  // row by row, each object where it is first met.
  static std::vector<sb::Object *> walkOrder(const sb::Object *p_o, Vector where,
                                             const std::vector<sb::Object *> &want) {
    sb::SceneGraph &graph = sb::WorldManager::getInstance().getSceneGraph();
    std::vector<sb::ObjectList> lists;
#if SORBELANE_GRID
    for (const sb::Cell &cell : graph.getGrid().positionToCells(p_o, where))
      lists.push_back(graph.getGrid().getObjects(cell));
#else
    (void)p_o;
    (void)where;
    lists.push_back(graph.solidObjects());
#endif
    std::vector<sb::Object *> ordered;
    for (const sb::ObjectList &list : lists)
      for (int i = 0; i < list.getCount(); i++)
        if (std::count(want.begin(), want.end(), list[i]) &&
            !std::count(ordered.begin(), ordered.end(), list[i]))
          ordered.push_back(list[i]);
    return ordered;
  }

  // The solid list holds exactly the active solid objects.
  bool solidListMatches() const {
    sb::ObjectList solid = sb::WorldManager::getInstance().getSceneGraph().solidObjects();
    std::vector<sb::Object *> got, want;
    for (int i = 0; i < solid.getCount(); i++) got.push_back(solid[i]);
    for (sb::Object *o : objects)
      if (o->isActive() && o->isSolid()) want.push_back(o);
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    return got == want;
  }
};

// Runs rounds of random changes and queries; make_position and make_box shape the world.
void exercise(Index &ix, int initial, int rounds, const std::function<Vector()> &make_position,
              const std::function<Box()> &make_box) {
  auto solidness = [&ix]() { return static_cast<sb::Solidness>(ix.pick(3)); };
  auto make = [&]() {
    sb::Object *o = new sb::Object;
    o->setSolidness(solidness());
    o->setBox(make_box());
    o->setPosition(make_position());
    if (ix.pick(10) == 0) o->setActive(false);
    ix.objects.push_back(o);
  };
  sb::WorldManager &world = sb::WorldManager::getInstance();
  std::istringstream sprite(BLOCK);
  ASSERT_EQ(sb::ResourceManager::getInstance().loadSprite(sprite, "block"), 0);
  for (int i = 0; i < initial; i++) make();

  int failures = 0, queries = 0, hits = 0;
  for (int round = 0; round < rounds && failures < 5; round++) {
    sb::Object *o = ix.objects[ix.pick(static_cast<int>(ix.objects.size()))];
    switch (ix.pick(11)) {
      case 0:
      case 1:
        o->setPosition(make_position());
        break;
      case 2:  // a small step, often within the same cells
        o->setPosition(o->getPosition() + Vector(ix.uniform(-2, 2), ix.uniform(-2, 2)));
        break;
      case 3:
        o->setBox(make_box());
        break;
      case 4:
        o->setSolidness(solidness());
        break;
      case 5:
        o->setActive(!o->isActive());
        break;
      case 6:
        o->setVisible(!o->isVisible());
        break;
      case 7:  // moved by the world, colliding on the way
        world.moveObject(o, o->getPosition() + Vector(ix.uniform(-2, 2), ix.uniform(-2, 2)));
        break;
      case 8:
        world.moveObject(o, make_position());
        break;
      case 9:
        o->setSprite("block");
        break;
      default:
        break;
    }
    if (round % 97 == 0) {  // delete a few and make new ones
      for (int k = 0; k < 3 && ix.objects.size() > 10; k++) {
        int at = ix.pick(static_cast<int>(ix.objects.size()));
        sb::WorldManager::getInstance().markForDelete(ix.objects[at]);
        ix.objects.erase(ix.objects.begin() + at);
      }
      sb::WorldManager::getInstance().update();
      for (int k = 0; k < 3; k++) make();
      EXPECT_TRUE(ix.solidListMatches()) << "round " << round;
    }

    for (int q = 0; q < 3; q++) {
      sb::Object *mover = ix.objects[ix.pick(static_cast<int>(ix.objects.size()))];
      Vector where;
      switch (ix.pick(3)) {
        case 0:
          where = mover->getPosition();
          break;
        case 1:
          where = mover->getPosition() + Vector(ix.uniform(-3, 3), ix.uniform(-3, 3));
          break;
        default:
          where = make_position();
      }
      std::string why = ix.check(mover, where);
      queries++;
      if (!ix.reference(mover, where).empty()) hits++;
      if (!why.empty()) {
        failures++;
        ADD_FAILURE() << "round " << round << ": " << why;
      }
    }
  }
  EXPECT_TRUE(ix.solidListMatches());
  // Every object's own place, where its neighbours' stored boxes are tested.
  for (sb::Object *o : ix.objects) {
    std::string why = ix.check(o, o->getPosition());
    if (!why.empty() && ++failures < 10) ADD_FAILURE() << "final sweep: " << why;
  }
  // The worlds are dense enough that many queries find something.
  EXPECT_GT(hits, queries / 5) << hits << " of " << queries;
}

TEST(CollisionIndex, RandomBoxesAgreeWithBruteForce) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Index ix(12345);
  auto position = [&ix]() {
    if (ix.pick(10) == 0) return Vector(ix.uniform(-600, 1000), ix.uniform(-300, 400));
    return Vector(ix.uniform(-40, 440), ix.uniform(-20, 84));
  };
  auto box = [&ix]() {
    float h = ix.uniform(0.5f, 25), v = ix.uniform(0.5f, 25);
    return Box(Vector(-h * ix.uniform(0, 1), -v * ix.uniform(0, 1)), h, v);
  };
  exercise(ix, 300, 2500, position, box);
}

TEST(CollisionIndex, AlignedBoxesOnCellBordersAgreeWithBruteForce) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Index ix(777);
  // Positions on half units and whole-unit boxes (zero included): edges land
  // exactly on cell borders (multiples of 20 and 8) and on each other.
  auto position = [&ix]() {
    return Vector(ix.pick(180) * 0.5f - 20, ix.pick(100) * 0.5f - 10);
  };
  auto box = [&ix]() {
    float h = static_cast<float>(ix.pick(9)), v = static_cast<float>(ix.pick(9));
    return Box(Vector(-static_cast<float>(ix.pick(3)), -static_cast<float>(ix.pick(3))), h, v);
  };
  exercise(ix, 200, 2500, position, box);
}

// Boxes keep negative sizes: their far edge lies left of or above their
// corner. Both indexes must file them over the span between their edges,
// zero sizes included, and answer as the brute force does.
TEST(CollisionIndex, NegativeAndZeroSizedBoxesAgreeWithBruteForce) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Index ix(4242);
  auto position = [&ix]() {
    if (ix.pick(10) == 0) return Vector(ix.uniform(-600, 1000), ix.uniform(-300, 400));
    return Vector(ix.uniform(-30, 230), ix.uniform(-15, 75));
  };
  auto size = [&ix]() {
    switch (ix.pick(4)) {
      case 0:
        return 0.0f;
      case 1:  // whole units, so that edges land on cell borders
        return static_cast<float>(ix.pick(41) - 20);
      default:
        return ix.uniform(-25, 25);
    }
  };
  auto box = [&]() {
    float h = size(), v = size();
    return Box(Vector(ix.uniform(-1, 1), ix.uniform(-1, 1)), h, v);
  };
  exercise(ix, 400, 2500, position, box);

  // A box at x 30 reaching back to x 15 across the cell border at 20, met
  // by a unit box at its corner.
  sb::Object *wide = new sb::Object;
  wide->setBox(Box(Vector(0, -0.5f), -15, 0.99f));
  wide->setPosition(Vector(30, 4));
  sb::Object *probe = new sb::Object;
  probe->setPosition(Vector(100, 40));
  sb::ObjectList met = sb::WorldManager::getInstance().getCollisions(probe, Vector(30, 4));
  EXPECT_EQ(met.getCount(), 1);
}

}  // namespace
