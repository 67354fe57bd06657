#include "BitmapFont.h"

#include "BdfReader.h"
#include "FontInflater.h"
#include "PsfReader.h"
#include "RegularFile.h"
#include "TileSheetReader.h"

namespace sb {

namespace {

bool startsWith(const std::string &bytes, const char *magic, std::size_t size) {
  return bytes.size() >= size && bytes.compare(0, size, magic, size) == 0;
}

const char GZIP[] = "\x1f\x8b";
const char PNG[] = "\x89PNG\r\n\x1a\n";
const char BDF[] = "STARTFONT";

}  // namespace

bool BitmapFont::looksLikeBitmapFont(const std::string &head) {
  return startsWith(head, GZIP, 2) || startsWith(head, PNG, 8) || startsWith(head, BDF, 9) ||
         PsfReader::isPsf(head);
}

int BitmapFont::loadFromFile(const std::string &file, std::string &problem) {
  std::string bytes;
  int status = RegularFile::read(file, bytes, MAX_FILE_SIZE);
  if (status != 0) {
    problem = status == -2 ? "not a regular file" : "cannot be opened";
    return -1;
  }
  if (bytes.size() > MAX_FILE_SIZE) {
    problem = "larger than " + std::to_string(MAX_FILE_SIZE >> 20) + " MiB";
    return -1;
  }
  return loadFromMemory(bytes, problem);
}

int BitmapFont::loadFromMemory(const std::string &bytes, std::string &problem) {
  *this = BitmapFont();
  if (startsWith(bytes, GZIP, 2)) {
    std::string inflated;
    if (!FontInflater::gunzip(bytes, MAX_FILE_SIZE, inflated, problem)) return -1;
    if (startsWith(inflated, GZIP, 2)) {
      problem = "gzipped twice";
      return -1;
    }
    return loadFromMemory(inflated, problem);
  }
  bool read = false;
  if (startsWith(bytes, PNG, 8))
    read = TileSheetReader::read(bytes, *this, problem);
  else if (startsWith(bytes, BDF, 9))
    read = BdfReader::read(bytes, *this, problem);
  else if (PsfReader::isPsf(bytes))
    read = PsfReader::read(bytes, *this, problem);
  else
    problem = "not a PNG tile sheet, PSF or BDF font";
  if (read && glyphFor('?') < 0 && glyphFor(0xfffd) < 0 && count > 0) replacement = 0;
  if (!read) *this = BitmapFont();
  return read ? 0 : -1;
}

int BitmapFont::glyphFor(char32_t code) const {
  auto found = glyphs.find(code);
  if (found != glyphs.end()) return found->second;
  return replacement;
}

bool BitmapFont::isSet(int glyph, int x, int y) const {
  if (glyph < 0 || glyph >= count || x < 0 || y < 0 || x >= width || y >= height) return false;
  return pixels[(static_cast<std::size_t>(glyph) * height + y) * width + x] != 0;
}

bool BitmapFont::reset(int new_width, int new_height, int new_count) {
  if (new_width < 1 || new_height < 1 || new_width > MAX_GLYPH_SIDE ||
      new_height > MAX_GLYPH_SIDE || new_count < 1 || new_count > MAX_GLYPHS)
    return false;
  width = new_width;
  height = new_height;
  count = new_count;
  pixels.assign(static_cast<std::size_t>(count) * width * height, 0);
  glyphs.clear();
  replacement = -1;
  return true;
}

void BitmapFont::set(int glyph, int x, int y) {
  if (glyph < 0 || glyph >= count || x < 0 || y < 0 || x >= width || y >= height) return;
  pixels[(static_cast<std::size_t>(glyph) * height + y) * width + x] = 1;
}

void BitmapFont::map(char32_t code, int glyph) {
  if (glyph < 0 || glyph >= count) return;
  glyphs.emplace(code, glyph);
  // U+FFFD first, else '?': what a missing character draws.
  if (code == 0xfffd) replacement = glyph;
  if (code == '?' && glyphs.find(0xfffd) == glyphs.end()) replacement = glyph;
}

}  // namespace sb
