// The free functions of utility.h that convert between cells and pixels.
#include "utility.h"

#include <cmath>

#include "DisplayManager.h"
#include "LogManager.h"

namespace sb {

namespace {

// pixels / chars as a float, kept for the sizes of the last call: shapes ask
// for the cell size at every draw, and the sizes change only at start-up.
struct CellSide {
  int pixels = 0, chars = 0;
  float size = NAN;  // 0 / 0
  float of(int new_pixels, int new_chars) {
    if (new_pixels != pixels || new_chars != chars) {
      pixels = new_pixels;
      chars = new_chars;
      size = static_cast<float>(pixels) / static_cast<float>(chars);
    }
    return size;
  }
};

}  // namespace

float charWidth() {
  static CellSide width;
  const DisplayManager &display_manager = DisplayManager::getInstance();
  return width.of(display_manager.getHorizontalPixels(), display_manager.getHorizontal());
}

float charHeight() {
  static CellSide height;
  const DisplayManager &display_manager = DisplayManager::getInstance();
  return height.of(display_manager.getVerticalPixels(), display_manager.getVertical());
}

Vector spacesToPixels(Vector spaces) {
  Vector pixels(spaces.getX() * charWidth(), spaces.getY() * charHeight());
  // Shapes convert every draw: the line costs a call only when kept.
  LogManager &log_manager = LogManager::getInstance();
  if (log_manager.logs(30))
    log_manager.writeLog(30, "spacesToPixels(int): spaces (%.2f,%.2f) = pixels (%.2f,%.2f)",
                         spaces.getX(), spaces.getY(), pixels.getX(), pixels.getY());
  return pixels;
}

Vector pixelsToSpaces(Vector pixels) {
  Vector spaces(pixels.getX() / charWidth(), pixels.getY() / charHeight());
  LogManager::getInstance().writeLog(30,
                                     "pixelsToSpaces(): pixels (%.2f,%.2f) = spaces (%.2f,%.2f)",
                                     pixels.getX(), pixels.getY(), spaces.getX(), spaces.getY());
  return spaces;
}

}  // namespace sb
