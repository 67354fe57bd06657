// The display: characters, strings, background and shake in a real window
// (read back pixel by pixel), headless mode, start-up failures, colours and
// cell conversions.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <SFML/Graphics.hpp>

#include "Config.h"
#include "DisplayManager.h"
#include "EngineFont.h"
#include "GameManager.h"
#include "LogManager.h"
#include "support/CoreChecks.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

using sbtest::Cells;
using sbtest::cellsWithColor;

// 80 x 24 cells of 10 x 20 pixels; font scale 1 keeps each glyph inside its cell.
std::string cellWindowConfig() {
  return "window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n"
         "window_title:DisplayTest,\nwindow_background_color:blue,\nfont_scale:1,\n" +
         sbtest::fontConfig();
}

Cells row(int y, std::initializer_list<int> columns) {
  Cells cells;
  for (int x : columns) cells.insert({x, y});
  return cells;
}

TEST(DisplayWindow, CharactersAndStringsLandInTheirCellsInTheirColours) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine(cellWindowConfig()), 0) << sbtest::readLog();
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  sf::RenderWindow *p_window = dm.getWindow();
  ASSERT_NE(p_window, nullptr);
  EXPECT_EQ(p_window->getSize(), sf::Vector2u(800, 480));
  EXPECT_EQ(dm.getHorizontal(), 80);
  EXPECT_EQ(dm.getVertical(), 24);

  ASSERT_EQ(dm.swapBuffers(), 0);  // clears to the background colour
  EXPECT_EQ(dm.drawCh(sb::Vector(5, 3), 'X', sb::RED), 0);
  EXPECT_EQ(dm.drawCh(sb::Vector(7, 3), 'O', 0, 200, 100), 0);
  EXPECT_EQ(dm.drawCh(sb::Vector(9, 3), 'Z', sb::CUSTOM), 0);  // CUSTOM draws black
  EXPECT_EQ(dm.drawString(sb::Vector(10, 6), "abc", sb::CENTER_JUSTIFIED, sb::GREEN), 0);
  EXPECT_EQ(dm.drawString(sb::Vector(10, 8), "abc", sb::RIGHT_JUSTIFIED, sb::YELLOW), 0);
  EXPECT_EQ(dm.drawString(sb::Vector(10, 10), "abcd", sb::CENTER_JUSTIFIED, sb::MAGENTA), 0);
  EXPECT_EQ(dm.drawString(sb::Vector(10, 12), "abc", sb::LEFT_JUSTIFIED, sb::CYAN), 0);
  EXPECT_EQ(dm.drawString(sb::Vector(30, 12), "", sb::CENTER_JUSTIFIED, sb::WHITE), 0);

  sf::Image image = sbtest::screenshot();
  ASSERT_EQ(image.getSize(), sf::Vector2u(800, 480));
  EXPECT_EQ(cellsWithColor(image, sf::Color::Red), row(3, {5}));
  EXPECT_EQ(cellsWithColor(image, sf::Color(0, 200, 100)), row(3, {7}));
  EXPECT_EQ(cellsWithColor(image, sf::Color::Black), row(3, {9}));
  EXPECT_EQ(cellsWithColor(image, sf::Color::Green), row(6, {9, 10, 11}));
  EXPECT_EQ(cellsWithColor(image, sf::Color::Yellow), row(8, {7, 8, 9}));
  EXPECT_EQ(cellsWithColor(image, sf::Color::Magenta), row(10, {8, 9, 10, 11}));
  EXPECT_EQ(cellsWithColor(image, sf::Color::Cyan), row(12, {10, 11, 12}));
  EXPECT_EQ(cellsWithColor(image, sf::Color::White), Cells());
  EXPECT_EQ(image.getPixel(400, 470), sf::Color::Blue);
  EXPECT_EQ(image.getPixel(0, 0), sf::Color::Blue);

  // The cell background: a cell-sized rectangle shifted left by a tenth and
  // down by a fifth of a cell. A blank shows it alone.
  ASSERT_EQ(dm.swapBuffers(), 0);
  ASSERT_TRUE(dm.setBackgroundColor(sb::RED));
  dm.drawCh(sb::Vector(20, 15), ' ', sb::WHITE);
  sbtest::PixelBox cell = sbtest::colorBox(sbtest::screenshot(), sf::Color::Red);
  EXPECT_EQ(cell.left, 199);
  EXPECT_EQ(cell.top, 304);
  EXPECT_EQ(cell.width(), 10);
  EXPECT_EQ(cell.height(), 20);
  EXPECT_EQ(cell.count, 200);

  // The new background colour is the clear colour from the next swap on.
  ASSERT_EQ(dm.swapBuffers(), 0);
  sf::Image cleared = sbtest::screenshot();
  EXPECT_EQ(cleared.getPixel(0, 0), sf::Color::Red);
  EXPECT_EQ(cleared.getPixel(799, 479), sf::Color::Red);
  sb::GameManager::getInstance().shutDown();
}

// Draws a red X on a blue screen; returns the boxes of the glyph and of its
// green cell background.
std::pair<sbtest::PixelBox, sbtest::PixelBox> drawShakenX() {
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  dm.setBackgroundColor(sb::GREEN);
  dm.drawCh(sb::Vector(30, 18), 'X', sb::RED);
  dm.setBackgroundColor(sb::BLUE);
  sf::Image image = sbtest::screenshot();
  return {sbtest::colorBox(image, sf::Color::Red), sbtest::colorBox(image, sf::Color::Green)};
}

TEST(DisplayWindow, ShakeMovesGlyphsButNotTheirBackgrounds) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine(cellWindowConfig()), 0) << sbtest::readLog();
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();

  ASSERT_EQ(dm.swapBuffers(), 0);
  auto still = drawShakenX();
  ASSERT_GT(still.first.count, 0);
  ASSERT_EQ(still.second.left, 299);
  ASSERT_EQ(still.second.top, 364);

  dm.shake(3, 2, 4, false);
  for (int step = 0; step < 4; step++) {
    ASSERT_EQ(dm.swapBuffers(), 0);
    int dx = dm.getShakeX(), dy = dm.getShakeY();
    EXPECT_TRUE(dx == 4 || dx == 2 || dx == 0 || dx == -2) << dx;
    EXPECT_TRUE(dy == 3 || dy == 1 || dy == -1) << dy;
    auto shaken = drawShakenX();
    EXPECT_EQ(shaken.first.left, still.first.left + dx);
    EXPECT_EQ(shaken.first.top, still.first.top + dy);
    EXPECT_EQ(shaken.first.count, still.first.count);
    EXPECT_EQ(shaken.second.left, still.second.left);
    EXPECT_EQ(shaken.second.top, still.second.top);
  }
  ASSERT_EQ(dm.swapBuffers(), 0);
  EXPECT_EQ(dm.getShakeX(), 0);
  EXPECT_EQ(dm.getShakeY(), 0);
  EXPECT_EQ(dm.getShakeDuration(), 0);

  // Over many steps every offset of the range turns up; adding extends the shake.
  std::set<int> xs, ys;
  dm.shake(3, 2, 100, false);
  dm.shake(0, 0, 50, true);
  EXPECT_EQ(dm.getShakeDuration(), 150);
  for (int step = 0; step < 150; step++) {
    dm.swapBuffers();
    xs.insert(dm.getShakeX());
    ys.insert(dm.getShakeY());
  }
  EXPECT_EQ(xs, (std::set<int>{-2, 0, 2, 4}));
  EXPECT_EQ(ys, (std::set<int>{-1, 1, 3}));

  // A scale of -1 would divide by zero and gives no shake; other negative
  // scales keep the formula and its rand() call: (s + 1) - 2 * (rand() % (s + 1)).
  dm.shake(-1, -1, 1, false);
  EXPECT_EQ(dm.swapBuffers(), 0);
  EXPECT_EQ(dm.getShakeX(), 0);
  dm.shake(-4, -3, 1, false);
  srand(11);
  int expected_x = -3 - 2 * (rand() % -3);
  int expected_y = -2 - 2 * (rand() % -2);
  srand(11);
  EXPECT_EQ(dm.swapBuffers(), 0);
  EXPECT_EQ(dm.getShakeX(), expected_x);
  EXPECT_EQ(dm.getShakeY(), expected_y);
  sb::GameManager::getInstance().shutDown();
}

TEST(DisplayHeadless, StartsWithoutWindowAndStillConvertsCells) {
  sb::LogManager::getInstance().setLogLevel(5);
  ASSERT_EQ(sbtest::startEngine("headless:true,\nwindow_horizontal_pixels:800,\n"
                                "window_vertical_pixels:480,\nfont_file:/nonexistent.ttf,\n"),
            0);
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  EXPECT_TRUE(dm.isStarted());
  EXPECT_EQ(dm.getWindow(), nullptr);
  EXPECT_EQ(dm.getHorizontal(), 80);
  EXPECT_EQ(dm.getVertical(), 24);
  EXPECT_EQ(dm.getHorizontalPixels(), 800);
  EXPECT_EQ(dm.drawCh(sb::Vector(1, 1), 'a', sb::RED), -1);
  EXPECT_EQ(dm.drawCh(sb::Vector(1, 1), 'a', 1, 2, 3), -1);
  EXPECT_EQ(dm.drawString(sb::Vector(1, 1), "abc", sb::LEFT_JUSTIFIED, sb::RED), -1);
  EXPECT_EQ(dm.swapBuffers(), -1);
  EXPECT_FALSE(dm.setBackgroundColor(sb::RED));

  EXPECT_FLOAT_EQ(sb::charWidth(), 10.0f);
  EXPECT_FLOAT_EQ(sb::charHeight(), 20.0f);
  sb::Vector pixels = sb::spacesToPixels(sb::Vector(2, 3));
  EXPECT_EQ(pixels, sb::Vector(20, 60));
  EXPECT_EQ(sb::pixelsToSpaces(pixels), sb::Vector(2, 3));
  EXPECT_EQ(sb::pixelsToSpaces(sb::Vector(405, 239)), sb::Vector(40.5f, 11.95f));

  std::string log = sbtest::readLog();
  EXPECT_NE(log.find("DisplayManager::startUp(): not doing graphics since in headless mode."),
            std::string::npos);
  EXPECT_NE(log.find("DisplayManager::startUp(): successfully started."), std::string::npos);
  EXPECT_EQ(log.find("not started!"), std::string::npos);  // headless drawing is silent

  // Stopped, drawing is refused with a log line, except by the colour form of
  // drawCh, which refuses at once whenever the configuration is headless.
  dm.shutDown();
  EXPECT_EQ(dm.drawCh(sb::Vector(1, 1), 'a', sb::RED), -1);
  EXPECT_EQ(dm.drawString(sb::Vector(1, 1), "ab", sb::LEFT_JUSTIFIED, sb::RED), -1);
  EXPECT_EQ(dm.swapBuffers(), -1);
  log = sbtest::readLog();
  EXPECT_NE(log.find("DisplayManager::shutDown(): successfully stopped."), std::string::npos);
  EXPECT_EQ(sbtest::countOf(log, "DisplayManager not started!"), 2);
}

TEST(DisplayColors, NamedColoursCustomAndUnknown) {
  sb::LogManager::getInstance().setLogLevel(5);
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  struct Row {
    sb::Color color;
    sf::Color rgb;
  };
  const Row rows[] = {{sb::BLACK, sf::Color(0, 0, 0)},    {sb::RED, sf::Color(255, 0, 0)},
                      {sb::GREEN, sf::Color(0, 255, 0)},  {sb::YELLOW, sf::Color(255, 255, 0)},
                      {sb::BLUE, sf::Color(0, 0, 255)},   {sb::MAGENTA, sf::Color(255, 0, 255)},
                      {sb::CYAN, sf::Color(0, 255, 255)}, {sb::WHITE, sf::Color(255, 255, 255)}};
  for (const Row &row : rows) {
    unsigned char r = 7, g = 7, b = 7;
    sb::colorToRGB(row.color, r, g, b);
    EXPECT_EQ(sf::Color(r, g, b), row.rgb) << row.color;
    EXPECT_EQ(sb::colorToSFML(row.color), row.rgb) << row.color;
  }
  unsigned char r = 1, g = 2, b = 3;
  sb::colorToRGB(sb::CUSTOM, r, g, b);
  sb::colorToRGB(static_cast<sb::Color>(42), r, g, b);
  EXPECT_EQ(sf::Color(r, g, b), sf::Color(1, 2, 3));
  EXPECT_EQ(sb::colorToSFML(sb::CUSTOM), sf::Color::White);
  EXPECT_EQ(sb::colorToSFML(static_cast<sb::Color>(42)), sf::Color::White);
  std::string log = sbtest::readLog();
  EXPECT_NE(log.find("colorToRGB(): Color 42 not supported."), std::string::npos);
  EXPECT_NE(log.find("colorToSFML(): Color is CUSTOM."), std::string::npos);
  EXPECT_NE(log.find("colorToSFML(): Color 42 not supported."), std::string::npos);
}

// The names of configuration and sprite files give their colours, and only
// the exact lower-case names do.
TEST(DisplayColors, NamesGiveTheirColours) {
  const char *names[] = {"black", "red", "green", "yellow", "blue", "magenta", "cyan", "white"};
  for (int c = sb::BLACK; c <= sb::WHITE; c++) {
    sb::Color color = sb::CUSTOM;
    EXPECT_TRUE(sb::colorFromName(names[c], color)) << names[c];
    EXPECT_EQ(color, static_cast<sb::Color>(c));
  }
  for (const char *name : {"Red", "", "default", "custom", "whitee"}) {
    sb::Color color = sb::CUSTOM;
    EXPECT_FALSE(sb::colorFromName(name, color)) << name;
    EXPECT_EQ(color, sb::CUSTOM);
  }
}

// With no font file named and none of the default name at hand, the
// engine's own font is used without a word about a missing file.
TEST(DisplayStartup, NoFontNamedMeansTheEnginesFontQuietly) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  struct stat st;
  ASSERT_NE(stat((sbtest::tempDir() + "/" + sb::FONT_FILE_DEFAULT).c_str(), &st), 0);
  sbtest::StderrCapture capture;
  EXPECT_EQ(sbtest::startEngine("window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n"), 0);
  std::string log = sbtest::readLog();
  EXPECT_EQ(log.find("Unable to load font"), std::string::npos) << log;
  EXPECT_EQ(capture.text().find("font"), std::string::npos) << capture.text();
  EXPECT_EQ(sb::DisplayManager::getInstance().drawCh(sb::Vector(1, 1), 'x', sb::RED), 0);
}

// A font file that cannot be loaded gives way to the engine's own font, with
// a warning naming both; drawing then works. (Start-up failing for want of
// any font is shown by the install test, where no engine font is left.)
TEST(DisplayStartup, MissingFontFallsBackToTheEnginesFont) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  std::vector<std::string> fallbacks = sb::EngineFont::fallbackFiles();
  ASSERT_FALSE(fallbacks.empty());
  sb::LogManager &log_manager = sb::LogManager::getInstance();
  int level = log_manager.getLogLevel();
  log_manager.setLogLevel(sb::SFML_LOG_LEVEL);
  sbtest::StderrCapture capture;
  EXPECT_EQ(sbtest::startEngine("window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n"
                                "font_file:/nonexistent/none.ttf,\n"),
            0);
  std::string err = capture.text();
  log_manager.setLogLevel(level);
  std::string log = sbtest::readLog();
  EXPECT_EQ(sbtest::countOf(log, "DisplayManager::startUp(): Warning! Unable to load font from "
                                 "file '/nonexistent/none.ttf'; using the engine's font '" +
                                     fallbacks[0] + "'."),
            1)
      << log;
  sb::DisplayManager &display = sb::DisplayManager::getInstance();
  EXPECT_EQ(display.drawCh(sb::Vector(1, 1), 'x', sb::RED), 0);
  EXPECT_GT(sbtest::colorBox(sbtest::screenshot(), sf::Color::Red).count, 10);
  // SFML's own complaint about the missing file went to the log, not to
  // standard error.
  EXPECT_NE(log.find("SFML: Failed to load font \"/nonexistent/none.ttf\""), std::string::npos)
      << log;
  EXPECT_EQ(err.find("Failed to load font"), std::string::npos) << err;
  sb::GameManager::getInstance().shutDown();
}

// A display number on which no X server runs.
std::string absentDisplay() {
  for (int n = 180; n < 250; n++) {
    struct stat st;
    std::string s = std::to_string(n);
    if (stat(("/tmp/.X11-unix/X" + s).c_str(), &st) != 0 &&
        stat(("/tmp/.X" + s + "-lock").c_str(), &st) != 0)
      return ":" + s;
  }
  return ":249";
}

TEST(DisplayStartup, NoXServerFailsStartUpWithoutAborting) {
  // With standard output a terminal the engine would play in it instead.
  if (isatty(STDOUT_FILENO)) GTEST_SKIP() << "standard output is a terminal";
  const char *previous = getenv("DISPLAY");
  std::string saved = previous ? previous : "";
  std::string absent = absentDisplay();
  setenv("DISPLAY", absent.c_str(), 1);
  EXPECT_EQ(sbtest::startEngine(sbtest::fontConfig()), -1);
  if (previous)
    setenv("DISPLAY", saved.c_str(), 1);
  else
    unsetenv("DISPLAY");
  std::string log = sbtest::readLog();
  EXPECT_NE(log.find("DisplayManager::startUp(): Unable to allocate window!"), std::string::npos);
  // The next line says how to do without a window.
  EXPECT_NE(log.find("DisplayManager::startUp(): No X display could be opened (DISPLAY '" +
                     absent + "'); to play in a terminal, set 'terminal:true,' in the "
                              "configuration file, or to run without a window or input, "
                              "'headless:true,'."),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Error starting display manager!"), std::string::npos);
  EXPECT_EQ(sb::DisplayManager::getInstance().getWindow(), nullptr);
  sb::GameManager::getInstance().shutDown();
}

TEST(DisplayStartup, EmptyWindowFailsStartUp) {
  EXPECT_EQ(sbtest::startEngine("window_horizontal_pixels:0,\n" + sbtest::fontConfig()), -1);
  EXPECT_NE(sbtest::readLog().find("DisplayManager::startUp(): Unable to allocate window!"),
            std::string::npos);
}

}  // namespace
