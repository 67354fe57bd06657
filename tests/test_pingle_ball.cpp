// The ball of the object test: placement, random velocities, reflection at
// the world's edges, its events and its look in a real window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

#include <SFML/Graphics.hpp>

#include "DisplayManager.h"
#include "EventCollision.h"
#include "EventOut.h"
#include "EventStep.h"
#include "GameManager.h"
#include "WorldManager.h"
#include "utility.h"

#include "Ball.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

class BallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sbtest::startEngine("headless:true,\n" + sbtest::fontConfig()), 0);
  }
  void TearDown() override { sb::GameManager::getInstance().shutDown(); }

  // A ball at a chosen place with a chosen velocity.
  static Ball *ballAt(sb::Vector position, sb::Vector velocity) {
    Ball *ball = new Ball;
    ball->setPosition(position);
    ball->setVelocity(velocity);
    return ball;
  }
};

void expectNear(sb::Vector actual, float x, float y) {
  EXPECT_NEAR(actual.getX(), x, 1e-5) << "(" << actual.getX() << ", " << actual.getY() << ")";
  EXPECT_NEAR(actual.getY(), y, 1e-5) << "(" << actual.getX() << ", " << actual.getY() << ")";
}

// 1/k for some k in 1..max, with either sign.
bool isUnitFraction(float value, int max) {
  float k = 1.0f / std::fabs(value);
  return std::fabs(k - std::round(k)) < 1e-3f && std::round(k) >= 1 && std::round(k) <= max;
}

TEST_F(BallTest, ReflectsOffEachEdgeBackInside) {
  Ball *left = ballAt(sb::Vector(-0.5f, 3), sb::Vector(-0.5f, 0.25f));
  left->out();
  expectNear(left->getPosition(), 1, 3);
  expectNear(left->getVelocity(), 0.5f, 0.25f);

  Ball *right = ballAt(sb::Vector(80.2f, 7), sb::Vector(1, -0.1f));
  right->out();
  expectNear(right->getPosition(), 78, 7);
  expectNear(right->getVelocity(), -1, -0.1f);

  Ball *top = ballAt(sb::Vector(40, -0.3f), sb::Vector(0.2f, -0.5f));
  top->out();
  expectNear(top->getPosition(), 40, 1);
  expectNear(top->getVelocity(), 0.2f, 0.5f);

  Ball *bottom = ballAt(sb::Vector(12, 24.5f), sb::Vector(-0.1f, 1));
  bottom->out();
  expectNear(bottom->getPosition(), 12, 22);
  expectNear(bottom->getVelocity(), -0.1f, -1);
}

TEST_F(BallTest, CornerReflectsBothAxesInOneCall) {
  Ball *ball = ballAt(sb::Vector(79.5f, 24), sb::Vector(0.5f, 0.5f));
  sb::EventOut event;
  EXPECT_EQ(ball->eventHandler(&event), 1);
  expectNear(ball->getPosition(), 78, 22);
  expectNear(ball->getVelocity(), -0.5f, -0.5f);

  Ball *origin = ballAt(sb::Vector(-1, -1), sb::Vector(-1, -1));
  origin->out();
  expectNear(origin->getPosition(), 1, 1);
  expectNear(origin->getVelocity(), 1, 1);
}

// Moved by the world, a ball heading out is turned back by the out event.
TEST_F(BallTest, WorldUpdatesTurnABallBackAtTheEdges) {
  Ball *ball = ballAt(sb::Vector(78, 20), sb::Vector(1, 0.5f));
  for (int i = 0; i < 12; i++) {
    sb::WorldManager::getInstance().update();
    EXPECT_LT(ball->getPosition().getX(), 81);
    EXPECT_LT(ball->getPosition().getY(), 25);
  }
  EXPECT_LT(ball->getVelocity().getX(), 0);
  EXPECT_LT(ball->getVelocity().getY(), 0);
  EXPECT_TRUE(ball->getPosition().getX() >= 0 && ball->getPosition().getX() < 80);
  EXPECT_TRUE(ball->getPosition().getY() >= 0 && ball->getPosition().getY() < 24);
}

TEST_F(BallTest, VelocitiesAreSignedUnitFractions) {
  std::set<int> x_divisors, y_divisors;
  bool x_signs[2] = {false, false}, y_signs[2] = {false, false};
  Ball *ball = new Ball;
  for (int i = 0; i < 3000; i++) {
    ball->setVel();
    sb::Vector v = ball->getVelocity();
    ASSERT_TRUE(isUnitFraction(v.getX(), 10)) << v.getX();
    ASSERT_TRUE(isUnitFraction(v.getY(), 80)) << v.getY();
    x_divisors.insert(static_cast<int>(std::round(1 / std::fabs(v.getX()))));
    y_divisors.insert(static_cast<int>(std::round(1 / std::fabs(v.getY()))));
    x_signs[v.getX() > 0] = true;
    y_signs[v.getY() > 0] = true;
  }
  EXPECT_EQ(x_divisors.size(), 10u);
  EXPECT_EQ(y_divisors.size(), 80u);
  EXPECT_TRUE(x_signs[0] && x_signs[1] && y_signs[0] && y_signs[1]);
}

TEST_F(BallTest, SameSeedSameBalls) {
  auto make = [](unsigned seed) {
    srand(seed);
    std::vector<Ball *> balls;
    for (int i = 0; i < 20; i++) balls.push_back(new Ball);
    return balls;
  };
  std::vector<Ball *> first = make(7), second = make(7);
  bool any_differ = false;
  for (size_t i = 0; i < first.size(); i++) {
    sb::Vector p = first[i]->getPosition();
    EXPECT_EQ(p.getX(), second[i]->getPosition().getX());
    EXPECT_EQ(p.getY(), second[i]->getPosition().getY());
    EXPECT_EQ(first[i]->getVelocity().getX(), second[i]->getVelocity().getX());
    EXPECT_EQ(first[i]->getVelocity().getY(), second[i]->getVelocity().getY());
    EXPECT_EQ(first[i]->getColor(), second[i]->getColor());
    // Whole cells inside the 80 x 24 world.
    EXPECT_EQ(p.getX(), std::floor(p.getX()));
    EXPECT_TRUE(p.getX() >= 0 && p.getX() < 80 && p.getY() >= 0 && p.getY() < 24);
    any_differ = any_differ || p.getX() != first[0]->getPosition().getX();
  }
  EXPECT_TRUE(any_differ);
  EXPECT_EQ(first[0]->getType(), "ball");
  EXPECT_EQ(first[0]->getSolidness(), sb::HARD);
}

// A collision draws a fresh velocity: the same as setVel() would from the same
// random state, not a reflection of the old one. Other events change nothing.
TEST_F(BallTest, CollisionDrawsAFreshVelocity) {
  Ball *ball = ballAt(sb::Vector(10, 10), sb::Vector(0.5f, 0.5f));
  Ball *other = ballAt(sb::Vector(11, 10), sb::Vector(0, 0));
  srand(1234);
  sb::EventCollision event(ball, other, sb::Vector(11, 10));
  EXPECT_EQ(ball->eventHandler(&event), 1);
  sb::Vector after = ball->getVelocity();
  srand(1234);
  other->setVel();
  expectNear(after, other->getVelocity().getX(), other->getVelocity().getY());
  expectNear(ball->getPosition(), 10, 10);

  // Any other event is ignored.
  sb::EventStep step(3);
  EXPECT_EQ(ball->eventHandler(&step), 0);
  expectNear(ball->getVelocity(), after.getX(), after.getY());
}

// In a window of 10 x 20 pixel cells on blue, a ball shows as an "o" in its
// colour in its own cell and nowhere else.
TEST(BallWindow, DrawsAnOInItsColourInItsCell) {
  ASSERT_TRUE(sbtest::ensureDisplay());
  ASSERT_EQ(sbtest::startEngine("window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n"
                                "window_background_color:blue,\nfont_scale:1,\n" +
                                sbtest::fontConfig()),
            0)
      << sbtest::readLog();
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  Ball *ball = new Ball;
  while (ball->getColor() == sb::BLUE) {
    sb::WorldManager::getInstance().markForDelete(ball);
    ball = new Ball;
  }
  ball->setPosition(sb::Vector(12, 5));
  ASSERT_EQ(dm.swapBuffers(), 0);
  EXPECT_EQ(ball->draw(), 0);
  sf::Image image = sbtest::screenshot();
  ASSERT_EQ(image.getSize(), sf::Vector2u(800, 480));

  // Antialiasing blends the glyph's edges into the background, so every
  // drawn pixel lies in the ball's cell (with the display's shift of a pixel
  // or two to the left) and some have exactly its colour.
  sf::Color color = sb::colorToSFML(ball->getColor());
  int drawn = 0, outside = 0, exact = 0;
  for (unsigned int y = 0; y < 480; y++)
    for (unsigned int x = 0; x < 800; x++) {
      sf::Color pixel = image.getPixel(x, y);
      if (pixel == sf::Color::Blue) continue;
      drawn++;
      if (x < 118 || x >= 130 || y < 100 || y >= 120) outside++;
      if (pixel == color) exact++;
    }
  EXPECT_GT(drawn, 20);
  EXPECT_EQ(outside, 0);
  EXPECT_GT(exact, 0) << "colour " << ball->getColor();
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
