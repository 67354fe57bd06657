#include "Sprite.h"

namespace sb {

Sprite::Sprite(int max_frames)
    : width(0),
      height(0),
      max_frame_count(max_frames),
      frame_count(0),
      color(COLOR_DEFAULT),
      slowdown(1),
      transparency(0),
      label("[Undefined]") {}

}  // namespace sb
