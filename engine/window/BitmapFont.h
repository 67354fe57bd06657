#ifndef SORBELANE_BITMAP_FONT_H
#define SORBELANE_BITMAP_FONT_H

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace sb {

/// A font of fixed-size bitmap glyphs, for windows whose cells are exactly
/// the glyph's pixels: a PNG tile sheet of 16 x 16 glyphs in code page 437
/// order, a PSF1 or PSF2 console font (gzipped or not, with its Unicode
/// table) or a BDF font. The kind is found from the content, not the name.
class BitmapFont {
 public:
  /// The largest glyph side, in pixels.
  static const int MAX_GLYPH_SIDE = 64;
  /// The most glyphs a font keeps.
  static const int MAX_GLYPHS = 4096;
  /// The largest font file read, in bytes (also after gunzipping).
  static const std::size_t MAX_FILE_SIZE = 16u << 20;

  /// Whether the bytes begin as a bitmap font (or a gzipped file) does;
  /// anything else is taken for TrueType.
  static bool looksLikeBitmapFont(const std::string &head);
  /// Reads the font in file; 0, or -1 with what is wrong in problem.
  int loadFromFile(const std::string &file, std::string &problem);
  /// Reads a font from its bytes; 0, or -1 with what is wrong in problem.
  int loadFromMemory(const std::string &bytes, std::string &problem);

  /// Glyph width in pixels (0 before a font is read).
  int getWidth() const { return width; }
  /// Glyph height in pixels (0 before a font is read).
  int getHeight() const { return height; }
  /// The number of glyphs.
  int getGlyphCount() const { return count; }
  /// The glyph drawn for a code point: its own, else the replacement glyph
  /// (U+FFFD, else '?'), else -1.
  int glyphFor(char32_t code) const;
  /// Whether pixel (x, y) of a glyph is set (false outside).
  bool isSet(int glyph, int x, int y) const;

  /// Starts a font of count glyphs of width x height pixels, all clear;
  /// false (nothing changes) when a size is out of bounds.
  bool reset(int new_width, int new_height, int new_count);
  /// Sets pixel (x, y) of a glyph (ignored outside).
  void set(int glyph, int x, int y);
  /// Makes code draw a glyph (the first glyph named for a code wins).
  void map(char32_t code, int glyph);

 private:
  int width = 0, height = 0, count = 0;
  std::vector<unsigned char> pixels;  // one byte a pixel, glyph after glyph
  std::unordered_map<char32_t, int> glyphs;
  int replacement = -1;
};

}  // namespace sb

#endif
