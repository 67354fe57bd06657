#ifndef SORBELANE_TERMINAL_BACK_END_H
#define SORBELANE_TERMINAL_BACK_END_H

#include <chrono>
#include <memory>

#include "DisplayBackEnd.h"
#include "TerminalDisplay.h"

namespace sb {

class CellGrid;

/// The display drawn into the terminal the program runs in (key terminal,
/// or a headless replay's offscreen terminal): each character goes to the
/// cell nearest its position, shapes fill the cells they cover, and the
/// shake moves glyphs by whole cells.
class TerminalBackEnd : public DisplayBackEnd {
 public:
  /// Takes over the terminal on standard output (or error, or the replay's
  /// offscreen terminal) for a window of columns x rows cells, codes drawn as
  /// code page 437 glyphs with cp437. 0, or -1 (logged) when the terminal
  /// cannot move its cursor or there is none.
  int open(int columns, int rows, bool cp437);

  /// A back end that holds no terminal yet.
  TerminalBackEnd();
  /// Gives the terminal back.
  ~TerminalBackEnd() override;

  /// True.
  bool canDraw() const override;
  /// Puts ch into the cell nearest view_pos, moved by the shake.
  int drawCh(Vector view_pos, char ch, unsigned char r, unsigned char g, unsigned char b) override;
  /// As drawCh(), over cell_background in place of the terminal's background.
  int drawChOver(Vector view_pos, char ch, sf::Color color, sf::Color cell_background) override;
  /// Fills the cells whose positions fall inside the polygon's bounds; a
  /// polygon smaller than a cell fills the cell nearest its centre. 0.
  int drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                  sf::Color color) override;
  /// drawPolygon() for each polygon in order, without a call through the
  /// display for each. 0.
  int drawPolygons(const Polygon &shape, const PolygonAt *p_at, std::size_t count) override;
  /// Sends the changed cells (logging once when the terminal cannot be
  /// written) and notes a resize; there is no picture to capture.
  void present(sf::Texture *p_capture) override;
  /// Turns the pixel offsets into whole cells, at most a screen's width; a
  /// shake smaller than a cell still moves glyphs by one, so that it shows.
  void setShake(int x_pixels, int y_pixels) override;
  /// Sets the terminal's background colour.
  void setBackground(sf::Color color) override;
  /// The terminal display.
  TerminalDisplay *getTerminal() const override;
  /// Notes the start of a frame's drawing.
  void beginDrawing() override;
  /// Adds the time since beginDrawing() to the frame's drawing time.
  void endDrawing() override;
  /// Logs the frames, bytes and cells sent and the time a frame took to be
  /// drawn into cells, compared and written.
  void logStatistics() const override;

  /// Sums and maxima over the frames sent since open().
  struct Statistics {
    long long frames = 0;        ///< Frames presented.
    long long cells = 0;         ///< Cells sent.
    int max_cells = 0;           ///< The most cells one frame sent.
    long long draw_ns = 0;       ///< Time spent drawing into cells.
    long long max_draw_ns = 0;   ///< The longest drawing of a frame.
    long long diff_ns = 0;       ///< Time spent finding changed cells and their bytes.
    long long max_diff_ns = 0;   ///< The longest of those.
    long long write_ns = 0;      ///< Time spent writing.
    long long max_write_ns = 0;  ///< The longest write.
  };
  /// The statistics so far.
  const Statistics &getStatistics() const { return statistics; }

 private:
  std::unique_ptr<TerminalDisplay> p_terminal;
  std::unique_ptr<CellGrid> p_cell_grid;  // the cells in pixels, for shapes
  Statistics statistics;
  long long frame_draw_ns = 0;  // this frame's drawing so far
  std::chrono::steady_clock::time_point draw_start;
  bool drawing = false;
  int shake_cells_x = 0, shake_cells_y = 0;
  bool write_failed = false;     // logged once
  int size_changes = 0;          // the resizes already logged
  long long dropped_frames = 0;  // frames the terminal did not read, as last seen
  bool dropping = false;         // the terminal not reading, logged
  void warnOfSmallTerminal(const char *where);
  void countFrame();
};

}  // namespace sb

#endif
