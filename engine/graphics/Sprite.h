#ifndef SORBELANE_SPRITE_H
#define SORBELANE_SPRITE_H

#include <string>
#include <vector>

#include "Color.h"
#include "Frame.h"
#include "Vector.h"

namespace sb {

/// A named sequence of equally sized character frames with one colour, an
/// animation speed and a transparent character. Sprites are loaded and owned
/// by the ResourceManager; objects show them through their Animation.
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
  /// Makes an empty sprite with room for max_frames frames, labelled "[Undefined]",
  /// white, slowdown 1, no transparent character. A negative count is logged and
  /// gives room for none.
  explicit Sprite(int max_frames);

  /// Copies frame into the next slot; 0, or -1 when the sprite is full.
  int addFrame(Frame new_frame);
  /// A copy of frame index, or an empty frame when there is none.
  Frame getFrame(int index) const;
  /// Returns the number of frames added.
  int getFrameCount() const { return frame_count; }
  /// Returns the number of frames the sprite has room for.
  int getMaxFrameCount() const { return max_frame_count; }

  /// Returns the width of a frame in characters.
  int getWidth() const { return width; }
  /// Sets the width of a frame in characters.
  void setWidth(int new_width) { width = new_width; }
  /// Returns the height of a frame in characters.
  int getHeight() const { return height; }
  /// Sets the height of a frame in characters.
  void setHeight(int new_height) { height = new_height; }
  /// Returns the colour every frame is drawn in.
  Color getColor() const { return color; }
  /// Sets the colour every frame is drawn in.
  void setColor(Color new_color) { color = new_color; }
  /// Returns the number of draws each frame is shown for (1: a new frame at every draw).
  int getSlowdown() const { return slowdown; }
  /// Sets the number of draws each frame is shown for.
  void setSlowdown(int new_slowdown) { slowdown = new_slowdown; }
  /// Returns the character left undrawn, 0 when every character is drawn.
  char getTransparency() const { return transparency; }
  /// Sets the character left undrawn (0: none).
  void setTransparency(char new_transparency) { transparency = new_transparency; }
  /// Returns the name the sprite is found by.
  std::string getLabel() const { return label; }
  /// Sets the name the sprite is found by.
  void setLabel(std::string new_label) { label = new_label; }

  /// Draws frame frame_number centred on position in the sprite's colour,
  /// skipping transparency_ch (0: none). Returns what Frame::draw() returns;
  /// nothing drawn (0) for a number with no frame.
  int draw(int frame_number, Vector position, char transparency_ch) const;
};

}  // namespace sb

#endif
