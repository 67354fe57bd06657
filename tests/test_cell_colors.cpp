// Cell backgrounds and colour markup: markup read against an independent
// reader over seeded random text, backgrounds filling whole cells in a real
// window, and a terminal cell keeping its own background.
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

#include <SFML/Graphics.hpp>

#include "DisplayManager.h"
#include "GameManager.h"
#include "Markup.h"
#include "TerminalDisplay.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

// Markup read another way: one regular expression for every token.
void readByRegex(const std::string &text, sf::Color base, std::string &chars,
                 std::vector<sf::Color> &colors) {
  static const std::regex token(
      "##|#\\[(black|red|green|yellow|blue|magenta|cyan|white|#[0-9a-fA-F]{6}|)\\]|[\\s\\S]");
  const std::vector<std::pair<std::string, sf::Color>> names = {
      {"black", sf::Color(0, 0, 0)},     {"red", sf::Color(255, 0, 0)},
      {"green", sf::Color(0, 255, 0)},   {"yellow", sf::Color(255, 255, 0)},
      {"blue", sf::Color(0, 0, 255)},    {"magenta", sf::Color(255, 0, 255)},
      {"cyan", sf::Color(0, 255, 255)},  {"white", sf::Color(255, 255, 255)}};
  chars.clear();
  colors.clear();
  sf::Color color = base;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), token);
       it != std::sregex_iterator(); ++it) {
    std::string t = it->str();
    if (t == "##") {
      chars += '#';
      colors.push_back(color);
    } else if (t.size() >= 3 && t.compare(0, 2, "#[") == 0) {
      std::string name = (*it)[1].str();
      if (name.empty()) color = base;
      for (const auto &entry : names)
        if (entry.first == name) color = entry.second;
      if (!name.empty() && name[0] == '#')
        color = sf::Color(static_cast<sf::Uint8>(std::stoi(name.substr(1, 2), nullptr, 16)),
                          static_cast<sf::Uint8>(std::stoi(name.substr(3, 2), nullptr, 16)),
                          static_cast<sf::Uint8>(std::stoi(name.substr(5, 2), nullptr, 16)));
    } else {
      chars += t;
      colors.push_back(color);
    }
  }
}

TEST(Markup, ReadsAsAnIndependentReaderOnSeededText) {
  const char *pieces[] = {"#[red]", "#[#ff8000]", "#[#FF80zz]", "#[]", "##", "#", "[", "]",
                          "#[", "#[purple]", "#[blue", "You hit the ", "goblin", "#[cyan]",
                          "#[#0a0B0c]", "\xc9", "#[#12345]", "#[white]x", "\0"};
  std::mt19937 random(42);
  const sf::Color base(10, 20, 30);
  std::string chars, expected_chars;
  std::vector<sf::Color> colors, expected_colors;
  for (int trial = 0; trial < 4000; trial++) {
    std::string text;
    for (int n = static_cast<int>(random() % 10); n >= 0; n--) {
      if (random() % 8 == 0)
        text += static_cast<char>(random() % 256);
      else
        text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    }
    sb::Markup::read(text, base, chars, colors);
    readByRegex(text, base, expected_chars, expected_colors);
    ASSERT_EQ(chars, expected_chars) << text;
    ASSERT_EQ(colors, expected_colors) << text;
  }
  // The issue's example: only "goblin" in red, justified by 19 visible characters.
  sb::Markup::read("You hit the #[red]goblin#[]!", base, chars, colors);
  EXPECT_EQ(chars, "You hit the goblin!");
  EXPECT_EQ(colors[12], sf::Color::Red);
  EXPECT_EQ(colors[18], base);
}

// The rectangle a character blanks in the window, a cell in size, a tenth
// of a cell left and a fifth down (where the font's glyphs sit); a glyph
// drawn over it may hide its lowest rows.
void expectCellFilled(const sf::Image &image, int column, int row, sf::Color color,
                      bool glyph) {
  float w = sb::charWidth(), h = sb::charHeight();
  sbtest::PixelBox box = sbtest::colorBox(image, color);
  EXPECT_EQ(box.left, static_cast<int>(column * w - w / 10));
  EXPECT_EQ(box.top, static_cast<int>(row * h + h / 5));
  EXPECT_EQ(box.right, static_cast<int>((column + 1) * w - w / 10) - 1);
  if (!glyph) {
    EXPECT_EQ(box.bottom, static_cast<int>((row + 1) * h + h / 5) - 1);
    EXPECT_EQ(box.count, static_cast<int>(w * h));
  }
}

TEST(CellColors, BackgroundsFillWholeCellsAndMarkupColoursItsWordBothWays) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine("window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n" +
                                sbtest::fontConfig()),
            0)
      << sbtest::readLog();
  sb::DisplayManager &dm = sb::DisplayManager::getInstance();
  for (bool batching : {false, true}) {
    dm.setBatching(batching);
    // A blank on blue fills its whole cell; a glyph on a custom green too,
    // its own pixels apart.
    EXPECT_EQ(dm.drawCh(sb::Vector(3, 2), ' ', sb::WHITE, sb::BLUE), 0);
    EXPECT_EQ(dm.drawCh(sb::Vector(6, 4), 'x', sf::Color(250, 0, 0), sf::Color(0, 200, 0)), 0);
    EXPECT_EQ(dm.drawString(sb::Vector(20, 8), "ab", sb::LEFT_JUSTIFIED, sf::Color(1, 2, 3),
                            sf::Color(200, 100, 50)),
              0);
    EXPECT_EQ(dm.drawMarkup(sb::Vector(40, 12), "#[red]R#[#ff8000]O#[]W", sb::CENTER_JUSTIFIED,
                            sb::WHITE),
              0);
    sf::Image image = sbtest::screenshot();
    expectCellFilled(image, 3, 2, sf::Color::Blue, false);
    expectCellFilled(image, 6, 4, sf::Color(0, 200, 0), true);
    sbtest::PixelBox pair = sbtest::colorBox(image, sf::Color(200, 100, 50));
    EXPECT_EQ(pair.left, 199);
    EXPECT_EQ(pair.right, 218);
    // Three visible characters centred on 40: columns 39, 40, 41.
    sbtest::PixelBox red = sbtest::colorBox(image, sf::Color::Red);
    sbtest::PixelBox orange = sbtest::colorBox(image, sf::Color(255, 128, 0));
    sbtest::PixelBox white = sbtest::colorBox(image, sf::Color::White);
    EXPECT_GT(red.count, 0);
    EXPECT_GT(orange.count, 0);
    EXPECT_GE(red.left, 390);
    EXPECT_LT(red.right, 400 + 5);
    EXPECT_GE(orange.left, 400);
    EXPECT_GE(white.left, 410);
    EXPECT_EQ(dm.swapBuffers(), 0);
  }
  sb::GameManager::getInstance().shutDown();
  EXPECT_EQ(dm.drawCh(sb::Vector(3, 2), ' ', sb::WHITE, sb::BLUE), -1);
  EXPECT_EQ(dm.drawMarkup(sb::Vector(3, 2), "x", sb::LEFT_JUSTIFIED, sb::WHITE), -1);
}

TEST(CellColors, ATerminalCellKeepsItsOwnBackground) {
  int master = -1, slave = -1;
  struct winsize size = {};
  size.ws_col = 10;
  size.ws_row = 4;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
  sb::TerminalDisplay display;
  ASSERT_EQ(display.open(slave, slave, 10, 4, sb::TerminalDisplay::TRUE_COLOR), 0);
  display.setBackground(0, 0, 40);
  display.put(1, 1, 'a', 255, 255, 255);
  display.put(2, 1, 'b', 255, 255, 255, 200, 100, 50);
  EXPECT_EQ(display.cellAt(1, 1) >> 32 & 0xffffff, 0x000028u);
  EXPECT_EQ(display.cellAt(2, 1) >> 32 & 0xffffff, 0xc86432u);
  ASSERT_GT(display.present(), 0);
  display.close();
  std::string bytes = sbtest::readUntilQuiet(master);
  close(master);
  close(slave);
  EXPECT_NE(bytes.find("48;2;200;100;50"), std::string::npos);
}

}  // namespace
