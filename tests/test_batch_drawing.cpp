// Collected drawing: busy frames drawn once piece by piece and once collected
// into one vertex array must give the same pixels, in a real window. Also the
// polygon corners against SFML's own circle, and the order kept when someone
// draws into the window between collected pieces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <SFML/Graphics.hpp>

#include "Config.h"
#include "DisplayManager.h"
#include "GameManager.h"
#include "PixelLayer.h"
#include "Shape.h"
#include "ViewObject.h"
#include "WorldManager.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

// Where two images differ: the number of pixels and the first few of them.
std::string differences(const sf::Image &a, const sf::Image &b) {
  if (a.getSize() != b.getSize()) return "sizes differ";
  int count = 0;
  std::string first;
  for (unsigned int y = 0; y < a.getSize().y; y++)
    for (unsigned int x = 0; x < a.getSize().x; x++) {
      sf::Color p = a.getPixel(x, y), q = b.getPixel(x, y);
      if (p == q) continue;
      if (count++ < 5)
        first += " (" + std::to_string(x) + "," + std::to_string(y) + "): " +
                 std::to_string(p.r) + "/" + std::to_string(p.g) + "/" + std::to_string(p.b) +
                 " vs " + std::to_string(q.r) + "/" + std::to_string(q.g) + "/" +
                 std::to_string(q.b);
    }
  return count == 0 ? "" : std::to_string(count) + " pixels differ:" + first;
}

// Characters: every code in every colour and in RGB, on overlapping and
// fractional positions, under changing cell backgrounds and a shake; strings
// in every justification.
void drawCharacters(std::mt19937 &random) {
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  std::uniform_real_distribution<float> column(-2, 82), row(-1, 25);
  for (int code = 0; code < 256; code++) {
    sb::Color color = static_cast<sb::Color>(code % 9);  // CUSTOM draws black
    dm.drawCh(sb::Vector(static_cast<float>(code % 80), static_cast<float>(code / 80)),
              static_cast<char>(code), color);
  }
  const sb::Color backgrounds[] = {sb::BLACK, sb::BLUE, sb::RED, sb::BLACK};
  for (int i = 0; i < 600; i++) {
    if (i % 150 == 0) dm.setBackgroundColor(backgrounds[i / 150]);
    char ch = static_cast<char>(33 + random() % 94);
    sb::Vector where(column(random), row(random));
    if (i % 3 == 0)
      dm.drawCh(where, ch, static_cast<unsigned char>(random()),
                static_cast<unsigned char>(random()), static_cast<unsigned char>(random()));
    else if (i % 7 == 0)  // over a cell background of its own
      dm.drawCh(where, ch, static_cast<sb::Color>(random() % 8),
                static_cast<sb::Color>(random() % 8));
    else
      dm.drawCh(where, ch, static_cast<sb::Color>(random() % 8));
  }
  for (int just = 0; just < 3; just++)
    dm.drawString(sb::Vector(40.5f, 10.0f + just), "Overlapping strings, 0123456789 !?#@",
                  static_cast<sb::Justification>(just), static_cast<sb::Color>(just + 1));
  dm.drawString(sb::Vector(3.3f, 20.7f), "tab\there\rcr", sb::LEFT_JUSTIFIED, sb::WHITE);
  dm.drawString(sb::Vector(60.5f, 3.2f), "on grey", sb::RIGHT_JUSTIFIED, sf::Color(9, 99, 199),
                sf::Color(128, 128, 128));
  dm.drawMarkup(sb::Vector(40, 14), "You hit the #[red]goblin#[] for #[#ff8000]7##", sb::CENTER_JUSTIFIED,
                sb::WHITE);
}

// Circles, squares and triangles of many sizes, colours and opacities,
// among characters.
void drawShapes(std::mt19937 &random) {
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  std::uniform_real_distribution<float> column(0, 80), row(0, 24), size(0.3f, 45);
  const sb::ShapeType types[] = {sb::CIRCLE, sb::SQUARE, sb::TRIANGLE, sb::UNDEFINED_SHAPE};
  const unsigned char opacities[] = {255, 200, 128, 60, 10};
  sb::Shape shape;
  for (int i = 0; i < 400; i++) {
    shape.setType(types[i % 7 == 6 ? 3 : i % 3]);
    shape.setSize(i % 5 == 0 ? static_cast<float>(1 + i % 13) : size(random));
    if (i % 2)
      shape.setColor(static_cast<sb::Color>(random() % 8));
    else
      shape.setColor(static_cast<unsigned char>(random()), static_cast<unsigned char>(random()),
                     static_cast<unsigned char>(random()));
    shape.setOpacity(opacities[i % 5]);
    shape.draw(sb::Vector(column(random), row(random)));
    if (i % 10 == 0) dm.drawCh(sb::Vector(column(random), row(random)), '#', sb::YELLOW);
  }
}

// A cloud of tiny opaque circles, as a particle burst leaves them, with a
// character in its middle and translucent ones on top.
void drawCloud(std::mt19937 &random) {
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  std::normal_distribution<float> spread(0, 1.5f);
  sb::Shape shape;
  for (int i = 0; i < 4000; i++) {
    shape.setSize(i % 50 == 0 ? 4.0f : 1.0f);
    shape.setColor(static_cast<unsigned char>(200 + random() % 56), 255,
                   static_cast<unsigned char>(random() % 3 * 100));
    shape.setOpacity(i > 3500 ? 100 : 255);
    shape.draw(sb::Vector(20 + spread(random), 15 + spread(random)));
    if (i == 2000) dm.drawCh(sb::Vector(20, 15), '@', sb::RED);
  }
}

// One frame of everything, after a shake of the given size; returns the back buffer.
sf::Image renderScene(unsigned int seed, int shake) {
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  dm.setBackgroundColor(sb::GREEN);  // the clear colour
  dm.shake(shake, shake, 1, false);
  srand(seed);
  dm.swapBuffers();
  std::mt19937 random(seed);
  drawCharacters(random);
  drawShapes(random);
  drawCloud(random);
  sb::WorldManager::getInstance().draw();  // the view objects
  dm.setBackgroundColor(sb::BLACK);
  return sbtest::screenshot();
}

void addViewObjects() {
  const sb::Color colors[] = {sb::RED, sb::GREEN, sb::CYAN, sb::WHITE, sb::MAGENTA};
  for (int location = 0; location < 9; location++) {
    sb::ViewObject *p_view = new sb::ViewObject;
    p_view->setViewString("Item" + std::to_string(location));
    p_view->setValue(location * 111);
    p_view->setBorder(location % 3 != 2);
    p_view->setDrawValue(location % 4 != 3);
    p_view->setColor(colors[location % 5]);
    p_view->setLocation(static_cast<sb::ViewObjectLocation>(location));
  }
}

class BatchDrawing : public ::testing::TestWithParam<std::string> {};

TEST_P(BatchDrawing, BusyFramesGiveTheSamePixelsBothWays) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine(GetParam() + sbtest::fontConfig()), 0) << sbtest::readLog();
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  ASSERT_TRUE(dm.getBatching()) << "collected drawing is the default";
  // Mesa's software rasterizer, which the tests run on, has known rules.
  EXPECT_TRUE(dm.getPixelLayerReady());
  addViewObjects();

  for (unsigned int seed = 1; seed <= 3; seed++) {
    int shake = seed == 1 ? 0 : static_cast<int>(seed) * 2;
    dm.setBatching(false);
    long long draws = dm.getBatchDraws();
    sf::Image immediate = renderScene(seed, shake);
    EXPECT_EQ(dm.getBatchDraws(), draws);
    int shake_x = dm.getShakeX(), shake_y = dm.getShakeY();

    dm.setBatching(true);
    ASSERT_TRUE(dm.getBatching());
    sf::Image batched = renderScene(seed, shake);
    EXPECT_EQ(dm.getShakeX(), shake_x);
    EXPECT_EQ(dm.getShakeY(), shake_y);
    // The whole frame, screenshot included, went out in one call.
    EXPECT_EQ(dm.getBatchDraws(), draws + 1);
    EXPECT_EQ(differences(immediate, batched), "") << "seed " << seed << ", shake " << shake;
    if (::testing::Test::HasFailure()) {
      sbtest::saveImage(immediate, sbtest::tempDir() + "/immediate.png");
      sbtest::saveImage(batched, sbtest::tempDir() + "/batched.png");
    }
  }
  sb::GameManager::getInstance().shutDown();
}

INSTANTIATE_TEST_SUITE_P(
    Windows, BatchDrawing,
    ::testing::Values("", "window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n"
                          "font_scale:1,\nwindow_background_color:blue,\n"));

// Whoever takes the window sees what was drawn before, and what is drawn
// after lands on top; the frame copied for the recorder is the frame shown.
TEST(BatchDrawingWindow, TakingTheWindowKeepsTheOrderAndCaptureSeesAll) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine(sbtest::fontConfig()), 0) << sbtest::readLog();
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  sf::Texture capture;
  ASSERT_TRUE(capture.create(1024, 768));
  dm.setCaptureTexture(&capture);

  std::vector<sf::Image> frames, captured;
  for (bool batching : {false, true}) {
    dm.setBatching(batching);
    dm.swapBuffers();
    dm.drawString(sb::Vector(10, 5), "under", sb::LEFT_JUSTIFIED, sb::RED);
    sf::RectangleShape block(sf::Vector2f(100, 60));
    block.setPosition(130, 150);
    block.setFillColor(sf::Color(0, 255, 0, 160));
    dm.getWindow()->draw(block);
    dm.drawString(sb::Vector(12, 5), "over", sb::LEFT_JUSTIFIED, sb::CYAN);
    sb::Shape shape;
    shape.setColor(sb::MAGENTA);
    shape.draw(sb::Vector(13, 5));
    frames.push_back(sbtest::screenshot());
    dm.swapBuffers();
    captured.push_back(capture.copyToImage());
  }
  dm.setCaptureTexture(nullptr);
  EXPECT_EQ(differences(frames[0], frames[1]), "");
  EXPECT_EQ(differences(captured[0], captured[1]), "");
  EXPECT_EQ(differences(frames[1], captured[1]), "");
  EXPECT_GT(sbtest::colorBox(frames[1], sf::Color::Cyan).count, 0);
  sb::GameManager::getInstance().shutDown();
}

// The corners of the collected polygons are SFML's, bit for bit.
TEST(BatchDrawingGeometry, PolygonCornersAreSfmlCircleCorners) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> radius(0, 300);
  for (std::size_t count = 3; count < 80; count++) {
    for (int trial = 0; trial < 20; trial++) {
      float r = trial == 0 ? 1.0f : radius(random);
      sf::CircleShape circle(r, count);
      for (std::size_t i = 0; i < count; i++) {
        sf::Vector2f ours = sb::DisplayManager::polygonPoint(i, count, r);
        sf::Vector2f theirs = circle.getPoint(i);
        ASSERT_EQ(ours.x, theirs.x) << count << " corners, radius " << r << ", corner " << i;
        ASSERT_EQ(ours.y, theirs.y) << count << " corners, radius " << r << ", corner " << i;
      }
    }
  }
}

// The fill convention, under every set of rules: a quad split along either
// diagonal covers the same pixels, none of them twice, also when corners
// sit on pixel centres and borders.
TEST(BatchDrawingGeometry, SplitQuadsCoverEachPixelOnce) {
  std::mt19937 random(11);
  std::uniform_real_distribution<float> offset(-6, 6);
  const int width = 64, height = 48;
  std::vector<std::uint32_t> pixels(sb::PixelLayer::MAX_COVERED);
  for (int variant = 0; variant < 8; variant++) {
    sb::PixelLayer::Rules rules;
    rules.fused = variant & 1;
    rules.bottom_edge = variant & 2;
    rules.flipped = variant & 4;
    for (int trial = 0; trial < 300; trial++) {
      // A convex quad around (32, 24): corners on a circle in turn, or every
      // third time a rectangle with corners on the half-pixel grid.
      sf::Vector2f corner[4];
      float radius = 2 + std::fabs(offset(random)), start = offset(random);
      for (int i = 0; i < 4; i++) {
        float angle = start + static_cast<float>(i) * 1.5707964f + offset(random) * 0.05f;
        float x = 32 + radius * std::cos(angle), y = 24 + radius * std::sin(angle);
        if (trial % 3 == 0) {
          x = 32 + (i == 1 || i == 2 ? 1 : -1) * std::round(radius * 2) / 2;
          y = 24 + (i >= 2 ? 1 : -1) * std::round(std::fabs(start) * 2) / 2;
        }
        corner[i] = sf::Vector2f(x / (width / 2.0f) - 1, 1 - y / (height / 2.0f));
      }
      std::vector<int> first(width * height, 0), second(width * height, 0);
      auto cover = [&](sf::Vector2f a, sf::Vector2f b, sf::Vector2f c, std::vector<int> &hits) {
        sf::Vector2f triangle[3] = {a, b, c};
        int count = sb::PixelLayer::triangle(triangle, width, height, rules, pixels.data());
        ASSERT_GE(count, 0);
        for (int k = 0; k < count; k++) hits[pixels[k]]++;
      };
      cover(corner[0], corner[1], corner[2], first);
      cover(corner[0], corner[2], corner[3], first);
      cover(corner[1], corner[2], corner[3], second);
      cover(corner[1], corner[3], corner[0], second);
      ASSERT_EQ(first, second) << "variant " << variant << ", trial " << trial;
      for (int hits : first) ASSERT_LE(hits, 1) << "variant " << variant << ", trial " << trial;
    }
  }
}

// The key, and the immediate mode it selects.
TEST(BatchDrawingWindow, ConfigurationKeySelectsTheMode) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine("batch_drawing:false,\n" + sbtest::fontConfig()), 0);
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  EXPECT_FALSE(sb::Config::getInstance().getBatchDrawing());
  EXPECT_FALSE(dm.getBatching());
  int draws = dm.getBatchDraws();  // the count goes on from earlier start-ups
  dm.drawString(sb::Vector(1, 1), "abc", sb::LEFT_JUSTIFIED, sb::RED);
  dm.swapBuffers();
  EXPECT_EQ(dm.getBatchDraws(), draws);
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
