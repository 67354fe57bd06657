// The display's parts against SFML's own arithmetic (seeded random pieces),
// and what the display manager reports of its back end across start-ups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include <SFML/Graphics.hpp>

#include "DisplayManager.h"
#include "GameManager.h"
#include "Placement.h"
#include "PolygonGeometry.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

bool near(float a, float b, float scale) { return std::fabs(a - b) <= 1e-4f * (1 + scale); }

// A placed point lands where SFML's view times piece transform puts it, on
// a plain view (the quick path) and on turned, zoomed and moved ones.
TEST(DisplayGeometry, PlacementIsTheViewTimesThePiece) {
  std::mt19937 random(33);
  std::uniform_real_distribution<float> coordinate(-500, 1500), unit(-20, 20);
  for (int trial = 0; trial < 400; trial++) {
    sf::View view(sf::FloatRect(0, 0, 1024, 768));
    if (trial % 2) view.setRotation(static_cast<float>(random() % 360));
    if (trial % 3 == 0) view.zoom(0.5f + static_cast<float>(random() % 4));
    if (trial % 5 == 0) view.move(unit(random), unit(random));
    float x = coordinate(random), y = coordinate(random);
    float rotation = trial % 4 == 0 ? static_cast<float>(random() % 360) : 0.0f;
    sb::Placement placement = sb::Placement::of(view, x, y, rotation);
    sf::Transformable piece;
    piece.setPosition(x, y);
    piece.setRotation(rotation);
    sf::Transform whole = view.getTransform() * piece.getTransform();
    float px = unit(random), py = unit(random);
    sf::Vector2f ours = placement.apply(px, py), theirs = whole.transformPoint(px, py);
    ASSERT_TRUE(near(ours.x, theirs.x, 1) && near(ours.y, theirs.y, 1))
        << "trial " << trial << ": (" << ours.x << ", " << ours.y << ") against (" << theirs.x
        << ", " << theirs.y << ")";
  }
}

// A polygon's bounds are the extremes of its turned corners (a circle's for
// many corners), so a terminal fills the cells the shape covers.
TEST(DisplayGeometry, PolygonBoundsAreTheExtremesOfTheTurnedCorners) {
  std::mt19937 random(34);
  std::uniform_real_distribution<float> coordinate(-100, 900), radius(0.1f, 200);
  for (int trial = 0; trial < 300; trial++) {
    float x = coordinate(random), y = coordinate(random), r = radius(random);
    std::size_t count = 3 + random() % 90;
    float rotation = trial % 2 ? static_cast<float>(random() % 360) : 0.0f;
    sf::CircleShape circle(r, count);
    circle.setPosition(x, y);
    circle.setRotation(rotation);
    sf::Vector2f first = circle.getTransform().transformPoint(circle.getPoint(0));
    sf::FloatRect theirs(first, sf::Vector2f(0, 0));  // the turned corners' extremes
    for (std::size_t i = 1; i < count; i++) {
      sf::Vector2f p = circle.getTransform().transformPoint(circle.getPoint(i));
      float right = std::max(theirs.left + theirs.width, p.x);
      float bottom = std::max(theirs.top + theirs.height, p.y);
      theirs.left = std::min(theirs.left, p.x);
      theirs.top = std::min(theirs.top, p.y);
      theirs.width = right - theirs.left;
      theirs.height = bottom - theirs.top;
    }
    sb::PolygonGeometry::Bounds ours = sb::PolygonGeometry::bounds(x, y, r, count, rotation);
    float scale = std::fabs(x) + std::fabs(y) + r;
    if (count <= sb::PolygonGeometry::CACHED_CORNERS) {
      ASSERT_TRUE(near(ours.left, theirs.left, scale) && near(ours.top, theirs.top, scale) &&
                  near(ours.right, theirs.left + theirs.width, scale) &&
                  near(ours.bottom, theirs.top + theirs.height, scale))
          << "trial " << trial << ", " << count << " corners";
    } else {  // the circle's bounds hold every corner
      ASSERT_LE(ours.left, theirs.left + 1e-3f * scale) << "trial " << trial;
      ASSERT_GE(ours.right, theirs.left + theirs.width - 1e-3f * scale) << "trial " << trial;
      ASSERT_LE(ours.top, theirs.top + 1e-3f * scale) << "trial " << trial;
      ASSERT_GE(ours.bottom, theirs.top + theirs.height - 1e-3f * scale) << "trial " << trial;
    }
  }
}

// The window's queries while it is open and once it is closed: the count of
// collected draws goes on from earlier start-ups instead of starting again.
TEST(DisplayWindow, BackEndQueriesBeforeAndAfterShutDown) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine(sbtest::fontConfig()), 0) << sbtest::readLog();
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  EXPECT_TRUE(dm.hasWindow());
  EXPECT_FALSE(dm.isTerminal());
  EXPECT_EQ(dm.getTerminal(), nullptr);
  EXPECT_TRUE(dm.getBatching());
  long long draws = dm.getBatchDraws();
  EXPECT_EQ(dm.drawCh(sb::Vector(2, 2), 'x', sb::GREEN), 0);
  EXPECT_EQ(dm.drawPolygon(40, 40, 5, 6, 0, sf::Color::Red), 0);
  EXPECT_EQ(dm.swapBuffers(), 0);
  EXPECT_EQ(dm.getBatchDraws(), draws + 1);
  sb::GameManager::getInstance().shutDown();

  EXPECT_FALSE(dm.hasWindow());
  EXPECT_EQ(dm.getWindow(), nullptr);
  EXPECT_EQ(dm.getBatchDraws(), draws + 1);
  EXPECT_EQ(dm.drawPolygon(40, 40, 5, 6, 0, sf::Color::Red), -1);
}

}  // namespace
