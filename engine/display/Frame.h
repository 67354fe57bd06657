#ifndef SORBELANE_FRAME_H
#define SORBELANE_FRAME_H

#include <string>

#include "Color.h"
#include "Vector.h"

namespace sb {

/// One character picture: width x height characters, stored row after row.
/// Sprites hold a list of frames; a game rarely builds one by hand.
class Frame {
 private:
  int width;
  int height;
  std::string frame_str;

 public:
  /// Makes an empty frame of size 0 x 0.
  Frame();
  /// Makes a frame of new_width x new_height characters from frame_str, row after
  /// row. Nothing is checked here; draw() refuses a string that is too short.
  Frame(int new_width, int new_height, std::string frame_str);

  /// Returns the width in characters.
  int getWidth() const { return width; }
  /// Sets the width in characters (not checked against the string).
  void setWidth(int new_width) { width = new_width; }
  /// Returns the height in characters.
  int getHeight() const { return height; }
  /// Sets the height in characters (not checked against the string).
  void setHeight(int new_height) { height = new_height; }
  /// Returns the characters, row after row.
  std::string getString() const { return frame_str; }
  /// Sets the characters, row after row.
  void setString(std::string new_frame_str) { frame_str = new_frame_str; }

  /// Draws the frame centred on position, skipping the transparent character
  /// (0: none). 0 when drawn or empty; -1 when the display refused a
  /// character or the string is too short for width x height (logged).
  int draw(Vector position, Color color, char transparency) const;
};

}  // namespace sb

#endif
