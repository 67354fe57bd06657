#ifndef SORBELANE_COLOR_CODES_H
#define SORBELANE_COLOR_CODES_H

#include <cstdint>
#include <string>

#include "TerminalDisplay.h"

namespace sb {

/// The parameters of the escape sequence that sets a glyph or background
/// colour ("38;5;196", "48;2;0;0;0", "91"), in one colour mode. Each colour
/// is matched to the terminal's palette and formatted once, then kept in a
/// small table, so that a frame's cells cost a lookup each.
class ColorCodes {
 public:
  /// Codes for the given mode.
  explicit ColorCodes(TerminalDisplay::ColorMode mode);
  /// Appends the parameters for rgb (red in bits 16-23) as a glyph colour,
  /// or as the background.
  void append(std::string &out, bool background, std::uint32_t rgb);

  /// The index (0 to 15) of the nearest of the 16 VGA colours.
  static int nearest16(unsigned char r, unsigned char g, unsigned char b);
  /// The index (16 to 255) of the nearest colour of the cube or grey ramp.
  static int nearest256(unsigned char r, unsigned char g, unsigned char b);

 private:
  struct Code {
    std::uint32_t key = 0;  // the colour with a bit above its 24 set; 0: empty
    unsigned char length = 0;
    char text[23];
  };
  static const int SLOTS = 64;
  TerminalDisplay::ColorMode mode;
  Code codes[2][SLOTS];
  std::string format(bool background, std::uint32_t rgb) const;
};

}  // namespace sb

#endif
