#ifndef SORBELANE_SPRITE_H
#define SORBELANE_SPRITE_H

#include <string>

#include "Color.h"

namespace sb {

// A named sequence of equally sized character frames. Only the extent and the
// label exist so far; frames and loading from files come with the resource manager.
class Sprite {
 private:
  int width;
  int height;
  int max_frame_count;
  int frame_count;
  Color color;
  int slowdown;
  char transparency;
  std::string label;

 public:
  explicit Sprite(int max_frames);

  int getWidth() const { return width; }
  void setWidth(int new_width) { width = new_width; }
  int getHeight() const { return height; }
  void setHeight(int new_height) { height = new_height; }
  int getFrameCount() const { return frame_count; }
  Color getColor() const { return color; }
  void setColor(Color new_color) { color = new_color; }
  int getSlowdown() const { return slowdown; }
  void setSlowdown(int new_slowdown) { slowdown = new_slowdown; }
  char getTransparency() const { return transparency; }
  void setTransparency(char new_transparency) { transparency = new_transparency; }
  std::string getLabel() const { return label; }
  void setLabel(std::string new_label) { label = new_label; }
};

}  // namespace sb

#endif
