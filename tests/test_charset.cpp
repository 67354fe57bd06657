// The cp437 character set: every code 1 to 255 sent to a terminal decodes
// to code page 437's Unicode character, and in a window a box-drawing code
// shows exactly the font's glyph for that character.
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <SFML/Graphics.hpp>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Sorbelane.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

// Code page 437 as its chart shows it, sixteen codes a row; code 0 and
// code 127 (DEL) draw as blanks.
const char *const CP437_CHART[16] = {
    " ☺☻♥♦♣♠•◘○◙♂♀♪♫☼", "►◄↕‼¶§▬↨↑↓→←∟↔▲▼", " !\"#$%&'()*+,-./", "0123456789:;<=>?",
    "@ABCDEFGHIJKLMNO", "PQRSTUVWXYZ[\\]^_", "`abcdefghijklmno", "pqrstuvwxyz{|}~ ",
    "ÇüéâäàåçêëèïîìÄÅ", "ÉæÆôöòûùÿÖÜ¢£¥₧ƒ", "áíóúñÑªº¿⌐¬½¼¡«»", "░▒▓│┤╡╢╖╕╣║╗╝╜╛┐",
    "└┴┬├─┼╞╟╚╔╩╦╠═╬╧", "╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀", "αßΓπΣσµτΦΘΩδ∞φε∩", "≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00a0"};

// The UTF-8 characters of a string, one string each.
std::vector<std::string> characters(const std::string &text) {
  std::vector<std::string> out;
  for (size_t at = 0; at < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    size_t length = c < 0x80 ? 1 : c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : 2;
    out.push_back(text.substr(at, length));
    at += length;
  }
  return out;
}

// The cells a frame wrote, as a terminal would place them: cursor moves
// and characters; colours and modes ignored.
std::vector<std::vector<std::string>> screenOf(const std::string &bytes, int columns, int rows) {
  std::vector<std::vector<std::string>> cells(static_cast<size_t>(rows),
                                              std::vector<std::string>(static_cast<size_t>(columns)));
  int x = 0, y = 0;
  for (size_t at = 0; at < bytes.size();) {
    unsigned char c = static_cast<unsigned char>(bytes[at]);
    if (c == 0x1b) {
      size_t end = at + 2;
      while (end < bytes.size() && (bytes[end] < 0x40 || bytes[end] > 0x7e)) end++;
      if (bytes[end] == 'H') sscanf(bytes.c_str() + at + 2, "%d;%d", &y, &x), x--, y--;
      at = end + 1;
      continue;
    }
    size_t length = c < 0x80 ? 1 : c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : 2;
    if (x >= 0 && x < columns && y >= 0 && y < rows)
      cells[static_cast<size_t>(y)][static_cast<size_t>(x)] = bytes.substr(at, length);
    x++;
    at += length;
  }
  return cells;
}

}  // namespace

TEST(Charset, EveryCodeReachesTheTerminalAsItsCodePage437Character) {
  int master = -1, slave = -1;
  struct winsize size = {};
  size.ws_col = 20;
  size.ws_row = 20;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
  sb::TerminalDisplay display;
  ASSERT_EQ(display.open(slave, slave, 16, 16, sb::TerminalDisplay::COLORS_256), 0);
  display.setCp437(true);
  for (int code = 0; code < 256; code++)
    display.put(code % 16, code / 16, static_cast<char>(code), 255, 255, 255);
  ASSERT_GT(display.present(), 0);
  display.close();
  std::string bytes = sbtest::readUntilQuiet(master);
  close(master);
  close(slave);

  std::vector<std::vector<std::string>> screen = screenOf(bytes, 16, 16);
  for (int row = 0; row < 16; row++) {
    std::vector<std::string> chart = characters(CP437_CHART[row]);
    ASSERT_EQ(chart.size(), 16u) << row;
    for (int column = 0; column < 16; column++)
      EXPECT_EQ(screen[static_cast<size_t>(row)][static_cast<size_t>(column)],
                chart[static_cast<size_t>(column)])
          << "code " << row * 16 + column;
  }
}

TEST(Charset, WindowDrawsTheFontsGlyphForTheCodePageCharacter) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  // Code 201 is the corner of double lines, U+2554; in Latin-1 it is a letter.
  for (const char *charset : {"cp437", "latin1"}) {
    ASSERT_EQ(sbtest::startEngine(std::string("charset:") + charset +
                                  ",\nwindow_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n" +
                                  sbtest::fontConfig()),
              0);
    sb::DisplayManager &display = sb::DisplayManager::getInstance();
    ASSERT_EQ(display.drawCh(sb::Vector(3, 2), static_cast<char>(201), sb::WHITE), 0);
    sf::Image engine = sbtest::screenshot();
    display.swapBuffers();

    // The font's own glyph, drawn where the engine puts a cell's glyph.
    sf::Font font;
    ASSERT_TRUE(font.loadFromFile(sbtest::fontPath()));
    sf::Text text(sf::String(static_cast<sf::Uint32>(0x2554)), font, 20);
    text.setStyle(sf::Text::Bold);
    text.setPosition(30, 40);
    text.setFillColor(sf::Color::White);
    display.getWindow()->draw(text);
    sf::Image oracle = sbtest::screenshot();
    sb::GameManager::getInstance().shutDown();

    sf::Color white = sf::Color::White;
    sbtest::PixelBox drawn = sbtest::colorBox(engine, white), expected = sbtest::colorBox(oracle, white);
    ASSERT_GT(expected.count, 20);
    bool same = engine.getSize() == oracle.getSize() &&
                std::equal(engine.getPixelsPtr(),
                           engine.getPixelsPtr() + 4 * engine.getSize().x * engine.getSize().y,
                           oracle.getPixelsPtr());
    if (std::string(charset) == "cp437") {
      EXPECT_TRUE(same) << drawn.count << " white pixels, the font's glyph " << expected.count;
    } else {
      EXPECT_FALSE(same);
    }
  }
}
