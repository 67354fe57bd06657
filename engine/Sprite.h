#ifndef SORBELANE_SPRITE_H
#define SORBELANE_SPRITE_H

#include <string>
#include <vector>

#include "Color.h"
#include "Frame.h"
#include "Vector.h"

namespace sb {

// A named sequence of equally sized character frames with one colour, an
// animation speed and a transparent character.
class Sprite {
 private:
  int width;
  int height;
  int max_frame_count;
  int frame_count;
  Color color;
  int slowdown;
  char transparency;
  // Grows as frames are added, up to max_frame_count: a claimed capacity
  // costs nothing until frames actually arrive.
  std::vector<Frame> frames;
  std::string label;

 public:
  explicit Sprite(int max_frames);

  // Copies frame into the next slot; -1 when the sprite is full.
  int addFrame(Frame new_frame);
  // A copy of frame index, or an empty frame when there is none.
  Frame getFrame(int index) const;
  int getFrameCount() const { return frame_count; }
  int getMaxFrameCount() const { return max_frame_count; }

  int getWidth() const { return width; }
  void setWidth(int new_width) { width = new_width; }
  int getHeight() const { return height; }
  void setHeight(int new_height) { height = new_height; }
  Color getColor() const { return color; }
  void setColor(Color new_color) { color = new_color; }
  int getSlowdown() const { return slowdown; }
  void setSlowdown(int new_slowdown) { slowdown = new_slowdown; }
  char getTransparency() const { return transparency; }
  void setTransparency(char new_transparency) { transparency = new_transparency; }
  std::string getLabel() const { return label; }
  void setLabel(std::string new_label) { label = new_label; }

  // Draws frame frame_number centred on position in the sprite's colour;
  // nothing (0) for a number with no frame.
  int draw(int frame_number, Vector position, char transparency_ch) const;
};

}  // namespace sb

#endif
