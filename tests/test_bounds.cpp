// Values at and beyond the edges of their types: enumeration values outside
// their lists, numbers too large or not numbers at all where counts, cells and
// sizes are made, and counters at the largest int. Each must be refused or
// clamped with the engine still working; the sanitizer build reports any
// undefined behaviour on the way.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "DisplayManager.h"
#include "EventView.h"
#include "Firework.h"
#include "Fraps.h"
#include "GameManager.h"
#include "Object.h"
#include "Particle.h"
#include "Precipitation.h"
#include "Shape.h"
#include "Splash.h"
#include "SplashSorbelane.h"
#include "ViewObject.h"
#include "WorldManager.h"
#include "utility.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

using sbtest::world;

TEST(Bounds, ClampToIntTable) {
  struct Case {
    double in;
    int out;
  } cases[] = {{0.0, 0},          {-0.9, 0},           {2.7, 2},
               {-2.7, -2},        {1e300, INT_MAX},    {-1e300, INT_MIN},
               {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}, {std::nan(""), 0},
               {HUGE_VAL, INT_MAX}, {-HUGE_VAL, INT_MIN}};
  for (const Case &c : cases) EXPECT_EQ(sb::clampToInt(c.in), c.out) << c.in;
}

TEST(Bounds, EnumerationValuesOutsideTheirListsAreRefused) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  for (int bad : {-7, 9, 42, INT_MAX}) {
    unsigned char r = 1, g = 2, b = 3;
    sb::colorToRGB(static_cast<sb::Color>(bad), r, g, b);
    sb::colorToSFML(static_cast<sb::Color>(bad));
    sb::Object *p_o = new sb::Object;
    EXPECT_EQ(p_o->setSolidness(static_cast<sb::Solidness>(bad)), -1);
    EXPECT_EQ(p_o->getSolidness(), sb::HARD);
    sb::Shape shape;
    shape.setType(static_cast<sb::ShapeType>(bad));
    EXPECT_EQ(shape.getType(), sb::CIRCLE);
    EXPECT_EQ(sb::addParticles(static_cast<sb::PrecipitationType>(bad), sb::DOWN), 0);
    EXPECT_EQ(sb::addParticles(sb::RAIN, static_cast<sb::Direction>(bad), 1.0f), -1);
    EXPECT_EQ(sb::addParticles(1, 0, sb::Vector(5, 5), 0, sb::Vector(1, 0), 0, 1, 0, 0.1f, 0, 10,
                               0, 255, 0, 255, 255, 255, 0,
                               static_cast<sb::ParticleClass>(bad)),
              -1);
  }
}

// Counts, cells and sizes made from wild numbers are clamped or refused, and
// nothing is allocated for what a number merely claims.
TEST(Bounds, WildNumbersNeverReachACast) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  for (float wild : {kNaN, kInf, -kInf, 1e30f, -1e30f}) {
    EXPECT_EQ(sb::addParticles(sb::SPARKS, sb::Vector(5, 5), wild), -1) << wild;
    if (!(wild >= 0)) {
      EXPECT_EQ(sb::addParticles(sb::RAIN, sb::DOWN, wild), -1) << wild;
    }
    // A far-away or undefined position still finds its grid cells (none).
    sb::Object *p_o = new sb::Object;
    p_o->setPosition(sb::Vector(wild, -wild));
    world().moveObject(p_o, sb::Vector(wild, 3));
    world().getCollisions(p_o, sb::Vector(3, wild));
    world().markForDelete(p_o);
  }
  world().update();
  // A huge density is capped, not allocated as asked.
  int before = world().getAllObjects(true).getCount();
  EXPECT_EQ(sb::addParticles(sb::STARS, sb::DOWN, 1e30f), 0);
  int made = world().getAllObjects(true).getCount() - before;
  EXPECT_GT(made, 0);
  EXPECT_LE(made, sb::MAX_PRECIPITATION);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "capped at"), 1);
}

TEST(Bounds, CountersStopAtTheLargestInt) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *a = new sb::Object;
  a->setId(INT_MAX);
  sb::Object *b = new sb::Object;
  sb::Object *c = new sb::Object;
  EXPECT_EQ(b->getId(), INT_MAX);
  EXPECT_EQ(c->getId(), INT_MAX);

  sb::ViewObject *score = new sb::ViewObject;
  score->setViewString("Score");
  score->setValue(INT_MAX - 1);
  sb::EventView up("Score", 10, true);
  score->eventHandler(&up);
  EXPECT_EQ(score->getValue(), INT_MAX);
  score->setValue(INT_MIN + 1);
  sb::EventView down("Score", -10, true);
  score->eventHandler(&down);
  EXPECT_EQ(score->getValue(), INT_MIN);
}

// Game code may hand any handler a null event or its own event under an
// engine type name: every engine object ignores both.
TEST(Bounds, HandlersIgnoreNullAndForeignEvents) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::ViewObject *view = new sb::ViewObject;
  view->setViewString("Score");
  view->setValue(7);
  sb::Object *objects[] = {new sb::Object,
                           view,
                           new sb::Fraps,
                           new sb::Particle(1, 5, 255, 1, 2, 3),
                           new sb::Firework(1, 5, 255, 1, 2, 3),
                           new sb::Precipitation(1, sb::DOWN, 255, 1, 2, 3),
                           new sb::Splash,
                           new sb::SplashSorbelane(sb::Vector(5, 5))};
  sb::Event foreign_view;
  foreign_view.setType(sb::VIEW_EVENT);
  for (sb::Object *p_o : objects) {
    EXPECT_EQ(p_o->eventHandler(nullptr), 0) << p_o->getType();
    p_o->eventHandler(&foreign_view);
  }
  EXPECT_EQ(view->getValue(), 7);
}

TEST(Bounds, WindowCellCountsMustBePositive) {
  for (const char *cells : {"window_horizontal_chars:0,\n", "window_vertical_chars:-3,\n"}) {
    EXPECT_EQ(sbtest::startEngine(std::string("headless:true,\n") + cells), -1) << cells;
    EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "characters must be positive."), 1)
        << sbtest::readLog();
    sb::GameManager::getInstance().shutDown();
  }
  // Beyond any screen: refused before a cell is allocated, in a window, a
  // terminal or headless alike.
  for (const char *cells : {"window_horizontal_chars:100000,\nwindow_vertical_chars:100000,\n",
                            "window_horizontal_chars:4097,\n", "window_vertical_chars:5000,\n"}) {
    EXPECT_EQ(sbtest::startEngine(std::string("headless:true,\n") + cells), -1) << cells;
    EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "characters is more than 4096 a side."), 1)
        << sbtest::readLog();
    sb::GameManager::getInstance().shutDown();
  }
  EXPECT_EQ(sbtest::startEngine("headless:true,\nwindow_horizontal_chars:4096,\n"), 0);
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
