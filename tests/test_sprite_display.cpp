// A sprite from a file shown through the running game loop in a real window:
// characters, cells and colours read back, the frame changing after the
// slowdown, and what lies below showing through the transparent character.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DisplayManager.h"
#include "GameManager.h"
#include "Object.h"
#include "ResourceManager.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

// Two 3 x 3 frames in red with '.' transparent, at (20, 10): cells 19..21, 9..11.
const char *const FRAMES[2][3] = {{"A.B", ".C.", "D.E"}, {".F.", "G.H", ".I."}};
const int X = 20, Y = 10;

// An object whose drawing is given, at an altitude.
class Drawer : public sb::Object {
 public:
  std::function<void()> paint;
  Drawer(int altitude, std::function<void()> init_paint) : paint(init_paint) {
    setSolidness(sb::SPECTRAL);
    setAltitude(altitude);
    setPosition(sb::Vector(X, Y));
  }
  int draw() override {
    paint();
    return 0;
  }
};

// Frame f's characters (or the transparent ones, as 'O') drawn one by one;
// returns their cells.
sbtest::Cells drawCells(int f, bool transparent, bool draw) {
  sbtest::Cells cells;
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      if ((FRAMES[f][i][j] == '.') != transparent) continue;
      cells.insert({X - 1 + j, Y - 1 + i});
      sb::Vector where(X - 1 + j, Y - 1 + i);
      if (draw && transparent) sb::DisplayManager::getInstance().drawCh(where, 'O', sb::CYAN);
      if (draw && !transparent)
        sb::DisplayManager::getInstance().drawCh(where, FRAMES[f][i][j], sb::RED);
    }
  return cells;
}

TEST(SpriteDisplay, AnimatedSpriteFromAFileThroughTheGameLoop) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine("window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n"
                                "window_background_color:blue,\nfont_scale:1,\nframe_time:10,\n" +
                                sbtest::fontConfig()),
            0);
  std::string text = "<HEADER>\nframes 2\nwidth 3\nheight 3\ncolor red\ntransparency .\n"
                     "slowdown 3\n</HEADER>\n<BODY>\n";
  for (const auto &frame : FRAMES) text += std::string(frame[0]) + "\n" + frame[1] + "\n" +
                                           frame[2] + "\nend\n";
  std::string path = sbtest::tempDir() + "/walker.txt";
  ASSERT_TRUE(sbtest::writeFile(path, text + "</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n"));
  ASSERT_EQ(sb::ResourceManager::getInstance().loadSprite(path, "walker"), 0);

  // Below the walker, cyan 'O's fill all its cells; above, each step is kept.
  auto below = [] {
    drawCells(0, true, true);
    drawCells(1, true, true);
  };
  new Drawer(1, below);
  Drawer *p_walker = new Drawer(2, nullptr);
  p_walker->paint = [p_walker] { p_walker->sb::Object::draw(); };
  ASSERT_EQ(p_walker->setSprite("walker"), 0);
  const int steps = 11;
  std::vector<sf::Image> shots;
  new Drawer(sb::MAX_ALTITUDE, [&shots] {
    shots.push_back(sbtest::screenshot());
    if (shots.size() == steps) sb::GameManager::getInstance().setGameOver();
  });
  sb::GameManager::getInstance().run();
  ASSERT_EQ(shots.size(), static_cast<size_t>(steps));

  // Each step's frame, told by where its red characters are: three steps each.
  std::vector<int> frames, expected;
  for (int step = 0; step < steps; step++) {
    int f = (step / 3) % 2;
    expected.push_back(f);
    sbtest::Cells red = sbtest::cellsWithColor(shots[step], sf::Color::Red);
    frames.push_back(red == drawCells(0, false, false) ? 0
                     : red == drawCells(1, false, false) ? 1 : -1);
    EXPECT_EQ(sbtest::cellsWithColor(shots[step], sf::Color::Cyan), drawCells(f, true, false))
        << step;
  }
  EXPECT_EQ(frames, expected);

  // The characters: each frame's picture equals, pixel for pixel, the same
  // characters drawn one by one over the same cyan 'O's.
  for (int f = 0; f < 2; f++) {
    ASSERT_EQ(sb::DisplayManager::getInstance().swapBuffers(), 0);
    below();
    drawCells(f, false, true);
    sf::Image oracle = sbtest::screenshot();
    int differing = 0;
    for (unsigned y = 0; y < oracle.getSize().y; y++)
      for (unsigned x = 0; x < oracle.getSize().x; x++)
        differing += oracle.getPixel(x, y) != shots[f * 3].getPixel(x, y);
    EXPECT_EQ(differing, 0) << "frame " << f;
  }
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
