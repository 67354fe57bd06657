#ifndef SORBELANE_DISPLAY_MANAGER_H
#define SORBELANE_DISPLAY_MANAGER_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <SFML/Graphics.hpp>

#include "Color.h"
#include "DisplayBackEnd.h"
#include "Manager.h"
#include "Vector.h"

namespace sb {

class BitmapFont;
class Frame;
class TerminalDisplay;

/// Where a drawn string stands relative to its position.
enum Justification : int {
  LEFT_JUSTIFIED = 0,    ///< Starts at the position.
  CENTER_JUSTIFIED = 1,  ///< Centred on the position.
  RIGHT_JUSTIFIED = 2,   ///< Ends just before the position.
};

/// Owns the display and draws into it one character cell at a time: into a
/// window (WindowBackEnd, which by default collects a frame's drawing into
/// one draw call), a terminal (TerminalBackEnd) or nowhere (HeadlessBackEnd),
/// as chosen at start-up. It keeps the sizes, the colours and the shake.
/// Games draw through it in their objects' draw(); positions are world
/// cells unless a member says pixels.
class DisplayManager : public Manager {
 private:
  DisplayManager();
  DisplayManager(const DisplayManager &) = delete;
  void operator=(const DisplayManager &) = delete;

  int window_horizontal_pixels;
  int window_vertical_pixels;
  int window_horizontal_chars;
  int window_vertical_chars;
  sf::Color window_background_color;
  int shake_duration;
  int shake_scale_x;
  int shake_scale_y;
  int shake_x;
  int shake_y;
  // Frame capture: when set, swapBuffers() copies each finished frame into
  // this texture just before showing it (the frame-rate recorder uses it).
  sf::Texture *p_capture = nullptr;
  // Where drawing goes: a window, a terminal, or nowhere (headless and
  // before start-up); never null.
  std::unique_ptr<DisplayBackEnd> p_back_end;
  // The visible characters of the last drawMarkup(), kept to spare an
  // allocation a call.
  mutable std::string markup_chars;
  mutable std::vector<sf::Color> markup_colors;
  // The terminal's size when last looked at (0: not yet), to tell objects
  // registered for RESIZE_EVENT when it changes.
  int seen_columns = 0;
  int seen_rows = 0;
  // The terminal's size set by fixTerminalSize() (0: the real terminal's).
  int fixed_columns = 0;
  int fixed_rows = 0;
  // drawMarkup() over the background colour, or over *p_background.
  int drawMarkupOver(Vector world_pos, const std::string &text, Justification just, Color color,
                     const sf::Color *p_background) const;
  // Sends RESIZE_EVENT when the terminal's size has changed.
  void noticeResize();
  // Draw calls of the window back ends already given up.
  long long retired_batch_draws = 0;

  // Opens the window (or, without an X display but in a terminal, the
  // terminal); -1 when it or the font cannot be had.
  int openWindow();
  // The configured font file when it is a bitmap font, into p_bitmap, with
  // the window's pixels set from its cells; 0 (p_bitmap null for any other
  // font), or -1 (logged) when the bitmap font is refused.
  int readBitmapFont(std::unique_ptr<BitmapFont> &p_bitmap, int &tile_scale);
  // The largest tile_scale taken.
  static const int MAX_TILE_SCALE = 16;
  // Takes over the terminal on standard output (or error); -1 when neither
  // is a terminal.
  int openTerminal();
  // Gives up the back end in use; drawing goes nowhere until the next one.
  void releaseGraphics();
  // Whether started; logs when not.
  bool startedToDraw() const;
  // The -1 of a drawing call without a window, logged when not started.
  bool canDraw() const;

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
  /// Draws ch in color over the whole cell filled with background (in place
  /// of the background colour): in a window the whole rectangle each
  /// character blanks, in a terminal the cell's background. 0, or -1 as drawCh(). CUSTOM draws
  /// black.
  int drawCh(Vector world_pos, char ch, Color color, Color background) const;
  /// As drawCh(Vector, char, Color, Color) in RGB colours (alpha is ignored).
  int drawCh(Vector world_pos, char ch, sf::Color color, sf::Color background) const;
  /// Draws str one character a cell, placed by just; 0, or -1 when nothing
  /// can be drawn (as for drawCh()).
  int drawString(Vector world_pos, std::string str, Justification just, Color color) const;
  /// As drawString(), each cell over background.
  int drawString(Vector world_pos, std::string str, Justification just, Color color,
                 Color background) const;
  /// As drawString(), in RGB colours, each cell over background.
  int drawString(Vector world_pos, const std::string &str, Justification just, sf::Color color,
                 sf::Color background) const;
  /// Draws text with colour markup, placed by just on its visible
  /// characters: "#[red]" (any colour name of the configuration) or
  /// "#[#ff8000]" switches the colour, "#[]" goes back to color, "##" is
  /// one '#'. Markup it cannot read is drawn as it stands. Nothing is drawn
  /// outside the text's row. 0, or -1 as drawString().
  int drawMarkup(Vector world_pos, const std::string &text, Justification just, Color color) const;
  /// As drawMarkup(), each cell over background.
  int drawMarkup(Vector world_pos, const std::string &text, Justification just, Color color,
                 sf::Color background) const;
  /// Draws frame centred on world_pos (centered is ignored: frames are
  /// always centred), skipping the characters equal to transparent (0 for
  /// none). 0, or -1 when a character cannot be drawn or the frame's string
  /// is shorter than its size (logged).
  int drawFrame(Vector world_pos, Frame frame, bool centered, Color color, char transparent) const;

  /// The window's width in cells (0 before start-up).
  int getHorizontal() const;
  /// The window's height in cells (0 before start-up).
  int getVertical() const;
  /// The width in cells of the terminal the game draws in (which may differ
  /// from the window's, see RESIZE_EVENT); in a window or headless, the
  /// window's width in cells.
  int getTerminalHorizontal() const;
  /// The height in cells of the terminal the game draws in; in a window or
  /// headless, the window's height in cells.
  int getTerminalVertical() const;
  /// Makes getTerminalHorizontal() and getTerminalVertical() give columns x
  /// rows whatever the real terminal's size, and stops telling objects of
  /// the real terminal's resizes: a replay gives the game its recording's
  /// sizes so (and sends their RESIZE_EVENTs itself). 0 x 0, and shutDown(),
  /// go back to the real terminal's size.
  void fixTerminalSize(int columns, int rows);
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
  /// drawPolygon() for count polygons of one radius, corner count and
  /// rotation (shape's) at p_at's places and colours, in order, handed to
  /// the display at once; 0, or -1 as drawPolygon().
  int drawPolygons(const DisplayBackEnd::Polygon &shape, const DisplayBackEnd::PolygonAt *p_at,
                   std::size_t count) const;

  /// Hands what has been collected to the window, in one draw call.
  void flush() const;
  /// Marks the start of the world's drawing in a step; with endDrawing(), the
  /// time the terminal's statistics give for turning draws into cells.
  void beginDrawing();
  /// Marks the end of the world's drawing in a step.
  void endDrawing();
  /// Collected drawing (the default) or one draw call a piece; switching
  /// flushes first. Collecting needs a font page with a white square, and
  /// stays off without one.
  void setBatching(bool new_batching);
  /// Whether drawing is collected.
  bool getBatching() const { return p_back_end->getBatching(); }
  /// Draw calls that handed collected drawing to the window so far.
  long long getBatchDraws() const { return retired_batch_draws + p_back_end->getBatchDraws(); }
  /// Whether small opaque shapes are resolved to pixels before they go to GL.
  bool getPixelLayerReady() const { return p_back_end->getPixelLayerReady(); }
  /// Whether a window exists, without flushing.
  bool hasWindow() const { return p_back_end->hasWindow(); }
  /// Whether drawing goes into the terminal (key terminal) instead of a window.
  bool isTerminal() const { return p_back_end->getTerminal() != nullptr; }
  /// The terminal display in terminal mode, else null.
  TerminalDisplay *getTerminal() const { return p_back_end->getTerminal(); }

  /// Corner `index` of `count` on a circle of `radius`, relative to the
  /// corner of its bounding square, exactly as sf::CircleShape puts it.
  static sf::Vector2f polygonPoint(std::size_t index, std::size_t count, float radius);

  /// Shows what was drawn this step (in a terminal, sends the changed
  /// cells), clears the window to the background colour and picks the shake offsets of the next
  /// step (the game loop calls it). 0, or -1 without a window or before start-up (logged).
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
