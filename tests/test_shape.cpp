// Shapes: where and how large circles, squares and triangles come out in a
// real window, their colours and opacity, point counts, the default size,
// and the refusals.
#include <gtest/gtest.h>

#include <string>

#include <SFML/Graphics.hpp>

#include "DisplayManager.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Shape.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

// 10 x 20 pixel cells, font scale 2; the cell (40, 12) is pixel (400, 240).
std::string shapeWindowConfig() {
  return "window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n" + sbtest::fontConfig();
}

// Draws one shape of size 20 on a cleared screen and returns the box of its colour.
sbtest::PixelBox drawAlone(sb::Shape &shape, sf::Color color) {
  sb::DisplayManager::getInstance().swapBuffers();
  shape.draw(sb::Vector(40, 12));
  return sbtest::colorBox(sbtest::screenshot(), color);
}

void expectBox(const sbtest::PixelBox &box, int left, int top, int right, int bottom) {
  EXPECT_GT(box.count, 0);
  EXPECT_NEAR(box.left, left, 1);
  EXPECT_NEAR(box.top, top, 1);
  EXPECT_NEAR(box.right, right, 1);
  EXPECT_NEAR(box.bottom, bottom, 1);
}

TEST(ShapeWindow, FiguresComeOutWhereAndAsLargeAsTheyShould) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine(shapeWindowConfig()), 0) << sbtest::readLog();

  sb::Shape shape;
  EXPECT_EQ(shape.getSize(), 20.0f);  // the smaller cell side, 10, times font scale 2
  shape.setColor(sb::RED);

  // Circle: radius 20 with its bounding square's corner at (390, 230); ten points.
  sbtest::PixelBox circle = drawAlone(shape, sf::Color::Red);
  expectBox(circle, 391, 230, 428, 269);
  EXPECT_EQ(sb::Shape::figure().getPointCount(), 10u);
  EXPECT_EQ(sb::Shape::figure().getRadius(), 20.0f);

  // Square: radius 20 / 2 turned 45 degrees about (410, 228.57): an upright
  // square of side 10 * sqrt(2).
  shape.setType(sb::SQUARE);
  sbtest::PixelBox square = drawAlone(shape, sf::Color::Red);
  expectBox(square, 403, 236, 416, 249);
  EXPECT_NEAR(square.count, 200, 30);

  // Triangle after a square: radius 10, point up, not turned.
  shape.setType(sb::TRIANGLE);
  sbtest::PixelBox triangle = drawAlone(shape, sf::Color::Red);
  expectBox(triangle, 391, 230, 408, 244);
  EXPECT_EQ(sb::Shape::figure().getRotation(), 0.0f);

  // A circle after a square is not turned either.
  shape.setType(sb::SQUARE);
  drawAlone(shape, sf::Color::Red);
  shape.setType(sb::CIRCLE);
  expectBox(drawAlone(shape, sf::Color::Red), 391, 230, 428, 269);

  // Colours: RGB form, then a named colour overwrites the RGB fields.
  shape.setColor(10, 20, 30);
  EXPECT_EQ(shape.getColor(), sb::CUSTOM);
  EXPECT_EQ(drawAlone(shape, sf::Color(10, 20, 30)).count, circle.count);
  shape.setColor(sb::GREEN);
  EXPECT_EQ(drawAlone(shape, sf::Color::Green).count, circle.count);
  EXPECT_EQ(shape.getRed(), 0);
  EXPECT_EQ(shape.getGreen(), 255);
  EXPECT_EQ(shape.getBlue(), 0);

  // Half opacity over the black background.
  shape.setOpacity(128);
  sb::DisplayManager::getInstance().swapBuffers();
  shape.draw(sb::Vector(40, 12));
  sf::Color middle = sbtest::screenshot().getPixel(410, 250);
  EXPECT_EQ(middle.r, 0);
  EXPECT_NEAR(middle.g, 128, 2);
  EXPECT_EQ(middle.b, 0);

  // Point counts follow the size between 3 and 10; the radius is the size.
  const float sizes[] = {2.0f, 6.7f, 25.0f};
  const unsigned points[] = {3, 6, 10};
  for (int i = 0; i < 3; i++) {
    shape.setSize(sizes[i]);
    shape.draw(sb::Vector(10, 5));
    EXPECT_EQ(sb::Shape::figure().getPointCount(), points[i]) << sizes[i];
    EXPECT_EQ(sb::Shape::figure().getRadius(), sizes[i]);
  }

  // An undefined shape sets no geometry and draws with what the figure holds.
  shape.setType(sb::UNDEFINED_SHAPE);
  shape.draw(sb::Vector(10, 5));
  EXPECT_EQ(sb::Shape::figure().getRadius(), 25.0f);
  sb::GameManager::getInstance().shutDown();
}

TEST(ShapeHeadless, DefaultSizeTypesNamesAndNoWindow) {
  sb::LogManager::getInstance().setLogLevel(5);
  ASSERT_EQ(sbtest::startEngine("headless:true,\nwindow_horizontal_pixels:800,\n"
                                "window_vertical_pixels:480,\nfont_scale:1.5,\n"),
            0);
  sb::Shape shape;
  EXPECT_EQ(shape.getSize(), 15.0f);
  EXPECT_EQ(shape.getType(), sb::CIRCLE);
  EXPECT_EQ(shape.getColor(), sb::WHITE);
  EXPECT_EQ(shape.getOpacity(), 255);

  shape.setType(sb::SQUARE);
  shape.setType(static_cast<sb::ShapeType>(7));
  EXPECT_EQ(shape.getType(), sb::SQUARE);
  EXPECT_EQ(sb::toString(shape), "square");
  shape.setType(sb::TRIANGLE);
  EXPECT_EQ(sb::toString(shape), "triangle");
  shape.setType(sb::CIRCLE);
  EXPECT_EQ(sb::toString(shape), "circle");
  shape.setType(sb::UNDEFINED_SHAPE);
  EXPECT_EQ(shape.getType(), sb::UNDEFINED_SHAPE);
  EXPECT_EQ(sb::toString(shape), "undefined");

  shape.draw(sb::Vector(1, 1));
  std::string log = sbtest::readLog();
  EXPECT_NE(log.find("Shape::setType(): Unknown shape type 7. Ignoring."), std::string::npos);
  EXPECT_NE(log.find("Shape::draw(): DisplayManager window not defined."), std::string::npos);
}

}  // namespace
