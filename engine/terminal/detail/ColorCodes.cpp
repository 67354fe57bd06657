#include "ColorCodes.h"

#include <algorithm>
#include <cstring>

namespace sb {

namespace {

// The 16 colours in SGR order: black, red, green, yellow (brown), blue,
// magenta, cyan, white, then their bright forms.
const unsigned char PALETTE_16[16][3] = {
    {0, 0, 0},     {170, 0, 0},     {0, 170, 0},    {170, 85, 0},   {0, 0, 170},   {170, 0, 170},
    {0, 170, 170}, {170, 170, 170}, {85, 85, 85},   {255, 85, 85},  {85, 255, 85}, {255, 255, 85},
    {85, 85, 255}, {255, 85, 255},  {85, 255, 255}, {255, 255, 255}};

// The levels of the colour cube's channels and their nearest index.
const int CUBE_LEVELS[6] = {0, 95, 135, 175, 215, 255};

int nearestCubeIndex(int value) {
  if (value < 48) return 0;
  if (value < 115) return 1;
  return (value - 35) / 40;
}

int squaredDistance(int r1, int g1, int b1, int r2, int g2, int b2) {
  return (r1 - r2) * (r1 - r2) + (g1 - g2) * (g1 - g2) + (b1 - b2) * (b1 - b2);
}

// Marks a table slot as filled (colours have 24 bits).
const std::uint32_t KNOWN = std::uint32_t(1) << 24;

// The slot of a colour: its channels mixed into six bits.
int slotOf(std::uint32_t rgb) { return static_cast<int>((rgb * 2654435761u) >> 26); }

}  // namespace

ColorCodes::ColorCodes(TerminalDisplay::ColorMode new_mode) : mode(new_mode) {}

int ColorCodes::nearest16(unsigned char r, unsigned char g, unsigned char b) {
  int best = 0, best_distance = 1 << 30;
  for (int index = 0; index < 16; index++) {
    const unsigned char *rgb = PALETTE_16[index];
    int distance = squaredDistance(r, g, b, rgb[0], rgb[1], rgb[2]);
    if (distance < best_distance) {
      best = index;
      best_distance = distance;
    }
  }
  return best;
}

int ColorCodes::nearest256(unsigned char r, unsigned char g, unsigned char b) {
  int ri = nearestCubeIndex(r), gi = nearestCubeIndex(g), bi = nearestCubeIndex(b);
  int cube = squaredDistance(r, g, b, CUBE_LEVELS[ri], CUBE_LEVELS[gi], CUBE_LEVELS[bi]);
  // The grey ramp: 24 levels 8, 18, ..., 238.
  int average = (r + g + b) / 3;
  int grey_index = average < 8 ? 0 : std::min((average - 3) / 10, 23);
  int level = 8 + 10 * grey_index;
  int grey = squaredDistance(r, g, b, level, level, level);
  if (grey < cube) return 232 + grey_index;
  return 16 + 36 * ri + 6 * gi + bi;
}

void ColorCodes::append(std::string &out, bool background, std::uint32_t rgb) {
  Code &code = codes[background ? 1 : 0][slotOf(rgb)];
  if (code.key != (rgb | KNOWN)) {
    std::string text = format(background, rgb);  // at most 16 characters
    code.length = static_cast<unsigned char>(std::min(text.size(), sizeof code.text));
    std::memcpy(code.text, text.data(), code.length);
    code.key = rgb | KNOWN;
  }
  out.append(code.text, code.length);
}

std::string ColorCodes::format(bool background, std::uint32_t rgb) const {
  unsigned char r = static_cast<unsigned char>(rgb >> 16), g = static_cast<unsigned char>(rgb >> 8),
                b = static_cast<unsigned char>(rgb);
  if (mode == TerminalDisplay::COLORS_16) {  // 30-37 and 90-97, 40-47 and 100-107
    int index = nearest16(r, g, b);
    int base = index < 8 ? (background ? 40 : 30) : (background ? 100 : 90);
    return std::to_string(base + index % 8);
  }
  std::string text = background ? "48;" : "38;";
  if (mode == TerminalDisplay::TRUE_COLOR)
    return text + "2;" + std::to_string(r) + ";" + std::to_string(g) + ";" + std::to_string(b);
  return text + "5;" + std::to_string(nearest256(r, g, b));
}

}  // namespace sb
