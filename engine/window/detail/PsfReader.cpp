#include "PsfReader.h"

#include <cstdint>

#include "BitmapFont.h"
#include "utility.h"

namespace sb {

namespace {

const unsigned char PSF1_MAGIC[2] = {0x36, 0x04};
const unsigned char PSF2_MAGIC[4] = {0x72, 0xb5, 0x4a, 0x86};
const int PSF1_512 = 0x01, PSF1_HAS_TABLE = 0x02, PSF1_SEQUENCES = 0x04;
const std::uint32_t PSF2_HAS_TABLE = 0x01;

unsigned char byteAt(const std::string &bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

std::uint32_t u32At(const std::string &bytes, std::size_t at) {
  return byteAt(bytes, at) | byteAt(bytes, at + 1) << 8 | byteAt(bytes, at + 2) << 16 |
         static_cast<std::uint32_t>(byteAt(bytes, at + 3)) << 24;
}

// One UTF-8 character at bytes[at] (of a PSF2 table); its length, or 0
// when it is broken.
std::size_t utf8At(const std::string &bytes, std::size_t at, char32_t &code) {
  unsigned char c = byteAt(bytes, at);
  std::size_t length = c < 0x80                 ? 1
                       : c >= 0xc2 && c <= 0xdf ? 2
                       : c >= 0xe0 && c <= 0xef ? 3
                       : c >= 0xf0 && c <= 0xf4 ? 4
                                                : 0;
  if (length == 0 || at + length > bytes.size()) return 0;
  std::uint32_t value = length == 1 ? c : c & (0x3f >> (length - 1));
  for (std::size_t i = 1; i < length; i++) {
    unsigned char next = byteAt(bytes, at + i);
    if ((next & 0xc0) != 0x80) return 0;
    value = value << 6 | (next & 0x3f);
  }
  code = static_cast<char32_t>(value);
  return length;
}

}  // namespace

bool PsfReader::isPsf(const std::string &bytes) {
  return (bytes.size() >= 2 && byteAt(bytes, 0) == PSF1_MAGIC[0] &&
          byteAt(bytes, 1) == PSF1_MAGIC[1]) ||
         (bytes.size() >= 4 &&
          bytes.compare(0, 4, reinterpret_cast<const char *>(PSF2_MAGIC), 4) == 0);
}

bool PsfReader::read(const std::string &bytes, BitmapFont &font, std::string &problem) {
  if (bytes.size() >= 4 && bytes.compare(0, 4, reinterpret_cast<const char *>(PSF2_MAGIC), 4) == 0)
    return readPsf2(bytes, font, problem);
  return readPsf1(bytes, font, problem);
}

void PsfReader::readGlyphs(const std::string &bytes, std::size_t at, BitmapFont &font) {
  int width = font.getWidth(), height = font.getHeight();
  std::size_t row_bytes = static_cast<std::size_t>(width + 7) / 8;
  for (int glyph = 0; glyph < font.getGlyphCount(); glyph++)
    for (int y = 0; y < height; y++, at += row_bytes)
      for (int x = 0; x < width; x++)
        if (byteAt(bytes, at + static_cast<std::size_t>(x / 8)) & (0x80 >> (x % 8)))
          font.set(glyph, x, y);
}

void PsfReader::mapCp437(BitmapFont &font) {
  for (int i = 0; i < font.getGlyphCount() && i < 256; i++)
    font.map(characterCodePoint(static_cast<unsigned char>(i), true), i);
}

bool PsfReader::readPsf1(const std::string &bytes, BitmapFont &font, std::string &problem) {
  if (bytes.size() < 4) {
    problem = "PSF1 header cut short";
    return false;
  }
  int mode = byteAt(bytes, 2), height = byteAt(bytes, 3);
  int count = mode & PSF1_512 ? 512 : 256;
  std::size_t glyph_end = 4 + static_cast<std::size_t>(count) * height;
  if (height == 0 || !font.reset(8, height, count)) {
    problem = "PSF1 glyph height " + std::to_string(height) + " out of range";
    return false;
  }
  if (bytes.size() < glyph_end) {
    problem = "PSF1 glyphs cut short (" + std::to_string(bytes.size()) + " of " +
              std::to_string(glyph_end) + " bytes)";
    return false;
  }
  readGlyphs(bytes, 4, font);
  if (!(mode & (PSF1_HAS_TABLE | PSF1_SEQUENCES))) {
    mapCp437(font);
    return true;
  }
  // Per glyph: 16-bit code points up to 0xFFFF; 0xFFFE begins sequences,
  // which draw nothing on their own.
  std::size_t at = glyph_end;
  for (int glyph = 0; glyph < count; glyph++) {
    bool in_sequence = false;
    for (;;) {
      if (at + 2 > bytes.size()) {
        problem = "PSF1 Unicode table cut short at glyph " + std::to_string(glyph);
        return false;
      }
      unsigned value = byteAt(bytes, at) | byteAt(bytes, at + 1) << 8;
      at += 2;
      if (value == 0xffff) break;
      if (value == 0xfffe)
        in_sequence = true;
      else if (!in_sequence)
        font.map(static_cast<char32_t>(value), glyph);
    }
  }
  return true;
}

bool PsfReader::readPsf2(const std::string &bytes, BitmapFont &font, std::string &problem) {
  if (bytes.size() < 32) {
    problem = "PSF2 header cut short";
    return false;
  }
  std::uint32_t header = u32At(bytes, 8), flags = u32At(bytes, 12), count = u32At(bytes, 16);
  std::uint32_t glyph_bytes = u32At(bytes, 20), height = u32At(bytes, 24), width = u32At(bytes, 28);
  if (width < 1 || height < 1 || width > BitmapFont::MAX_GLYPH_SIDE ||
      height > BitmapFont::MAX_GLYPH_SIDE || count < 1 || count > BitmapFont::MAX_GLYPHS) {
    problem = "PSF2 glyphs of " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels, " + std::to_string(count) + " of them: out of range";
    return false;
  }
  if (glyph_bytes != (width + 7) / 8 * height || header < 32 || header > bytes.size()) {
    problem = "PSF2 header inconsistent";
    return false;
  }
  std::size_t glyph_end = header + static_cast<std::size_t>(count) * glyph_bytes;
  if (bytes.size() < glyph_end) {
    problem = "PSF2 glyphs cut short (" + std::to_string(bytes.size()) + " of " +
              std::to_string(glyph_end) + " bytes)";
    return false;
  }
  font.reset(static_cast<int>(width), static_cast<int>(height), static_cast<int>(count));
  readGlyphs(bytes, header, font);
  if (!(flags & PSF2_HAS_TABLE)) {
    mapCp437(font);
    return true;
  }
  // Per glyph: UTF-8 characters up to 0xFF; 0xFE begins sequences.
  std::size_t at = glyph_end;
  for (std::uint32_t glyph = 0; glyph < count; glyph++) {
    bool in_sequence = false;
    for (;;) {
      if (at >= bytes.size()) {
        problem = "PSF2 Unicode table cut short at glyph " + std::to_string(glyph);
        return false;
      }
      unsigned char c = byteAt(bytes, at);
      if (c == 0xff) {
        at++;
        break;
      }
      if (c == 0xfe) {
        in_sequence = true;
        at++;
        continue;
      }
      char32_t code = 0;
      std::size_t length = utf8At(bytes, at, code);
      if (length == 0) {
        problem = "PSF2 Unicode table broken at glyph " + std::to_string(glyph);
        return false;
      }
      if (!in_sequence) font.map(code, static_cast<int>(glyph));
      at += length;
    }
  }
  return true;
}

}  // namespace sb
