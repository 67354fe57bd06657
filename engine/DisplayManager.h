#ifndef SORBELANE_DISPLAY_MANAGER_H
#define SORBELANE_DISPLAY_MANAGER_H

#include <cstddef>
#include <vector>

#include <SFML/Graphics.hpp>

#include "Color.h"
#include "Manager.h"
#include "PixelLayer.h"
#include "Vector.h"

namespace sb {

class Frame;

enum Justification : int {
  LEFT_JUSTIFIED = 0,
  CENTER_JUSTIFIED = 1,
  RIGHT_JUSTIFIED = 2,
};

// Owns the window and draws into it one character cell at a time. By
// default the cells, glyphs and shapes of a frame are collected into one
// vertex array, in drawing order, and handed to the window in one draw call
// when the frame is shown or someone takes the window; the pixels are those
// of drawing each piece on its own, which the immediate mode still does.
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

  // The quad of one glyph as the text object lays it out, relative to the
  // text's position: left, top, right, bottom and the texture rectangle.
  struct GlyphQuad {
    bool loaded = false;
    bool blank = false;  // blanks, tabs and new lines have no quad
    float left = 0, top = 0, right = 0, bottom = 0;
    float u1 = 0, v1 = 0, u2 = 0, v2 = 0;
  };

  // Maps a piece's own corners to clip coordinates.
  struct Placement {
    float xx = 1, xy = 0, x_offset = 0, yx = 0, yy = 1, y_offset = 0;
    sf::Vector2f apply(float x, float y) const;
  };

  bool batching = true;
  // The frame so far, as triangles textured from the font page; untextured
  // pieces sample its white square.
  mutable std::vector<sf::Vertex> batch;
  mutable GlyphQuad glyphs[256];
  const sf::Texture *p_font_texture = nullptr;
  mutable long long batch_draws = 0;
  // Runs of small opaque shapes, resolved to pixels; usable once the
  // rasterizer's rules have been found at start-up.
  mutable PixelLayer layer;
  bool layer_ready = false;
  // Whether the window still has the layer's size and a full viewport;
  // checked again after anyone took the window and every frame.
  mutable bool layer_checked = false;
  mutable bool layer_fits = false;
  bool layerFits() const;

  // Creates the window, font, rectangle and text; -1 when any fails.
  int openWindow();
  // Checks that the font page carries its white square and readies the batch.
  void prepareBatch();
  // Closes the window and deletes the SFML objects.
  void releaseGraphics();
  // The -1 of a drawing call without a window, logged when not started.
  bool canDraw() const;
  const GlyphQuad &glyphQuad(unsigned char ch) const;
  bool place(float x, float y, Placement &placement) const;
  // Finds the rules under which the layer covers the pixels GL covers.
  void calibrateLayer();
  // Collected clip corners of a polygon; count at most 64.
  void polygonCorners(float x, float y, float radius, std::size_t count, float rotation,
                      sf::Vector2f *corners) const;
  // The layer's pixels into the batch, before anything drawn after them.
  void emitLayer() const;
  void placeTurned(float x, float y, float rotation, Placement &placement) const;
  void addQuad(const Placement &placement, float left, float top, float right, float bottom,
               sf::Color color, float u1, float v1, float u2, float v2) const;

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

  // Draws a filled regular polygon as sf::CircleShape builds it: `points`
  // corners on a circle of `radius` pixels, the corner of its bounding square
  // at (x, y), turned by `rotation` degrees about that corner.
  int drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                  sf::Color color) const;

  // Hands what has been collected to the window, in one draw call.
  void flush() const;
  // Collected drawing (the default) or one draw call a piece; switching
  // flushes first.
  void setBatching(bool new_batching);
  bool getBatching() const { return batching; }
  // Draw calls that handed collected drawing to the window so far.
  long long getBatchDraws() const { return batch_draws; }
  // Whether small opaque shapes are resolved to pixels before they go to GL.
  bool getPixelLayerReady() const { return layer_ready; }
  // Whether a window exists, without flushing.
  bool hasWindow() const { return p_window != nullptr; }

  // Corner `index` of `count` on a circle of `radius`, relative to the
  // corner of its bounding square, exactly as sf::CircleShape puts it.
  static sf::Vector2f polygonPoint(std::size_t index, std::size_t count, float radius);

  int swapBuffers();
  bool setBackgroundColor(Color color);
  // The window, after everything drawn so far has reached it.
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
