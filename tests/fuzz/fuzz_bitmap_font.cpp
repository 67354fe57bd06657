// Bitmap font files (PNG tile sheets, PSF1/PSF2 gzipped or not, BDF): the
// input is read as one font from memory. A font that loads must have glyphs
// within bounds, and every code point must draw a glyph of it or nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "BitmapFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sb::BitmapFont font;
  std::string problem;
  std::string bytes(reinterpret_cast<const char *>(data), size);
  if (font.loadFromMemory(bytes, problem) != 0) {
    if (problem.empty()) std::abort();  // a refusal says why
    return 0;
  }
  if (font.getWidth() < 1 || font.getWidth() > sb::BitmapFont::MAX_GLYPH_SIDE ||
      font.getHeight() < 1 || font.getHeight() > sb::BitmapFont::MAX_GLYPH_SIDE ||
      font.getGlyphCount() < 1 || font.getGlyphCount() > sb::BitmapFont::MAX_GLYPHS)
    std::abort();
  for (char32_t code : {U'?', U'A', U'\uFFFD', U'\u2554', U'\0', char32_t(0x10FFFF)}) {
    int glyph = font.glyphFor(code);
    if (glyph < -1 || glyph >= font.getGlyphCount()) std::abort();
    if (glyph >= 0) (void)font.isSet(glyph, font.getWidth() - 1, font.getHeight() - 1);
  }
  return 0;
}
