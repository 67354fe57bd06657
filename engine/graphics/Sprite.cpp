#include "Sprite.h"

#include "LogManager.h"

namespace sb {

Sprite::Sprite(int max_frames)
    : width(0),
      height(0),
      max_frame_count(max_frames),
      frame_count(0),
      color(COLOR_DEFAULT),
      slowdown(1),
      transparency(0),
      label("[Undefined]") {
  if (max_frames < 0) {
    LogManager::getInstance().writeLog("Sprite::Sprite(): Error! Unable to allocate %d frames.",
                                       max_frames);
    max_frame_count = 0;
  }
}

int Sprite::addFrame(Frame new_frame) {
  if (frame_count >= max_frame_count) return -1;
  frames.push_back(new_frame);
  frame_count++;
  return 0;
}

Frame Sprite::getFrame(int index) const {
  if (index < 0 || index >= frame_count) return Frame();
  return frames[index];
}

int Sprite::draw(int frame_number, Vector position, char transparency_ch) const {
  // The stored frame itself: drawing runs every step and must not copy.
  if (frame_number < 0 || frame_number >= frame_count) return 0;
  return frames[frame_number].draw(position, color, transparency_ch);
}

}  // namespace sb
