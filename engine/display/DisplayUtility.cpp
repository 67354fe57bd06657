// The free functions of utility.h that convert between cells and pixels.
#include "utility.h"

#include "DisplayManager.h"
#include "LogManager.h"

namespace sb {

float charWidth() {
  const DisplayManager &display_manager = DisplayManager::getInstance();
  return static_cast<float>(display_manager.getHorizontalPixels()) /
         static_cast<float>(display_manager.getHorizontal());
}

float charHeight() {
  const DisplayManager &display_manager = DisplayManager::getInstance();
  return static_cast<float>(display_manager.getVerticalPixels()) /
         static_cast<float>(display_manager.getVertical());
}

Vector spacesToPixels(Vector spaces) {
  Vector pixels(spaces.getX() * charWidth(), spaces.getY() * charHeight());
  LogManager::getInstance().writeLog(30,
                                     "spacesToPixels(int): spaces (%.2f,%.2f) = pixels (%.2f,%.2f)",
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
