// View objects: placement on the view, the border's effect on it, view events
// by tag, modified flags, and what they draw in a real window.
#include <gtest/gtest.h>

#include <SFML/Graphics.hpp>
#include <functional>
#include <set>
#include <string>
#include <utility>

#include "DisplayManager.h"
#include "EventView.h"
#include "LogManager.h"
#include "ViewObject.h"
#include "WorldManager.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

using sbtest::HEADLESS;

using sbtest::Cells;
using sbtest::cellsWithColor;

void expectAt(const sb::ViewObject *v, float x, float y) {
  EXPECT_NEAR(v->getPosition().getX(), x, 0.01);
  EXPECT_NEAR(v->getPosition().getY(), y, 0.01);
}

TEST(ViewObjectPlacement, DefaultsAndLocationsOnAnEightyByTwentyFourView) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::ViewObject *v = new sb::ViewObject;
  EXPECT_EQ(v->getType(), "ViewObject");
  EXPECT_EQ(v->getSolidness(), sb::SPECTRAL);
  EXPECT_EQ(v->getAltitude(), 4);
  EXPECT_EQ(v->getLocation(), sb::TOP_CENTER);
  EXPECT_EQ(v->getColor(), sb::WHITE);
  EXPECT_TRUE(v->getBorder());
  EXPECT_TRUE(v->getDrawValue());
  EXPECT_EQ(v->getValue(), 0);
  expectAt(v, 40, 1);

  struct Case {
    sb::ViewObjectLocation location;
    bool border;
    float x, y;
  };
  const Case cases[] = {
      {sb::TOP_LEFT, true, 13.33f, 1},       {sb::TOP_RIGHT, false, 66.67f, 0},
      {sb::CENTER_LEFT, true, 13.33f, 12},   {sb::CENTER_CENTER, true, 40, 12},
      {sb::CENTER_RIGHT, false, 66.67f, 11}, {sb::BOTTOM_LEFT, true, 13.33f, 22},
      {sb::BOTTOM_CENTER, false, 40, 23},    {sb::BOTTOM_RIGHT, false, 66.67f, 23},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.location);
    v->setBorder(c.border);
    EXPECT_EQ(v->setLocation(c.location), 0);
    EXPECT_EQ(v->getLocation(), c.location);
    expectAt(v, c.x, c.y);
  }
}

TEST(ViewObjectPlacement, BorderMovesOnlyLocatedObjects) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::ViewObject *v = new sb::ViewObject;
  v->setBorder(false);
  expectAt(v, 40, 0);
  v->setBorder(true);
  expectAt(v, 40, 1);

  EXPECT_EQ(v->setPosition(sb::Vector(10, 5)), 0);
  EXPECT_EQ(v->getLocation(), sb::UNDEFINED_LOCATION);
  v->setBorder(false);
  expectAt(v, 10, 5);

  // Out of range: logged, nothing changes.
  EXPECT_EQ(v->setLocation(static_cast<sb::ViewObjectLocation>(9)), -1);
  expectAt(v, 10, 5);
  EXPECT_EQ(v->getLocation(), sb::UNDEFINED_LOCATION);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(),
                            "ViewObject::setLocation(): Warning! Location out of range (9). "
                            "Ignored."),
            1);
}

TEST(ViewObjectEvents, TaggedEventsSetOrChangeTheValue) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::ViewObject *score = new sb::ViewObject;
  score->setViewString("Score");
  score->setValue(7);
  sb::ViewObject *lives = new sb::ViewObject;
  lives->setViewString("Lives");
  lives->setValue(3);

  sb::EventView add("Score", 5, true);
  EXPECT_EQ(score->eventHandler(&add), 1);
  EXPECT_EQ(score->getValue(), 12);
  EXPECT_EQ(lives->eventHandler(&add), 0);
  EXPECT_EQ(lives->getValue(), 3);

  // Through the world manager: the registered interest reaches every view object.
  sb::EventView set("Score", 5, false);
  EXPECT_EQ(sb::WorldManager::getInstance().onEvent(&set), 2);
  EXPECT_EQ(score->getValue(), 5);
  EXPECT_EQ(lives->getValue(), 3);
  sb::EventView other("Time", 100, false);
  sb::WorldManager::getInstance().onEvent(&other);
  EXPECT_EQ(score->getValue(), 5);

  sb::Event plain;
  plain.setType("game-thing");
  EXPECT_EQ(score->eventHandler(&plain), 0);
}

// Lets a test clear the flags that only serialization clears.
class FlagView : public sb::ViewObject {
 public:
  void clearViewFlags() {
    for (int i = 0; i < sb::VIEW_ATTR_COUNT; i++)
      setViewModified(static_cast<sb::ViewObjectAttribute>(i), false);
  }
  int countSet() const {
    int count = 0;
    for (int i = 0; i < sb::VIEW_ATTR_COUNT; i++)
      count += isModified(static_cast<sb::ViewObjectAttribute>(i));
    return count;
  }
};

TEST(ViewObjectFlags, SettersMarkWhatChanged) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  FlagView *v = new FlagView;
  EXPECT_EQ(v->countSet(), sb::VIEW_ATTR_COUNT);

  v->clearViewFlags();
  v->setViewString("");
  v->setValue(0);
  v->setColor(sb::WHITE);
  v->setBorder(true);
  v->setLocation(sb::TOP_CENTER);  // same place, but the location is set again
  EXPECT_EQ(v->countSet(), 1);
  EXPECT_TRUE(v->isModified(sb::LOCATION));

  struct Case {
    std::function<void()> change;
    sb::ViewObjectAttribute flag;
  };
  const Case cases[] = {{[v] { v->setViewString("Hp"); }, sb::VIEW_STRING},
                        {[v] { v->setValue(4); }, sb::VALUE},
                        {[v] { v->setColor(sb::RED); }, sb::COLOR},
                        {[v] { v->setPosition(sb::Vector(3, 3)); }, sb::LOCATION},
                        {[v] { v->setBorder(false); }, sb::BORDER}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.flag);
    v->clearViewFlags();
    c.change();
    EXPECT_TRUE(v->isModified(c.flag));
    EXPECT_EQ(v->countSet(), 1);
  }

  v->clearViewFlags();
  v->setDrawValue(false);
  EXPECT_EQ(v->countSet(), 0);
  EXPECT_FALSE(v->isModified(static_cast<sb::ViewObjectAttribute>(17)));

  sb::EventView event("Hp", 2, true);
  v->eventHandler(&event);
  EXPECT_TRUE(v->isModified(sb::VALUE));
}

// A window of 80 x 24 cells of 10 x 20 pixels; font scale 1 keeps glyphs in their cells.
std::string viewWindowConfig() {
  return "window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\nfont_scale:1,\n"
         "window_title:ViewObjectTest,\n" +
         sbtest::fontConfig();
}

void addRow(Cells &cells, int y, int from, int to) {
  for (int x = from; x <= to; x++) cells.insert({x, y});
}

TEST(ViewObjectWindow, TextDashesAndBarsLandInTheirCells) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine(viewWindowConfig()), 0) << sbtest::readLog();
  sb::WorldManager &world_manager = sb::WorldManager::getInstance();
  // A larger world with the view moved: view objects stay put on the screen.
  world_manager.setBoundary(sb::Box(sb::Vector(0, 0), 200, 100));
  world_manager.setView(sb::Box(sb::Vector(30, 20), 80, 24));

  sb::ViewObject *framed = new sb::ViewObject;  // TOP_CENTER: (40, 1)
  framed->setViewString("Score");
  framed->setValue(7);
  framed->setColor(sb::YELLOW);
  sb::ViewObject *plain = new sb::ViewObject;
  plain->setViewString("Score");
  plain->setValue(7);
  plain->setBorder(false);
  plain->setLocation(sb::CENTER_CENTER);  // (40, 11)
  plain->setColor(sb::CYAN);
  sb::ViewObject *label = new sb::ViewObject;
  label->setViewString("Hi");
  label->setDrawValue(false);
  label->setBorder(false);
  label->setPosition(sb::Vector(10, 20));
  label->setColor(sb::MAGENTA);

  sb::DisplayManager::getInstance().swapBuffers();
  world_manager.draw();
  sf::Image image = sbtest::screenshot();
  ASSERT_EQ(image.getSize(), sf::Vector2u(800, 480));

  // " Score 7 " over columns 36..44 of row 1; dashes above and below the
  // same columns; bars in columns 35 and 45; corners empty.
  Cells framed_cells;
  addRow(framed_cells, 0, 36, 44);
  addRow(framed_cells, 2, 36, 44);
  addRow(framed_cells, 1, 37, 41);
  framed_cells.insert({43, 1});
  framed_cells.insert({35, 1});
  framed_cells.insert({45, 1});
  EXPECT_EQ(cellsWithColor(image, sf::Color::Yellow), framed_cells);

  // "Score 7" over columns 37..43 of row 11, nothing around it.
  Cells plain_cells;
  addRow(plain_cells, 11, 37, 41);
  plain_cells.insert({43, 11});
  EXPECT_EQ(cellsWithColor(image, sf::Color::Cyan), plain_cells);

  // "Hi" centred on column 10: columns 9 and 10.
  Cells label_cells;
  addRow(label_cells, 20, 9, 10);
  EXPECT_EQ(cellsWithColor(image, sf::Color::Magenta), label_cells);
}

}  // namespace
