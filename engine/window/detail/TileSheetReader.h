#ifndef SORBELANE_TILE_SHEET_READER_H
#define SORBELANE_TILE_SHEET_READER_H

#include <string>

namespace sb {

class BitmapFont;

/// Reads a PNG tile sheet of 16 x 16 glyphs in code page 437 order, the
/// layout of roguelike tilesets. A glyph's pixel is set where the sheet is
/// opaque (sheets with transparency), where it is light (greyscale sheets,
/// the grey read as alpha), else where it differs from the key colour of
/// the top-left pixel.
class TileSheetReader {
 public:
  /// Reads the sheet; false with what is wrong in problem.
  static bool read(const std::string &bytes, BitmapFont &font, std::string &problem);
};

}  // namespace sb

#endif
