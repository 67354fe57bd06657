// The scene graph's lists across activity, visibility, solidness and
// altitude changes, and its collision query.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
