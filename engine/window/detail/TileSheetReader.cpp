#include "TileSheetReader.h"

#include <SFML/Graphics/Image.hpp>

#include "BitmapFont.h"
#include "utility.h"

namespace sb {

namespace {

enum Rule { ALPHA, GREY, KEY };

// How the sheet tells glyph from ground: its alpha where any pixel is not
// opaque, its grey where every pixel is grey, else the key colour.
Rule ruleOf(const sf::Image &sheet) {
  bool grey = true;
  sf::Vector2u size = sheet.getSize();
  for (unsigned y = 0; y < size.y; y++)
    for (unsigned x = 0; x < size.x; x++) {
      sf::Color c = sheet.getPixel(x, y);
      if (c.a < 255) return ALPHA;
      if (c.r != c.g || c.g != c.b) grey = false;
    }
  return grey ? GREY : KEY;
}

}  // namespace

bool TileSheetReader::read(const std::string &bytes, BitmapFont &font, std::string &problem) {
  sf::Image sheet;
  // The header's size first: SFML would allocate whatever it says.
  if (bytes.size() < 24) {
    problem = "PNG header cut short";
    return false;
  }
  auto u32 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) << 24 |
           static_cast<unsigned char>(bytes[at + 1]) << 16 |
           static_cast<unsigned char>(bytes[at + 2]) << 8 |
           static_cast<unsigned char>(bytes[at + 3]);
  };
  unsigned width = u32(16), height = u32(20);
  const unsigned most = 16 * BitmapFont::MAX_GLYPH_SIDE;
  if (width == 0 || height == 0 || width > most || height > most || width % 16 || height % 16) {
    problem = "tile sheet of " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels: not 16 x 16 glyphs of at most " +
              std::to_string(BitmapFont::MAX_GLYPH_SIDE) + " pixels";
    return false;
  }
  if (!sheet.loadFromMemory(bytes.data(), bytes.size()) || sheet.getSize().x != width ||
      sheet.getSize().y != height) {
    problem = "broken PNG data";
    return false;
  }
  int glyph_width = static_cast<int>(width / 16), glyph_height = static_cast<int>(height / 16);
  font.reset(glyph_width, glyph_height, 256);
  Rule rule = ruleOf(sheet);
  sf::Color key = sheet.getPixel(0, 0);
  for (int glyph = 0; glyph < 256; glyph++) {
    unsigned left = static_cast<unsigned>(glyph % 16 * glyph_width);
    unsigned top = static_cast<unsigned>(glyph / 16 * glyph_height);
    for (int y = 0; y < glyph_height; y++)
      for (int x = 0; x < glyph_width; x++) {
        sf::Color c =
            sheet.getPixel(left + static_cast<unsigned>(x), top + static_cast<unsigned>(y));
        bool set = rule == ALPHA ? c.a >= 128 : rule == GREY ? c.r >= 128 : c != key;
        if (set) font.set(glyph, x, y);
      }
    font.map(characterCodePoint(static_cast<unsigned char>(glyph), true), glyph);
  }
  return true;
}

}  // namespace sb
