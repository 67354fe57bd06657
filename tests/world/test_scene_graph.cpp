// The scene graph's lists across activity, visibility, solidness and
// altitude changes, and its collision query.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "GameManager.h"
#include "LogManager.h"
#include "Object.h"
#include "SceneGraph.h"
#include "WorldManager.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using sb::Box;
using sb::Vector;

int occurrences(const sb::ObjectList &list, const sb::Object *p_o) {
  int n = 0;
  for (int i = 0; i < list.getCount(); i++)
    if (list[i] == p_o) n++;
  return n;
}

sb::SceneGraph &graph() { return sb::WorldManager::getInstance().getSceneGraph(); }

#if SORBELANE_GRID
// Whether the grid lists the object in the cell under its position.
bool inGrid(const sb::Object *p_o) {
  sb::Grid &grid = graph().getGrid();
  return occurrences(grid.getObjects(grid.positionToCell(p_o->getPosition())), p_o) > 0;
}
#endif

// Which lists hold the object: active, solid, visible at each altitude, inactive.
std::string membership(const sb::Object *p_o) {
  std::string s;
  s += "a" + std::to_string(occurrences(graph().activeObjects(), p_o));
  s += " s" + std::to_string(occurrences(graph().solidObjects(), p_o));
  s += " v";
  for (int alt = 0; alt <= sb::MAX_ALTITUDE; alt++)
    s += std::to_string(occurrences(graph().visibleObjects(alt), p_o));
  s += " i" + std::to_string(occurrences(graph().inactiveObjects(), p_o));
#if SORBELANE_GRID
  s += inGrid(p_o) ? " g1" : " g0";
#else
  s += " g-";
#endif
  return s;
}

std::string expect(const std::string &lists, bool grid) {
#if SORBELANE_GRID
  return lists + (grid ? " g1" : " g0");
#else
  (void)grid;
  return lists + " g-";
#endif
}

TEST(SceneGraph, SolidnessMovesObjectsInAndOutOfTheSolidList) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *o = new sb::Object;
  sb::Object *p = new sb::Object;
  o->setPosition(Vector(10, 3));
  EXPECT_EQ(membership(o), expect("a1 s1 v00100 i0", true));

  EXPECT_EQ(o->setSolidness(sb::SPECTRAL), 0);
  EXPECT_EQ(membership(o), expect("a1 s0 v00100 i0", false));
  std::string before = sbtest::readLog();
  EXPECT_EQ(o->setSolidness(sb::HARD), 0);
  EXPECT_EQ(membership(o), expect("a1 s1 v00100 i0", true));
  std::string added = sbtest::readLog().substr(before.size());
#if SORBELANE_GRID
  EXPECT_EQ(sbtest::countMessage(added, "SceneGraph::updateSolidness(): Adding to grid."), 1);
#else
  EXPECT_EQ(sbtest::countOf(added, "Adding to grid"), 0);
#endif

  // HARD and SOFT are the same to the lists: nothing is re-filed.
  sb::ObjectList solid_before = graph().solidObjects();
  EXPECT_EQ(solid_before[0], p);
  EXPECT_EQ(o->setSolidness(sb::SOFT), 0);
  EXPECT_EQ(graph().solidObjects(), solid_before);
  EXPECT_EQ(membership(o), expect("a1 s1 v00100 i0", true));
}

TEST(SceneGraph, ActivityVisibilityAndAltitude) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *o = new sb::Object;
  o->setPosition(Vector(30, 12));

  EXPECT_EQ(o->setActive(false), 0);
  EXPECT_EQ(membership(o), expect("a0 s0 v00000 i1", false));
  EXPECT_EQ(o->setActive(false), 0);
  EXPECT_EQ(membership(o), expect("a0 s0 v00000 i1", false));

  // Changes made while inactive are used when it comes back.
  EXPECT_EQ(o->setAltitude(4), 0);
  EXPECT_EQ(o->getAltitude(), 4);
  EXPECT_EQ(membership(o), expect("a0 s0 v00000 i1", false));
  EXPECT_EQ(o->setSolidness(sb::SPECTRAL), 0);
  EXPECT_EQ(o->setSolidness(sb::SOFT), 0);
  EXPECT_EQ(o->setPosition(Vector(50, 20)), 0);
  EXPECT_EQ(o->setActive(true), 0);
  EXPECT_EQ(membership(o), expect("a1 s1 v00001 i0", true));

  // Invisible: out of the visible lists only; altitude changes wait.
  EXPECT_EQ(o->setVisible(false), 0);
  EXPECT_EQ(membership(o), expect("a1 s1 v00000 i0", true));
  EXPECT_EQ(o->setAltitude(1), 0);
  EXPECT_EQ(membership(o), expect("a1 s1 v00000 i0", true));
  EXPECT_EQ(o->setVisible(true), 0);
  EXPECT_EQ(membership(o), expect("a1 s1 v01000 i0", true));

  // An inactive invisible spectral object comes back to the right lists.
  EXPECT_EQ(o->setVisible(false), 0);
  EXPECT_EQ(o->setSolidness(sb::SPECTRAL), 0);
  EXPECT_EQ(o->setActive(false), 0);
  EXPECT_EQ(membership(o), expect("a0 s0 v00000 i1", false));
  EXPECT_EQ(o->setVisible(true), 0);
  EXPECT_EQ(membership(o), expect("a0 s0 v00000 i1", false));
  EXPECT_EQ(o->setActive(true), 0);
  EXPECT_EQ(membership(o), expect("a1 s0 v01000 i0", false));
}

TEST(SceneGraph, VisibleListsOutsideTheAltitudeRange) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  new sb::Object;
  EXPECT_EQ(graph().visibleObjects(5).getCount(), 0);
  EXPECT_EQ(graph().visibleObjects(-1).getCount(), 0);
  EXPECT_EQ(graph().visibleObjects(2).getCount(), 1);
  std::string log = sbtest::readLog();
  EXPECT_TRUE(
      sbtest::hasMessage(log, "SceneGraph::visibleObjects(): Warning! altitude 5 not in [0,4]."));
  EXPECT_TRUE(
      sbtest::hasMessage(log, "SceneGraph::visibleObjects(): Warning! altitude -1 not in [0,4]."));
}

TEST(SceneGraph, CollisionsTouchingNeverSelfAndSolidOnly) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *mover = new sb::Object;
  sb::Object *touching = new sb::Object;
  sb::Object *overlap = new sb::Object;
  sb::Object *apart = new sb::Object;
  sb::Object *ghost = new sb::Object;
  sb::Object *asleep = new sb::Object;
  mover->setPosition(Vector(10, 10));
  mover->setBox(Box(Vector(0, 0), 2, 2));  // covers 10..12 at its position
  touching->setBox(Box(Vector(0, 0), 1, 1));
  touching->setPosition(Vector(14, 15));  // corner of mover's box at (13,14) -> (14,15)
  overlap->setPosition(Vector(13.5f, 14.5f));
  apart->setPosition(Vector(30, 30));
  ghost->setPosition(Vector(13.5f, 14.5f));
  ghost->setSolidness(sb::SPECTRAL);
  asleep->setPosition(Vector(13.5f, 14.5f));
  asleep->setActive(false);

  sb::ObjectList hits = graph().getCollisions(mover, Vector(12, 13));
  EXPECT_EQ(occurrences(hits, touching), 1);
  EXPECT_EQ(occurrences(hits, overlap), 1);
  EXPECT_EQ(hits.getCount(), 2);
#if !SORBELANE_GRID
  // In solid-list order; touching's new box put it at the end of the lists.
  ASSERT_EQ(hits.getCount(), 2);
  EXPECT_EQ(hits[0], overlap);
  EXPECT_EQ(hits[1], touching);
#endif
  // Its own box at its own position never counts, even for a spectral mover.
  EXPECT_EQ(graph().getCollisions(mover, mover->getPosition()).getCount(), 0);
  mover->setSolidness(sb::SPECTRAL);
  EXPECT_EQ(graph().getCollisions(mover, Vector(12, 13)).getCount(), 2);

#if !SORBELANE_GRID
  EXPECT_EQ(graph().updatePosition(mover, Vector(99, 99)), 0);
  EXPECT_EQ(graph().updatePosition(asleep, Vector(-5, 3)), 0);
#endif
}

// A list operation that fails is an error while the world runs, also at game
// over, and is tolerated only from the tear-down on, until the next start-up.
TEST(SceneGraph, ListFailuresAreToleratedOnlyDuringTearDown) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  struct Row {
    std::function<int(sb::Object *)> change;
    const char *line;
    int running_result;  // what the setter returns while the world runs
  };
  const std::vector<Row> rows = {
      {[](sb::Object *o) { return o->setVisible(false); },
       "SceneGraph::updateVisible(): unable to remove visible object ((Undefined))", -1},
      {[](sb::Object *o) { return o->setAltitude(3); },
       "SceneGraph::updateAltitude(): remove from old altitude (2) failed!", -1},
      {[](sb::Object *o) { return o->setSolidness(sb::SPECTRAL); },
       "SceneGraph::updateSolidness(): unable to remove solid object ((Undefined))", 0},
  };
  // (A failed deactivation files the object as inactive anyway, so it is
  // tried in the tear-down only, where the object may then be deleted.)
  const Row deactivate = {
      [](sb::Object *o) { return o->setActive(false); },
      "SceneGraph::updateActive(): remove object ((Undefined)) failed for objects!", -1};
  EXPECT_FALSE(graph().isTearingDown());
  std::vector<sb::Object *> taken_out;
  // Each object is taken out of the lists behind the world's back, so that
  // the change finds it gone.
  auto failedChange = [&](const Row &row, std::string &added) {
    sb::Object *o = new sb::Object;
    graph().removeObject(o);
    taken_out.push_back(o);
    std::string before = sbtest::readLog();
    int result = row.change(o);
    added = sbtest::readLog().substr(before.size());
    return result;
  };
  sb::GameManager::getInstance().setGameOver(true);
  for (const Row &row : rows) {
    std::string added;
    EXPECT_EQ(failedChange(row, added), row.running_result) << row.line;
    EXPECT_EQ(sbtest::countMessage(added, row.line), 1) << added;
  }
  sb::GameManager::getInstance().setGameOver(false);
  graph().beginTearDown();
  EXPECT_TRUE(graph().isTearingDown());
  std::vector<Row> all = rows;
  all.push_back(deactivate);
  for (const Row &row : all) {
    std::string added;
    EXPECT_EQ(failedChange(row, added), 0) << row.line;
    EXPECT_EQ(sbtest::countOf(added, "SceneGraph::"), 0) << added;
  }
  for (sb::Object *o : taken_out) delete o;

  sb::GameManager::getInstance().shutDown();
  EXPECT_TRUE(graph().isTearingDown());
  EXPECT_FALSE(graph().isStarted());
  ASSERT_EQ(sb::GameManager::getInstance().startUp(), 0) << sbtest::readLog();
  EXPECT_FALSE(graph().isTearingDown());
  EXPECT_TRUE(graph().isStarted());
}

// The box lists hold one record for each active solid object, whatever
// happened to it, and give every record back when the world empties.
TEST(SceneGraph, BoxRecordsFollowTheActiveSolidObjects) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  const int baseline = sb::SceneGraph::boxRecords().recordsInUse();
  std::srand(33);
  auto rnd = [](int n) { return std::rand() % n; };
  std::vector<sb::Object *> objects;
  for (int round = 0; round < 400; round++) {
    if (objects.size() < 40 || rnd(4) == 0) {
      objects.push_back(new sb::Object);
      objects.back()->setPosition(Vector(static_cast<float>(rnd(500) - 50), rnd(80) - 8.0f));
      continue;
    }
    size_t i = static_cast<size_t>(rnd(static_cast<int>(objects.size())));
    sb::Object *o = objects[i];
    switch (rnd(5)) {
      case 0: o->setPosition(o->getPosition() + Vector(rnd(41) - 20.0f, rnd(17) - 8.0f)); break;
      case 1: o->setSolidness(rnd(2) ? sb::SPECTRAL : sb::SOFT); break;
      case 2: o->setActive(!o->isActive()); break;
      case 3: o->setBox(Box(Vector(-1, -1), 1.0f + rnd(30), 1.0f + rnd(10))); break;
      default:
        sb::WorldManager::getInstance().markForDelete(o);
        sb::WorldManager::getInstance().update();
        objects.erase(objects.begin() + static_cast<long>(i));
        break;
    }
    int solid = 0;
    for (const sb::Object *p : objects) solid += p->isActive() && p->isSolid();
    ASSERT_EQ(sb::SceneGraph::boxRecords().recordsInUse(), baseline + solid) << "round " << round;
  }
  sb::GameManager::getInstance().shutDown();
  EXPECT_EQ(sb::SceneGraph::boxRecords().recordsInUse(), baseline);
}

}  // namespace
