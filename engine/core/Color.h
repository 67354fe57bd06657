#ifndef SORBELANE_COLOR_H
#define SORBELANE_COLOR_H

namespace sb {

/// The engine's colours; WHITE is the default. CUSTOM means "RGB given elsewhere".
enum Color : int {
  BLACK = 0,    ///< Black.
  RED = 1,      ///< Red.
  GREEN = 2,    ///< Green.
  YELLOW = 3,   ///< Yellow.
  BLUE = 4,     ///< Blue.
  MAGENTA = 5,  ///< Magenta.
  CYAN = 6,     ///< Cyan.
  WHITE = 7,    ///< White.
  CUSTOM = 8,   ///< The red, green and blue values are given elsewhere.
};

/// The colour of text and shapes when none is given.
const Color COLOR_DEFAULT = WHITE;

}  // namespace sb

#endif
