// The spatial grid: which cells an object's box covers, how moves re-file
// it, collision candidates, start-up and the diagnostic text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Config.h"
#include "GameManager.h"
#include "Grid.h"
#include "LogManager.h"
#include "Object.h"
#include "WorldManager.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using sb::Box;
using sb::Cell;
using sb::Vector;

sb::Grid &grid() { return sb::WorldManager::getInstance().getSceneGraph().getGrid(); }

sb::Object *objectAt(Vector where) {
  sb::Object *o = new sb::Object;
  o->setPosition(where);
  return o;
}

std::vector<sb::Object *> cellContents(Cell cell) {
  sb::ObjectList list = grid().getObjects(cell);
  std::vector<sb::Object *> out;
  for (int i = 0; i < list.getCount(); i++) out.push_back(list[i]);
  return out;
}

// Every cell (and the out-of-bounds list) that holds the object.
std::vector<Cell> cellsHolding(const sb::Object *p_o) {
  std::vector<Cell> out;
  std::vector<sb::Object *> oob = cellContents(Cell(-1, -1));
  if (std::count(oob.begin(), oob.end(), p_o)) out.push_back(Cell(-1, -1));
  for (int row = 0; row < grid().getHeight(); row++)
    for (int col = 0; col < grid().getWidth(); col++) {
      std::vector<sb::Object *> in = cellContents(Cell(col, row));
      int n = static_cast<int>(std::count(in.begin(), in.end(), p_o));
      EXPECT_LE(n, 1) << "listed twice in cell " << col << "," << row;
      if (n) out.push_back(Cell(col, row));
    }
  return out;
}

using GridCells = std::vector<Cell>;

TEST(Grid, CellsAtBordersAndOutside) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EXPECT_EQ(grid().getWidth(), 20);
  EXPECT_EQ(grid().getHeight(), 8);
  EXPECT_EQ(grid().positionToCell(Vector(10, 3)), Cell(0, 0));
  EXPECT_EQ(grid().positionToCell(Vector(20, 8)), Cell(1, 1));
  EXPECT_EQ(grid().positionToCell(Vector(19.99f, 7.99f)), Cell(0, 0));
  EXPECT_EQ(grid().positionToCell(Vector(-5, 3)), Cell(-1, 0));
  EXPECT_EQ(grid().positionToCell(Vector(-0.5f, -0.5f)), Cell(-1, -1));
  EXPECT_EQ(grid().positionToCell(Vector(400, 64)), Cell(20, 8));

  sb::Object *in_one = objectAt(Vector(10, 3));
  EXPECT_EQ(grid().positionToCells(in_one, in_one->getPosition()), (GridCells{{0, 0}}));
  EXPECT_EQ(cellsHolding(in_one), (GridCells{{0, 0}}));

  sb::Object *on_border = objectAt(Vector(20, 3));  // box x 19.5 .. 20.49
  EXPECT_EQ(grid().positionToCells(on_border, on_border->getPosition()), (GridCells{{0, 0}, {1, 0}}));
  EXPECT_EQ(cellsHolding(on_border), (GridCells{{0, 0}, {1, 0}}));

  sb::Object *left = objectAt(Vector(-5, 3));
  EXPECT_EQ(grid().positionToCells(left, left->getPosition()), (GridCells{{-1, -1}}));
  EXPECT_EQ(cellsHolding(left), (GridCells{{-1, -1}}));

  sb::Object *reaching = objectAt(Vector(0.2f, 3));  // box reaches x = -0.3
  EXPECT_EQ(grid().positionToCells(reaching, reaching->getPosition()),
            (GridCells{{-1, -1}, {0, 0}}));
  EXPECT_EQ(cellsHolding(reaching), (GridCells{{-1, -1}, {0, 0}}));

  sb::Object *bottom = objectAt(Vector(399, 63.5f));  // box up to 399.49, 63.99
  EXPECT_EQ(cellsHolding(bottom), (GridCells{{19, 7}}));
  sb::Object *below = objectAt(Vector(399, 64));  // box reaches y 64.49
  EXPECT_EQ(cellsHolding(below), (GridCells{{-1, -1}, {19, 7}}));

  sb::Object *far1 = objectAt(Vector(500, 30));
  sb::Object *far2 = objectAt(Vector(500.5f, 30));
  EXPECT_EQ(cellsHolding(far1), (GridCells{{-1, -1}}));
  sb::ObjectList hits = grid().getCollisions(far1, far1->getPosition());
  ASSERT_EQ(hits.getCount(), 1);
  EXPECT_EQ(hits[0], far2);
  // Out-of-bounds neighbours that do not touch are no collisions.
  EXPECT_EQ(grid().getCollisions(left, left->getPosition()).getCount(), 0);

  // GridCells outside the grid name the out-of-bounds list.
  EXPECT_EQ(cellContents(Cell(20, 0)), cellContents(Cell(-1, -1)));
  EXPECT_EQ(cellContents(Cell(0, -3)), cellContents(Cell(-1, -1)));

  // Not solid or not active: not in the grid at all.
  far2->setSolidness(sb::SPECTRAL);
  EXPECT_EQ(cellsHolding(far2), GridCells{});
  EXPECT_EQ(grid().getCollisions(far1, far1->getPosition()).getCount(), 0);
  in_one->setActive(false);
  EXPECT_EQ(cellsHolding(in_one), GridCells{});
  in_one->setPosition(Vector(30, 3));
  in_one->setActive(true);
  EXPECT_EQ(cellsHolding(in_one), (GridCells{{1, 0}}));
}

TEST(Grid, MovesRefileOnlyWhatChanges) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *a = objectAt(Vector(10, 3));
  sb::Object *b = objectAt(Vector(12, 5));
  EXPECT_EQ(cellContents(Cell(0, 0)), (std::vector<sb::Object *>{a, b}));

  // Within the cell: no list changes (a stays first).
  a->setPosition(Vector(14, 4));
  EXPECT_EQ(cellContents(Cell(0, 0)), (std::vector<sb::Object *>{a, b}));
  // Across a border.
  a->setPosition(Vector(25, 3));
  EXPECT_EQ(cellContents(Cell(0, 0)), (std::vector<sb::Object *>{b}));
  EXPECT_EQ(cellsHolding(a), (GridCells{{1, 0}}));
  // Out and back in.
  a->setPosition(Vector(-40, -40));
  EXPECT_EQ(cellsHolding(a), (GridCells{{-1, -1}}));
  a->setPosition(Vector(45, 20));
  EXPECT_EQ(cellsHolding(a), (GridCells{{2, 2}}));

  // A box over two columns and two rows moving one column to the right.
  sb::Object *big = objectAt(Vector(115, 21));
  big->setBox(Box(Vector(0, 0), 10, 5));  // x 115..125, y 21..26: columns 5, 6; rows 2, 3
  EXPECT_EQ(cellsHolding(big), (GridCells{{5, 2}, {6, 2}, {5, 3}, {6, 3}}));
  sb::Object *shared = objectAt(Vector(130, 20));  // in cell (6, 2), after big
  EXPECT_EQ(cellContents(Cell(6, 2)), (std::vector<sb::Object *>{big, shared}));
  big->setPosition(Vector(135, 21));  // columns 6, 7
  EXPECT_EQ(cellsHolding(big), (GridCells{{6, 2}, {7, 2}, {6, 3}, {7, 3}}));
  // The shared cells were not touched: big is still before the other object.
  EXPECT_EQ(cellContents(Cell(6, 2)), (std::vector<sb::Object *>{big, shared}));
  EXPECT_EQ(cellContents(Cell(5, 2)), std::vector<sb::Object *>{});

  // A new box re-files the object under its new extent.
  big->setBox(Box(Vector(0, 0), 1, 1));
  EXPECT_EQ(cellsHolding(big), (GridCells{{6, 2}}));
}

TEST(Grid, CollisionsListEachNeighbourOnceNeverTheMover) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  // Both span the four cells around (20, 8).
  sb::Object *mover = objectAt(Vector(15, 5));
  mover->setBox(Box(Vector(0, 0), 10, 6));
  sb::Object *neighbour = objectAt(Vector(16, 6));
  neighbour->setBox(Box(Vector(0, 0), 10, 6));
  sb::Object *outside = objectAt(Vector(-1, 6));  // out of bounds and in cell (0, 0)
  outside->setBox(Box(Vector(-2, 0), 4, 1));      // x -3 .. 1: not touching the mover
  sb::ObjectList hits = grid().getCollisions(mover, mover->getPosition());
  ASSERT_EQ(hits.getCount(), 1);
  EXPECT_EQ(hits[0], neighbour);

  // A touching edge counts; a hair apart does not.
  sb::Object *edge = objectAt(Vector(25, 5));
  edge->setBox(Box(Vector(0, 0), 2, 2));  // x 25 .. 27 meets the mover's right edge x = 25
  hits = grid().getCollisions(mover, mover->getPosition());
  EXPECT_EQ(hits.getCount(), 2);
  hits = grid().getCollisions(mover, Vector(14.9f, 5));
  EXPECT_EQ(hits.getCount(), 1);

  // Querying at a far place finds what is there, not the mover's own cells.
  hits = grid().getCollisions(neighbour, Vector(500, 500));
  EXPECT_EQ(hits.getCount(), 0);
  hits = grid().getCollisions(outside, Vector(16, 6));
  EXPECT_EQ(hits.getCount(), 2);  // mover and neighbour, each once
}

TEST(Grid, StartUpTwiceAndDimensions) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *o = objectAt(Vector(10, 3));
  EXPECT_EQ(grid().startUp(), -1);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(),
                                 "Grid::startUp(): Warning! Grid allocated. Not proceeding."));
  // Still working.
  EXPECT_EQ(cellsHolding(o), (GridCells{{0, 0}}));

  // New dimensions re-file the solid objects.
  grid().setDimensions(5, 4);
  EXPECT_EQ(grid().getWidth(), 5);
  EXPECT_EQ(grid().getHeight(), 4);
  EXPECT_EQ(cellsHolding(o), (GridCells{{1, 0}, {2, 0}}));  // box x 9.5 .. 10.49, 5-wide cells
  sb::Object *p = objectAt(Vector(30, 3));
  EXPECT_EQ(cellsHolding(p), (GridCells{{-1, -1}}));  // the grid covers 25 x 16 now
}

// A size chosen before the engine starts is the size it starts with.
TEST(Grid, DimensionsSetBeforeStartUpAreKept) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::GameManager::getInstance().shutDown();
  grid().setDimensions(40, 10);
  EXPECT_EQ(grid().getObjects(Cell(0, 0)).getCount(), 0);  // no cells before start-up
  ASSERT_EQ(sb::GameManager::getInstance().startUp(), 0) << sbtest::readLog();
  EXPECT_EQ(grid().getWidth(), 40);
  EXPECT_EQ(grid().getHeight(), 10);
  sb::Object *o = objectAt(Vector(500, 55));  // outside 400 x 64, inside 1600 x 100
  EXPECT_EQ(cellsHolding(o), (GridCells{{12, 5}}));
}

TEST(Grid, StandaloneGridLifecycle) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Grid g;
  EXPECT_EQ(g.getObjects(Cell(0, 0)).getCount(), 0);
  EXPECT_EQ(g.toString(), "");
  sb::Object *o = objectAt(Vector(10, 3));
  EXPECT_EQ(g.insertObject(o), -1);
  EXPECT_EQ(g.insertObject(nullptr), -1);
  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(log, "Grid::getObjects(): Error! grid is NULL"));
  EXPECT_TRUE(sbtest::hasMessage(log, "Grid::toString(): Error! grid is NULL"));
  EXPECT_TRUE(sbtest::hasMessage(log, "Grid::insertObject(): Error! grid is NULL"));

  ASSERT_EQ(g.startUp(), 0);
  EXPECT_EQ(g.insertObject(nullptr), -1);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(), "Grid::insertObject(): Error! Object is NULL"));
  EXPECT_EQ(g.insertObject(o), 0);
  EXPECT_EQ(g.getObjects(Cell(0, 0)).getCount(), 1);
  EXPECT_EQ(g.removeObject(o), 0);
  EXPECT_EQ(g.getObjects(Cell(0, 0)).getCount(), 0);
  EXPECT_EQ(g.removeObject(o), 0);  // not there: passed over
  g.shutDown();
  EXPECT_EQ(g.getObjects(Cell(0, 0)).getCount(), 0);
  EXPECT_EQ(g.startUp(), 0);  // allowed again after shut-down
}

// A grid of its own knows no scene graph: resizing it files nothing of the
// world's, and before start-up it only takes the size.
TEST(Grid, StandaloneGridResizesEmpty) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  objectAt(Vector(10, 3));
  sb::Grid g;
  g.setDimensions(5, 4);
  EXPECT_EQ(g.getObjects(Cell(0, 0)).getCount(), 0);  // no cells yet
  ASSERT_EQ(g.startUp(), 0);
  g.setDimensions(10, 10);
  EXPECT_EQ(g.getWidth(), 10);
  EXPECT_EQ(g.toString().find("Object"), std::string::npos) << g.toString();
  EXPECT_EQ(grid().getObjects(Cell(0, 0)).getCount(), 1);  // the world's grid keeps it
}

TEST(Grid, BadSizesAreRefused) {
  for (const char *config : {"headless:true,\ngrid_width:0,\n", "headless:true,\ngrid_height:-3,\n"}) {
    sb::Config::getInstance().loadConfig(std::string(config).substr(15));
    sb::Grid g;
    EXPECT_EQ(g.startUp(), -1) << config;
    EXPECT_EQ(g.getObjects(Cell(0, 0)).getCount(), 0);
    sb::Config::getInstance().setGridWidth(20);
    sb::Config::getInstance().setGridHeight(8);
  }
  // A world whose grid cannot start does not start either.
  EXPECT_EQ(sbtest::startEngine("headless:true,\ngrid_width:0,\n"), -1);
  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(log, "Error starting world manager!")) << log;
  EXPECT_TRUE(sbtest::hasMessage(log, "WorldManager::startUp(): Error! Unable to startup "
                                      "Scenegraph"));
  EXPECT_FALSE(sb::WorldManager::getInstance().isStarted());
}

TEST(Grid, TextDump) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\ngrid_width:2,\ngrid_height:2,\n"), 0);
  sb::Object *ball = objectAt(Vector(1, 1));   // cell (0, 0)
  sb::Object *wall = objectAt(Vector(3, 1));   // cell (1, 0)
  sb::Object *away = objectAt(Vector(10, 10));  // out of bounds
  sb::Object *pair = objectAt(Vector(3, 1.2f));  // cell (1, 0), after wall
  ball->setType("Ball");
  wall->setType("Wall");
  away->setType("Away");
  pair->setType("Pair");
  auto tag = [](const sb::Object *o) { return o->getType() + "(" + std::to_string(o->getId()) + ")"; };
  std::string expected = "dimensions: (2,2)\n"
                         "Cell (0,0): " + tag(ball) + "\n"
                         "Cell (1,0): " + tag(wall) + " " + tag(pair) + "\n"
                         "Cell (0,1):\n"
                         "Cell (1,1):\n"
                         "Out of bounds:  " + tag(away);
  EXPECT_EQ(grid().toString(), expected);

  grid().print();
  std::vector<std::string> lines = sbtest::logMessages(sbtest::readLog());
  auto at = std::find(lines.begin(), lines.end(), "GRID");
  ASSERT_NE(at, lines.end());
  std::vector<std::string> printed(at, lines.end());
  std::vector<std::string> wanted = {"GRID",
                                     "dimensions: (2,2)",
                                     "Cell (0,0):count=1",
                                     " " + tag(ball),
                                     "Cell (1,0):count=2",
                                     " " + tag(wall) + " " + tag(pair),
                                     "Cell (0,1):count=0",
                                     "",
                                     "Cell (1,1):count=0",
                                     "",
                                     "Out of bounds: count=1",
                                     " " + tag(away)};
  EXPECT_EQ(printed, wanted);
}

}  // namespace
