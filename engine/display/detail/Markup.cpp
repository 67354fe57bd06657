#include "Markup.h"

#include <cctype>

#include "Color.h"
#include "utility.h"

namespace sb {

namespace {

// The longest markup read: "#[" and a colour name or "#rrggbb", then "]".
const std::size_t MAX_MARKUP = 12;

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#rrggbb" into color; false for anything else.
bool hexColor(const std::string &name, sf::Color &color) {
  if (name.size() != 7 || name[0] != '#') return false;
  int value[6];
  for (int i = 0; i < 6; i++)
    if ((value[i] = hexDigit(name[static_cast<std::size_t>(i) + 1])) < 0) return false;
  color = sf::Color(static_cast<sf::Uint8>(value[0] * 16 + value[1]),
                    static_cast<sf::Uint8>(value[2] * 16 + value[3]),
                    static_cast<sf::Uint8>(value[4] * 16 + value[5]));
  return true;
}

}  // namespace

std::size_t Markup::colorAt(const std::string &text, std::size_t at, sf::Color base,
                            sf::Color &color) {
  if (at + 2 >= text.size() || text[at + 1] != '[') return 0;
  std::size_t close = text.find(']', at + 2);
  if (close == std::string::npos || close - at + 1 > MAX_MARKUP) return 0;
  std::string name = text.substr(at + 2, close - at - 2);
  Color named;
  if (name.empty()) {
    color = base;
  } else if (colorFromName(name, named)) {
    unsigned char r = 0, g = 0, b = 0;
    colorToRGB(named, r, g, b);
    color = sf::Color(r, g, b);
  } else if (!hexColor(name, color)) {
    return 0;
  }
  return close - at + 1;
}

void Markup::read(const std::string &text, sf::Color base, std::string &chars,
                  std::vector<sf::Color> &colors) {
  chars.clear();
  colors.clear();
  sf::Color color = base;
  std::size_t at = 0;
  while (at < text.size()) {
    char c = text[at];
    if (c == '#' && at + 1 < text.size() && text[at + 1] == '#') {
      chars.push_back('#');
      colors.push_back(color);
      at += 2;
      continue;
    }
    std::size_t length = c == '#' ? colorAt(text, at, base, color) : 0;
    if (length > 0) {
      at += length;
      continue;
    }
    chars.push_back(c);
    colors.push_back(color);
    at++;
  }
}

}  // namespace sb
