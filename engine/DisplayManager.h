#ifndef SORBELANE_DISPLAY_MANAGER_H
#define SORBELANE_DISPLAY_MANAGER_H

#include <cstddef>
#include <vector>

#include <SFML/Graphics.hpp>

#include "Color.h"
#include "Manager.h"
#include "PixelLayer.h"
#include "Placement.h"
#include "Vector.h"

namespace sb {

class Frame;
class TerminalDisplay;

/// Where a drawn string stands relative to its position.
enum Justification : int {
  LEFT_JUSTIFIED = 0,    ///< Starts at the position.
  CENTER_JUSTIFIED = 1,  ///< Centred on the position.
  RIGHT_JUSTIFIED = 2,   ///< Ends just before the position.
};

/// Owns the window and draws into it one character cell at a time. By
/// default the cells, glyphs and shapes of a frame are collected into one
/// vertex array, in drawing order, and handed to the window in one draw call
/// when the frame is shown or someone takes the window; the pixels are those
/// of drawing each piece on its own, which the immediate mode still does.
/// Games draw through it in their objects' draw(); positions are world
/// cells unless a member says pixels.
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
  // Set in terminal mode: the cell buffer shown in the terminal instead of
  // a window, and the shake offsets of this step in whole cells.
  TerminalDisplay *p_terminal = nullptr;
  int shake_cells_x = 0, shake_cells_y = 0;
  bool terminal_write_failed = false;  // logged once
  int terminal_size_changes = 0;       // the resizes already logged
  bool cp437 = false;                  // codes drawn as code page 437 glyphs
  void warnOfSmallTerminal(const char *where);

  // The quad of one glyph as the text object lays it out, relative to the
  // text's position: left, top, right, bottom and the texture rectangle.
  struct GlyphQuad {
    bool loaded = false;
    bool blank = false;  // blanks, tabs and new lines have no quad
    float left = 0, top = 0, right = 0, bottom = 0;
    float u1 = 0, v1 = 0, u2 = 0, v2 = 0;
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
  // Takes over the terminal on standard output (or error); -1 when neither
  // is a terminal.
  int openTerminal();
  // Fills the terminal cells a polygon's bounds cover (at least one).
  void fillTerminalCells(float x, float y, float radius, std::size_t points, float rotation,
                         sf::Color color) const;
  // Checks that the font page carries its white square and readies the batch.
  void prepareBatch();
  // Closes the window and deletes the SFML objects.
  void releaseGraphics();
  // The -1 of a drawing call without a window, logged when not started.
  bool canDraw() const;
  const GlyphQuad &glyphQuad(unsigned char ch) const;
  // Finds the rules under which the layer covers the pixels GL covers.
  void calibrateLayer();
  // Collected clip corners of a polygon; count at most 64.
  void polygonCorners(float x, float y, float radius, std::size_t count, float rotation,
                      sf::Vector2f *corners) const;
  // The layer's pixels into the batch, before anything drawn after them.
  void emitLayer() const;
  void addQuad(const Placement &placement, float left, float top, float right, float bottom,
               sf::Color color, float u1, float v1, float u2, float v2) const;

 public:
  /// The one display manager.
  static DisplayManager &getInstance();
  ~DisplayManager();

  /// Takes the window's size from the configuration and, unless headless,
  /// opens the window and loads the font: the configured font file, else
  /// the engine's own font (see EngineFont::fallbackFiles(); logged as a warning).
  /// With the key terminal it takes over the terminal on standard output
  /// (or error) instead. 0, or -1 (logged) when the size in cells is not
  /// positive or the window, the terminal or any font cannot be had (such as
  /// without an X display, when a hint names the headless key). Starting
  /// again only logs.
  int startUp() override;
  /// Closes the window.
  void shutDown() override;

  /// Draws ch in color over the background colour of its cell (in a
  /// terminal, the cell nearest the position). 0, or -1
  /// when headless, without a window, or before start-up (logged). CUSTOM
  /// draws black.
  int drawCh(Vector world_pos, char ch, Color color) const;
  /// As drawCh(Vector, char, Color) in the colour (r, g, b).
  int drawCh(Vector world_pos, char ch, unsigned char r, unsigned char g, unsigned char b) const;
  /// Draws str one character a cell, placed by just; 0, or -1 when nothing
  /// can be drawn (as for drawCh()).
  int drawString(Vector world_pos, std::string str, Justification just, Color color) const;
  /// Draws frame centred on world_pos (centered is ignored: frames are
  /// always centred), skipping the characters equal to transparent (0 for
  /// none). 0, or -1 when a character cannot be drawn or the frame's string
  /// is shorter than its size (logged).
  int drawFrame(Vector world_pos, Frame frame, bool centered, Color color, char transparent) const;

  /// The window's width in cells (0 before start-up).
  int getHorizontal() const;
  /// The window's height in cells (0 before start-up).
  int getVertical() const;
  /// The window's width in pixels (0 before start-up).
  int getHorizontalPixels() const;
  /// The window's height in pixels (0 before start-up).
  int getVerticalPixels() const;

  /// Draws a filled regular polygon as sf::CircleShape builds it: `points`
  /// corners on a circle of `radius` pixels, the corner of its bounding square
  /// at (x, y) in window pixels, turned by `rotation` degrees about that
  /// corner; in a terminal, fills the cells its bounds cover. 0 (fewer than
  /// three corners draw nothing), or -1 without a
  /// window or before start-up (logged).
  int drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                  sf::Color color) const;

  /// Hands what has been collected to the window, in one draw call.
  void flush() const;
  /// Collected drawing (the default) or one draw call a piece; switching
  /// flushes first. Collecting needs a font page with a white square, and
  /// stays off without one.
  void setBatching(bool new_batching);
  /// Whether drawing is collected.
  bool getBatching() const { return batching; }
  /// Draw calls that handed collected drawing to the window so far.
  long long getBatchDraws() const { return batch_draws; }
  /// Whether small opaque shapes are resolved to pixels before they go to GL.
  bool getPixelLayerReady() const { return layer_ready; }
  /// Whether a window exists, without flushing.
  bool hasWindow() const { return p_window != nullptr; }
  /// Whether drawing goes into the terminal (key terminal) instead of a window.
  bool isTerminal() const { return p_terminal != nullptr; }
  /// The terminal display in terminal mode, else null.
  TerminalDisplay *getTerminal() const { return p_terminal; }

  /// Corner `index` of `count` on a circle of `radius`, relative to the
  /// corner of its bounding square, exactly as sf::CircleShape puts it.
  static sf::Vector2f polygonPoint(std::size_t index, std::size_t count, float radius);

  /// Shows what was drawn this step (in a terminal, sends the changed
  /// cells), clears the window to the background colour and picks the shake offsets of the next step (the game loop
  /// calls it). 0, or -1 without a window or before start-up (logged).
  int swapBuffers();
  /// Sets the colour the window is cleared to and each drawn cell's
  /// background; true, or false in headless mode (nothing changes).
  bool setBackgroundColor(Color color);
  /// The window, after everything drawn so far has reached it; null when
  /// there is none (headless or not started).
  sf::RenderWindow *getWindow() const;
  /// Shakes every glyph by random offsets of at most scale + 1 pixels, new
  /// each step, for duration steps; with add, the scales and duration are
  /// added to a shake under way instead of replacing it.
  void shake(int scale_x, int scale_y, int duration, bool add = false);

  /// The horizontal glyph offset of the current step, in pixels.
  int getShakeX() const { return shake_x; }
  /// The vertical glyph offset of the current step, in pixels.
  int getShakeY() const { return shake_y; }
  /// Steps of shake still to run.
  int getShakeDuration() const { return shake_duration; }

  /// Sets the texture that receives each finished frame, or null for none.
  /// It must be at least as large as the window; the caller keeps ownership.
  void setCaptureTexture(sf::Texture *p_texture) { p_capture = p_texture; }
  /// The texture that receives each finished frame, or null.
  sf::Texture *getCaptureTexture() const { return p_capture; }
};

}  // namespace sb

#endif
