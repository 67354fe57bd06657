#ifndef SORBELANE_PSF_READER_H
#define SORBELANE_PSF_READER_H

#include <string>

namespace sb {

class BitmapFont;

/// Reads Linux console fonts: PSF1 (8 pixels wide, 256 or 512 glyphs) and
/// PSF2, with their Unicode tables. Without a table glyph i is code page
/// 437 character i.
class PsfReader {
 public:
  /// Whether the bytes begin with a PSF1 or PSF2 magic number.
  static bool isPsf(const std::string &bytes);
  /// Reads the font; false with what is wrong in problem.
  static bool read(const std::string &bytes, BitmapFont &font, std::string &problem);

 private:
  static bool readPsf1(const std::string &bytes, BitmapFont &font, std::string &problem);
  static bool readPsf2(const std::string &bytes, BitmapFont &font, std::string &problem);
  // Glyph bitmaps of rows padded to whole bytes, from data[at].
  static void readGlyphs(const std::string &bytes, std::size_t at, BitmapFont &font);
  // Glyph i as code page 437 character i, for fonts without a table.
  static void mapCp437(BitmapFont &font);
};

}  // namespace sb

#endif
