// A sprite from a file, shown through the running game loop in a real
// window: characters, cells and colours read back from the screen, the frame
// changing after the slowdown, and what lies below showing through the
// transparent character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <SFML/Graphics.hpp>

#include "DisplayManager.h"
#include "GameManager.h"
#include "Object.h"
#include "ResourceManager.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

using sbtest::Cells;
using sbtest::cellsWithColor;

// Two 3 x 3 frames in red; '.' is transparent.
const char *const FRAMES[2][3] = {{"A.B", ".C.", "D.E"}, {".F.", "G.H", ".I."}};
const int SLOWDOWN = 3;
const int X = 20, Y = 10;  // the walker's position: cells 19..21, 9..11

std::string spriteFile() {
  std::string text =
      "<HEADER>\nframes 2\nwidth 3\nheight 3\ncolor red\ntransparency .\nslowdown " +
      std::to_string(SLOWDOWN) + "\n</HEADER>\n<BODY>\n";
  for (const auto &frame : FRAMES) {
    for (const char *row : frame) text += std::string(row) + "\n";
    text += "end\n";
  }
  return text + "</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n";
}

// Cells of frame f holding (or not holding) the transparent character.
Cells frameCells(int f, bool transparent) {
  Cells cells;
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++)
      if ((FRAMES[f][i][j] == '.') == transparent) cells.insert({X - 1 + j, Y - 1 + i});
  return cells;
}

// Fills the walker's cells with cyan 'O's, below the walker.
class Below : public sb::Object {
 public:
  Below() {
    setSolidness(sb::SPECTRAL);
    setAltitude(1);
    setPosition(sb::Vector(X, Y));
  }
  int draw() override {
    for (int i = -1; i <= 1; i++)
      for (int j = -1; j <= 1; j++)
        sb::DisplayManager::getInstance().drawCh(sb::Vector(X + j, Y + i), 'O', sb::CYAN);
    return 0;
  }
};

// Drawn last in every step: keeps what the step drew and ends the loop.
class Camera : public sb::Object {
 public:
  std::vector<sf::Image> shots;
  int last;
  explicit Camera(int steps) : last(steps) {
    setSolidness(sb::SPECTRAL);
    setAltitude(sb::MAX_ALTITUDE);
    setPosition(sb::Vector(70, 20));
  }
  int draw() override {
    shots.push_back(sbtest::screenshot());
    if (static_cast<int>(shots.size()) >= last) sb::GameManager::getInstance().setGameOver();
    return 0;
  }
};

TEST(SpriteDisplay, AnimatedSpriteFromAFileThroughTheGameLoop) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine("window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n"
                                "window_title:SpriteTest,\nwindow_background_color:blue,\n"
                                "font_scale:1,\nframe_time:10,\n" +
                                sbtest::fontConfig()),
            0)
      << sbtest::readLog();
  std::string path = sbtest::tempDir() + "/walker.txt";
  ASSERT_TRUE(sbtest::writeFile(path, spriteFile()));
  ASSERT_EQ(sb::ResourceManager::getInstance().loadSprite(path, "walker"), 0)
      << sbtest::readLog();

  Below *p_below = new Below;
  sb::Object *p_walker = new sb::Object;
  p_walker->setSolidness(sb::SPECTRAL);
  ASSERT_EQ(p_walker->setSprite("walker"), 0);
  p_walker->setPosition(sb::Vector(X, Y));
  const int steps = 3 * SLOWDOWN + 2;
  Camera *p_camera = new Camera(steps);
  sb::GameManager::getInstance().run();
  ASSERT_EQ(static_cast<int>(p_camera->shots.size()), steps);

  // The frame of each step, told apart by where its red characters are, and
  // what shows through its transparent cells.
  std::vector<int> frames, expected;
  for (int step = 0; step < steps; step++) {
    SCOPED_TRACE(step);
    const sf::Image &shot = p_camera->shots[step];
    int f = (step / SLOWDOWN) % 2;
    expected.push_back(f);
    Cells red = cellsWithColor(shot, sf::Color::Red);
    frames.push_back(red == frameCells(0, false) ? 0 : red == frameCells(1, false) ? 1 : -1);
    EXPECT_EQ(cellsWithColor(shot, sf::Color::Cyan), frameCells(f, true));
  }
  EXPECT_EQ(frames, expected);

  // The characters themselves: each step's picture equals, pixel for pixel,
  // the same characters drawn one by one in the same cells and colour.
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  for (int f = 0; f < 2; f++) {
    ASSERT_EQ(dm.swapBuffers(), 0);
    p_below->draw();
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++)
        if (FRAMES[f][i][j] != '.')
          dm.drawCh(sb::Vector(X - 1 + j, Y - 1 + i), FRAMES[f][i][j], sb::RED);
    sf::Image oracle = sbtest::screenshot();
    const sf::Image &shot = p_camera->shots[f * SLOWDOWN];
    int differing = 0;
    for (unsigned y = 0; y < oracle.getSize().y; y++)
      for (unsigned x = 0; x < oracle.getSize().x; x++)
        if (oracle.getPixel(x, y) != shot.getPixel(x, y)) differing++;
    EXPECT_EQ(differing, 0) << "frame " << f;
  }
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
