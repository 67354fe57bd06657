// Bitmap fonts: the real console fonts decoded here by a reader of the
// test's own, against what the engine reads of them, of the same glyphs
// written as PSF2, BDF and a PNG tile sheet, and pixel for pixel in a real
// window; broken and cut-short files refused with what is wrong.
#include <gtest/gtest.h>

#include <zlib.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include <SFML/Graphics.hpp>

#include "BitmapFont.h"
#include "DisplayManager.h"
#include "GameManager.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

const std::string FONTS = "/usr/share/consolefonts/";

// A font as this test reads it: glyph bits and the code points of each.
struct Decoded {
  int width = 0, height = 0;
  std::vector<std::vector<bool>> glyphs;  // row after row
  std::map<char32_t, int> codes;          // first glyph named for each code
};

std::string gunzipFile(const std::string &path) {
  std::string out;
  gzFile file = gzopen(path.c_str(), "rb");
  if (!file) return out;
  char buffer[8192];
  int n;
  while ((n = gzread(file, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  gzclose(file);
  return out;
}

// PSF1 with its 16-bit Unicode table.
Decoded decodePsf1(const std::string &bytes) {
  Decoded font;
  auto byte = [&](size_t at) { return static_cast<unsigned char>(bytes.at(at)); };
  int count = byte(2) & 1 ? 512 : 256;
  font.width = 8;
  font.height = byte(3);
  for (int g = 0; g < count; g++) {
    std::vector<bool> bits;
    for (int y = 0; y < font.height; y++)
      for (int x = 0; x < 8; x++) bits.push_back(byte(4 + g * font.height + y) >> (7 - x) & 1);
    font.glyphs.push_back(bits);
  }
  size_t at = 4 + static_cast<size_t>(count) * font.height;
  for (int g = 0; g < count && at + 1 < bytes.size(); g++) {
    bool sequence = false;
    for (unsigned v; (v = byte(at) | byte(at + 1) << 8, at += 2, v != 0xffff);) {
      if (v == 0xfffe) sequence = true;
      if (!sequence && v != 0xfffe) font.codes.emplace(static_cast<char32_t>(v), g);
    }
  }
  return font;
}

std::string utf8(char32_t c) {
  std::string s;
  if (c < 0x80) s += static_cast<char>(c);
  else if (c < 0x800) s += {static_cast<char>(0xc0 | c >> 6), static_cast<char>(0x80 | (c & 0x3f))};
  else s += {static_cast<char>(0xe0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3f)),
             static_cast<char>(0x80 | (c & 0x3f))};
  return s;
}

std::string psf2Of(const Decoded &font) {
  std::string out("\x72\xb5\x4a\x86", 4);
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; i++) out += static_cast<char>(v >> (8 * i)); };
  int row_bytes = (font.width + 7) / 8;
  for (uint32_t v : {0u, 32u, 1u, static_cast<uint32_t>(font.glyphs.size()),
                     static_cast<uint32_t>(row_bytes * font.height),
                     static_cast<uint32_t>(font.height), static_cast<uint32_t>(font.width)})
    u32(v);
  for (const auto &bits : font.glyphs)
    for (int y = 0; y < font.height; y++)
      for (int b = 0; b < row_bytes; b++) {
        int value = 0;
        for (int x = b * 8; x < b * 8 + 8 && x < font.width; x++)
          if (bits[static_cast<size_t>(y * font.width + x)]) value |= 0x80 >> (x - b * 8);
        out += static_cast<char>(value);
      }
  for (size_t g = 0; g < font.glyphs.size(); g++) {
    for (const auto &code : font.codes)
      if (code.second == static_cast<int>(g)) out += utf8(code.first);
    out += '\xff';
  }
  return out;
}

std::string bdfOf(const Decoded &font) {
  std::string out = "STARTFONT 2.1\nFONTBOUNDINGBOX " + std::to_string(font.width) + " " +
                    std::to_string(font.height) + " 0 0\nCHARS " +
                    std::to_string(font.codes.size()) + "\n";
  char hex[8];
  for (const auto &code : font.codes) {
    out += "STARTCHAR c\nENCODING " + std::to_string(code.first) + "\nBBX " +
           std::to_string(font.width) + " " + std::to_string(font.height) + " 0 0\nBITMAP\n";
    const auto &bits = font.glyphs[static_cast<size_t>(code.second)];
    for (int y = 0; y < font.height; y++) {
      int value = 0;
      for (int x = 0; x < 8; x++) value = value << 1 | (x < font.width && bits[static_cast<size_t>(y * font.width + x)]);
      snprintf(hex, sizeof hex, "%02X\n", value);
      out += hex;
    }
    out += "ENDCHAR\n";
  }
  return out + "ENDFONT\n";
}

// The first 256 glyphs as a 16 x 16 tile sheet, in three ways of telling
// glyph from ground.
std::string sheetOf(const Decoded &font, int way) {
  sf::Image sheet;
  sf::Color ground = way == 0 ? sf::Color(255, 0, 255) : way == 1 ? sf::Color::Black : sf::Color::Transparent;
  sf::Color ink = way == 0 ? sf::Color(200, 200, 50) : sf::Color::White;
  sheet.create(static_cast<unsigned>(16 * font.width), static_cast<unsigned>(16 * font.height), ground);
  for (int g = 0; g < 256; g++)
    for (int y = 0; y < font.height; y++)
      for (int x = 0; x < font.width; x++)
        if (font.glyphs[static_cast<size_t>(g)][static_cast<size_t>(y * font.width + x)])
          sheet.setPixel(static_cast<unsigned>(g % 16 * font.width + x),
                         static_cast<unsigned>(g / 16 * font.height + y), ink);
  // The key colour is the top-left pixel: keep it ground.
  sheet.setPixel(0, 0, ground);
  std::string path = sbtest::tempDir() + "/sheet.png";
  sheet.saveToFile(path);
  std::string bytes = sbtest::readFile(path);
  std::remove(path.c_str());
  return bytes;
}

// Glyph g of the engine's font against glyph d of the decoded one.
bool sameGlyph(const sb::BitmapFont &font, int g, const Decoded &decoded, int d) {
  for (int y = 0; y < decoded.height; y++)
    for (int x = 0; x < decoded.width; x++)
      if (font.isSet(g, x, y) != decoded.glyphs[static_cast<size_t>(d)][static_cast<size_t>(y * decoded.width + x)])
        return false;
  return true;
}

TEST(BitmapFont, ConsoleFontsReadAsTheTestDecodesThemInEveryFormat) {
  for (const char *name : {"Uni2-VGA16.psf.gz", "Lat15-Terminus16.psf.gz", "Lat2-Fixed14.psf.gz"}) {
    std::string raw = gunzipFile(FONTS + name);
    ASSERT_GT(raw.size(), 4u) << name << ": install console-setup-linux";
    Decoded decoded = decodePsf1(raw);
    const std::string forms[] = {sbtest::readFile(FONTS + name), raw, psf2Of(decoded), bdfOf(decoded)};
    for (size_t form = 0; form < 4; form++) {
      sb::BitmapFont font;
      std::string problem;
      ASSERT_EQ(font.loadFromMemory(forms[form], problem), 0) << name << " form " << form << ": " << problem;
      EXPECT_EQ(font.getWidth(), decoded.width);
      EXPECT_EQ(font.getHeight(), decoded.height);
      for (const auto &code : decoded.codes) {
        int g = font.glyphFor(code.first);
        ASSERT_GE(g, 0) << name << " form " << form << " U+" << std::hex << code.first;
        ASSERT_TRUE(sameGlyph(font, g, decoded, code.second))
            << name << " form " << form << " U+" << std::hex << code.first;
      }
      // A character the font lacks draws its replacement glyph.
      int replacement = decoded.codes.count(0xfffd) ? decoded.codes[0xfffd] : decoded.codes['?'];
      EXPECT_TRUE(sameGlyph(font, font.glyphFor(0x10fff0), decoded, replacement)) << name;
    }
    for (int way = 0; way < 3; way++) {
      sb::BitmapFont sheet;
      std::string problem;
      ASSERT_EQ(sheet.loadFromMemory(sheetOf(decoded, way), problem), 0) << problem;
      for (int g = 0; g < 256; g++)
        ASSERT_TRUE(sameGlyph(sheet, g, decoded, g)) << name << " sheet " << way << " glyph " << g;
      EXPECT_EQ(sheet.glyphFor(0x2554), 201);  // code page 437 order
    }
  }
}

TEST(BitmapFont, BrokenAndCutShortFilesAreRefusedWithWhatIsWrong) {
  std::string raw = gunzipFile(FONTS + "Uni2-VGA16.psf.gz");
  std::string packed = sbtest::readFile(FONTS + "Uni2-VGA16.psf.gz");
  Decoded decoded = decodePsf1(raw);
  std::string psf2 = psf2Of(decoded), bdf = bdfOf(decoded);
  std::string huge_psf2 = psf2;
  huge_psf2[28] = '\xff';  // width 255
  struct Case {
    std::string bytes, problem;
  };
  const Case cases[] = {
      {packed.substr(0, packed.size() / 2), "gzip data cut short"},
      {packed.substr(0, 2) + std::string(100, 'x'), "broken gzip data"},
      {raw.substr(0, 3), "PSF1 header cut short"},
      {raw.substr(0, 2000), "PSF1 glyphs cut short"},
      {raw.substr(0, raw.size() - 3), "PSF1 Unicode table cut short"},
      {psf2.substr(0, 20), "PSF2 header cut short"},
      {huge_psf2, "out of range"},
      {psf2.substr(0, 3000), "PSF2 glyphs cut short"},
      {bdf.substr(0, bdf.size() / 2), "BDF font cut short"},
      {"STARTFONT 2.1\nCHARS 3\n", "CHARS before FONTBOUNDINGBOX"},
      {"STARTFONT 2.1\nFONTBOUNDINGBOX 900 8 0 0\nCHARS 1\n", "out of range"},
      {sheetOf(decoded, 1).substr(0, 200), "broken PNG data"},
      {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x21\0\0\0\x20", 24), "not 16 x 16 glyphs"},
      {"hello", "not a PNG tile sheet, PSF or BDF font"},
  };
  for (const Case &c : cases) {
    sb::BitmapFont font;
    std::string problem;
    EXPECT_EQ(font.loadFromMemory(c.bytes, problem), -1) << c.problem;
    EXPECT_NE(problem.find(c.problem), std::string::npos) << problem << " / " << c.problem;
    EXPECT_EQ(font.getGlyphCount(), 0);
  }
}

// Every cell exactly its glyph's pixels in a real window, each glyph pixel
// tile_scale x tile_scale window pixels: the foreground where the bit is
// set, the cell's background elsewhere.
TEST(BitmapFont, WindowCellsAreExactlyTheGlyphsPixels) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  const std::string file = FONTS + "Uni2-VGA16.psf.gz";
  Decoded decoded = decodePsf1(gunzipFile(file));
  // Collected into one draw call (twice) and a call a piece.
  for (int run = 0; run < 3; run++) {
    int scale = run == 1 ? 2 : 1;
    ASSERT_EQ(sbtest::startEngine("font_file:" + file + ",\ntile_scale:" + std::to_string(scale) +
                                  ",\nbatch_drawing:" + (run == 2 ? "false" : "true") +
                                  ",\nwindow_horizontal_chars:24,\nwindow_vertical_chars:4,\n"),
              0)
        << sbtest::readLog();
    EXPECT_NE(sbtest::readLog().find("pixels are not used"), std::string::npos);
    sb::DisplayManager &dm = sb::DisplayManager::getInstance();
    EXPECT_EQ(dm.getHorizontalPixels(), 24 * 8 * scale);
    const std::string text = "Ag@#~x?{|";
    dm.drawString(sb::Vector(1, 1), text, sb::LEFT_JUSTIFIED, sf::Color(255, 200, 0),
                  sf::Color(0, 0, 120));
    dm.drawCh(sb::Vector(12, 2), static_cast<char>(201), sb::GREEN);  // Latin-1 É
    EXPECT_EQ(dm.getBatching(), run != 2);
    // A shape in the last cell, far from the cells checked.
    dm.drawPolygon(static_cast<float>(dm.getHorizontalPixels() - 4),
                   static_cast<float>(dm.getVerticalPixels() - 4), 1, 4, 0, sf::Color::Red);
    sf::Image image = sbtest::screenshot();
    ASSERT_EQ(image.getSize().x, static_cast<unsigned>(24 * 8 * scale));
    auto expectCell = [&](int column, int row, char32_t code, sf::Color fg, sf::Color bg) {
      int g = decoded.codes.at(code);
      int wrong = 0;
      for (int y = 0; y < 16 * scale; y++)
        for (int x = 0; x < 8 * scale; x++) {
          bool set = decoded.glyphs[static_cast<size_t>(g)][static_cast<size_t>(y / scale * 8 + x / scale)];
          sf::Color seen = image.getPixel(static_cast<unsigned>(column * 8 * scale + x),
                                          static_cast<unsigned>(row * 16 * scale + y));
          if (seen != (set ? fg : bg)) wrong++;
        }
      EXPECT_EQ(wrong, 0) << "U+" << std::hex << code << " scale " << scale;
    };
    for (size_t i = 0; i < text.size(); i++)
      expectCell(1 + static_cast<int>(i), 1, static_cast<unsigned char>(text[i]),
                 sf::Color(255, 200, 0), sf::Color(0, 0, 120));
    expectCell(12, 2, 0xc9, sf::Color::Green, sf::Color::Black);
    EXPECT_EQ(dm.swapBuffers(), 0);
    sb::GameManager::getInstance().shutDown();
  }
  // A cut-short font file is refused at start-up, the log naming it and what is wrong.
  const std::string cut = sbtest::tempDir() + "/cut.psf";
  sbtest::writeFile(cut, gunzipFile(file).substr(0, 1000));
  EXPECT_EQ(sbtest::startEngine("font_file:" + cut + ",\n"), -1);
  EXPECT_NE(sbtest::readLog().find("Font file '" + cut + "' refused: PSF1 glyphs cut short"),
            std::string::npos)
      << sbtest::readLog();
  sb::GameManager::getInstance().shutDown();
  std::remove(cut.c_str());
}

}  // namespace
