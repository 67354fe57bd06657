#include "BdfReader.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "BitmapFont.h"

namespace sb {

namespace {

// The whole numbers after a keyword; false when there are not `want` of
// them within +-limit.
bool numbers(const std::string &line, std::size_t want, std::vector<long> &out,
             long limit = 10000) {
  std::istringstream in(line);
  std::string word;
  in >> word;
  out.clear();
  long value;
  while (out.size() < want && in >> value) {
    if (value < -limit || value > limit) return false;
    out.push_back(value);
  }
  return out.size() == want;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool startsWith(const std::string &line, const char *word) {
  std::size_t n = std::char_traits<char>::length(word);
  return line.compare(0, n, word) == 0 && (line.size() == n || line[n] == ' ');
}

// The state of reading: the font's box and the glyph under way.
struct BdfState {
  long box[4] = {0, 0, 0, 0};  // width, height, x offset, y offset
  bool have_box = false;
  int glyph = -1;  // index of the glyph under way, -1 between glyphs
  int next_glyph = 0;
  long encoding = -1;
  long bbx[4] = {0, 0, 0, 0};
  int bitmap_rows = -1;  // rows of BITMAP still to read, -1 outside one
  int row = 0;
};

// One row of hexadecimal digits of the glyph under way.
bool readRow(const std::string &line, BdfState &s, BitmapFont &font, std::string &what) {
  int y = static_cast<int>((s.box[1] + s.box[3]) - (s.bbx[1] + s.bbx[3])) + s.row;
  int x0 = static_cast<int>(s.bbx[2] - s.box[2]);
  for (std::size_t i = 0; i < line.size() && static_cast<long>(i) * 4 < s.bbx[0]; i++) {
    int v = hexValue(line[i]);
    if (v < 0) {
      what = "bitmap row is not hexadecimal";
      return false;
    }
    for (int bit = 0; bit < 4; bit++) {
      int x = static_cast<int>(i) * 4 + bit;
      if ((v & (8 >> bit)) && x < s.bbx[0]) font.set(s.glyph, x0 + x, y);
    }
  }
  s.row++;
  s.bitmap_rows--;
  return true;
}

// A line of the font's or a glyph's header.
bool readKeyword(const std::string &line, BdfState &s, BitmapFont &font, std::string &what) {
  std::vector<long> n;
  if (startsWith(line, "FONTBOUNDINGBOX")) {
    if (!numbers(line, 4, n)) return what = "FONTBOUNDINGBOX needs four numbers", false;
    for (int i = 0; i < 4; i++) s.box[i] = n[static_cast<std::size_t>(i)];
    s.have_box = true;
  } else if (startsWith(line, "CHARS")) {
    if (!s.have_box) return what = "CHARS before FONTBOUNDINGBOX", false;
    if (!numbers(line, 1, n) || n[0] < 1) return what = "CHARS needs a count", false;
    int count = static_cast<int>(std::min<long>(n[0], BitmapFont::MAX_GLYPHS));
    if (!font.reset(static_cast<int>(s.box[0]), static_cast<int>(s.box[1]), count))
      return what = "glyphs of " + std::to_string(s.box[0]) + " x " + std::to_string(s.box[1]) +
                    " pixels: out of range",
             false;
  } else if (startsWith(line, "STARTCHAR")) {
    if (font.getGlyphCount() == 0) return what = "STARTCHAR before CHARS", false;
    // Glyphs beyond the count (or the bound) are read and drawn nowhere.
    s.glyph = s.next_glyph < font.getGlyphCount() ? s.next_glyph++ : font.getGlyphCount();
    s.encoding = -1;
    for (long &v : s.bbx) v = 0;
  } else if (startsWith(line, "ENCODING")) {
    if (!numbers(line, 1, n, 0x10ffff)) return what = "ENCODING needs a code point", false;
    s.encoding = n[0];
  } else if (startsWith(line, "BBX")) {
    if (!numbers(line, 4, n) || n[0] < 0 || n[1] < 0 || n[0] > BitmapFont::MAX_GLYPH_SIDE ||
        n[1] > BitmapFont::MAX_GLYPH_SIDE)
      return what = "BBX needs four numbers, the size within bounds", false;
    for (int i = 0; i < 4; i++) s.bbx[i] = n[static_cast<std::size_t>(i)];
  } else if (startsWith(line, "BITMAP")) {
    if (s.glyph < 0) return what = "BITMAP outside a glyph", false;
    s.bitmap_rows = static_cast<int>(s.bbx[1]);
    s.row = 0;
  } else if (startsWith(line, "ENDCHAR")) {
    if (s.glyph >= 0 && s.glyph < font.getGlyphCount() && s.encoding >= 0)
      font.map(static_cast<char32_t>(s.encoding), s.glyph);
    s.glyph = -1;
    s.bitmap_rows = -1;
  }
  return true;
}

}  // namespace

bool BdfReader::read(const std::string &bytes, BitmapFont &font, std::string &problem) {
  BdfState s;
  std::size_t at = 0;
  int line_number = 0;
  bool ended = false;
  std::string what;
  while (at < bytes.size() && !ended) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, std::min<std::size_t>(end - at, 4096));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    at = end + 1;
    line_number++;
    bool fine = true;
    if (s.bitmap_rows > 0)
      fine = readRow(line, s, font, what);
    else if (startsWith(line, "ENDFONT"))
      ended = true;
    else
      fine = readKeyword(line, s, font, what);
    if (!fine) {
      problem = "BDF line " + std::to_string(line_number) + ": " + what;
      return false;
    }
  }
  if (font.getGlyphCount() == 0) {
    problem = "BDF font without FONTBOUNDINGBOX and CHARS";
    return false;
  }
  if (!ended) {
    problem = "BDF font cut short (no ENDFONT)";
    return false;
  }
  return true;
}

}  // namespace sb
