#include "Frame.h"

#include "DisplayManager.h"
#include "LogManager.h"

namespace sb {

Frame::Frame() : width(0), height(0) {}

Frame::Frame(int new_width, int new_height, std::string new_frame_str)
    : width(new_width), height(new_height), frame_str(new_frame_str) {}

int Frame::draw(Vector position, Color color, char transparency) const {
  if (frame_str.empty()) return 0;
  if (width <= 0 || height <= 0) return 0;
  // The setters leave size and string independent: never read past the string.
  long long cells = static_cast<long long>(width) * height;
  if (static_cast<long long>(frame_str.size()) < cells) {
    LogManager::getInstance().writeLog(
        "Frame::draw(): Error! Frame string has %zu characters, %d x %d needs %lld.",
        frame_str.size(), width, height, cells);
    return -1;
  }
  const DisplayManager &display_manager = DisplayManager::getInstance();
  float left = position.getX() - static_cast<float>(width - 1) / 2;
  float top = position.getY() - static_cast<float>(height - 1) / 2;
  const char *p_ch = frame_str.data();
  for (int i = 0; i < height; i++) {
    for (int j = 0; j < width; j++, p_ch++) {
      if (transparency != 0 && *p_ch == transparency) continue;
      Vector cell(left + static_cast<float>(j), top + static_cast<float>(i));
      if (display_manager.drawCh(cell, *p_ch, color) != 0) return -1;
    }
  }
  return 0;
}

}  // namespace sb
