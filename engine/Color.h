#ifndef SORBELANE_COLOR_H
#define SORBELANE_COLOR_H

namespace sb {

// The engine's colours; WHITE is the default. CUSTOM means "RGB given elsewhere".
enum Color : int {
  BLACK = 0,
  RED = 1,
  GREEN = 2,
  YELLOW = 3,
  BLUE = 4,
  MAGENTA = 5,
  CYAN = 6,
  WHITE = 7,
  CUSTOM = 8,
};

const Color COLOR_DEFAULT = WHITE;

}  // namespace sb

#endif
