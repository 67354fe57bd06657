#ifndef SORBELANE_BDF_READER_H
#define SORBELANE_BDF_READER_H

#include <string>

namespace sb {

class BitmapFont;

/// Reads BDF fonts: the cell is the font's bounding box, each glyph placed
/// in it by its own box; encodings are taken as Unicode code points.
class BdfReader {
 public:
  /// Reads the font; false with what is wrong (and its line) in problem.
  static bool read(const std::string &bytes, BitmapFont &font, std::string &problem);
};

}  // namespace sb

#endif
