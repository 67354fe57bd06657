#ifndef SORBELANE_FRAME_H
#define SORBELANE_FRAME_H

#include <string>

#include "Color.h"
#include "Vector.h"

namespace sb {

// One character picture: width x height characters, stored row after row.
class Frame {
 private:
  int width;
  int height;
  std::string frame_str;

 public:
  Frame();
  Frame(int new_width, int new_height, std::string frame_str);

  int getWidth() const { return width; }
  void setWidth(int new_width) { width = new_width; }
  int getHeight() const { return height; }
  void setHeight(int new_height) { height = new_height; }
  std::string getString() const { return frame_str; }
  void setString(std::string new_frame_str) { frame_str = new_frame_str; }

  // Draws the frame centred on position, skipping the transparent character
  // (0: none). 0 when drawn or empty; -1 when the display refused a
  // character or the string is too short for width x height.
  int draw(Vector position, Color color, char transparency) const;
};

}  // namespace sb

#endif
