#ifndef SORBELANE_DISPLAY_MANAGER_H
#define SORBELANE_DISPLAY_MANAGER_H

#include <SFML/Graphics.hpp>

#include "Color.h"
#include "Manager.h"
#include "Vector.h"

namespace sb {

// Character pictures; drawFrame takes one by value, so callers include Frame.h.
class Frame;

enum Justification : int {
  LEFT_JUSTIFIED = 0,
  CENTER_JUSTIFIED = 1,
  RIGHT_JUSTIFIED = 2,
};

// Owns the window and draws into it one character cell at a time.
class DisplayManager : public Manager {
 private:
  DisplayManager();
  DisplayManager(const DisplayManager &) = delete;
  void operator=(const DisplayManager &) = delete;

  sf::Font font;
  sf::RenderWindow *p_window;
  int window_horizontal_pixels;
  int window_vertical_pixels;
  int window_horizontal_chars;
  int window_vertical_chars;
  sf::RectangleShape *p_rectangle;
  sf::Color window_background_color;
  sf::Text *p_text;
  int shake_duration;
  int shake_scale_x;
  int shake_scale_y;
  int shake_x;
  int shake_y;
  // Frame capture: when set, swapBuffers() copies each finished frame into
  // this texture just before showing it (the frame-rate recorder uses it).
  sf::Texture *p_capture = nullptr;

  // Creates the window, font, rectangle and text; -1 when any fails.
  int openWindow();
  // Closes the window and deletes the SFML objects.
  void releaseGraphics();
  // The -1 of a drawing call without a window, logged when not started.
  bool canDraw() const;

 public:
  static DisplayManager &getInstance();
  ~DisplayManager();

  int startUp() override;
  void shutDown() override;

  int drawCh(Vector world_pos, char ch, Color color) const;
  int drawCh(Vector world_pos, char ch, unsigned char r, unsigned char g, unsigned char b) const;
  int drawString(Vector world_pos, std::string str, Justification just, Color color) const;
  int drawFrame(Vector world_pos, Frame frame, bool centered, Color color, char transparent) const;

  int getHorizontal() const;
  int getVertical() const;
  int getHorizontalPixels() const;
  int getVerticalPixels() const;

  int swapBuffers();
  bool setBackgroundColor(Color color);
  sf::RenderWindow *getWindow() const;
  void shake(int scale_x, int scale_y, int duration, bool add = false);

  // The glyph offset of the current step, in pixels.
  int getShakeX() const { return shake_x; }
  int getShakeY() const { return shake_y; }
  // Steps of shake still to run.
  int getShakeDuration() const { return shake_duration; }

  // The texture that receives each finished frame, or null for none. It must
  // be at least as large as the window.
  void setCaptureTexture(sf::Texture *p_texture) { p_capture = p_texture; }
  sf::Texture *getCaptureTexture() const { return p_capture; }
};

}  // namespace sb

#endif
