// Placeholder: window drawing arrives with the display issue.
#include "DisplayManager.h"

#include "Config.h"
#include "LogManager.h"

namespace sb {

DisplayManager::DisplayManager()
    : p_window(nullptr),
      window_horizontal_pixels(0),
      window_vertical_pixels(0),
      window_horizontal_chars(0),
      window_vertical_chars(0),
      p_rectangle(nullptr),
      window_background_color(sf::Color::Black),
      p_text(nullptr),
      shake_duration(0),
      shake_scale_x(0),
      shake_scale_y(0),
      shake_x(0),
      shake_y(0) {
  setType("DisplayManager");
}

DisplayManager::~DisplayManager() {}

DisplayManager &DisplayManager::getInstance() {
  static DisplayManager display_manager;
  return display_manager;
}

int DisplayManager::startUp() {
  const Config &config = Config::getInstance();
  window_horizontal_pixels = config.getWindowHorizontalPixels();
  window_vertical_pixels = config.getWindowVerticalPixels();
  window_horizontal_chars = config.getWindowHorizontalChars();
  window_vertical_chars = config.getWindowVerticalChars();
  return Manager::startUp();
}

void DisplayManager::shutDown() { Manager::shutDown(); }

int DisplayManager::drawCh(Vector, char, Color) const { return -1; }
int DisplayManager::drawCh(Vector, char, unsigned char, unsigned char, unsigned char) const {
  return -1;
}
int DisplayManager::drawString(Vector, std::string, Justification, Color) const { return -1; }
int DisplayManager::drawFrame(Vector, Frame, bool, Color, char) const { return -1; }
int DisplayManager::getHorizontal() const { return window_horizontal_chars; }
int DisplayManager::getVertical() const { return window_vertical_chars; }
int DisplayManager::getHorizontalPixels() const { return window_horizontal_pixels; }
int DisplayManager::getVerticalPixels() const { return window_vertical_pixels; }
int DisplayManager::swapBuffers() { return -1; }
bool DisplayManager::setBackgroundColor(Color) { return false; }
sf::RenderWindow *DisplayManager::getWindow() const { return p_window; }
void DisplayManager::shake(int, int, int, bool) {}

}  // namespace sb
