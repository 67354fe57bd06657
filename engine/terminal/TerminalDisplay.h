#ifndef SORBELANE_TERMINAL_DISPLAY_H
#define SORBELANE_TERMINAL_DISPLAY_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sb {

class ColorCodes;

/// Shows the grid of character cells in the terminal the program runs in,
/// with ANSI (ECMA-48) escape sequences. Drawing fills a cell buffer; each
/// present() sends only the cells that differ from what the terminal shows,
/// in one write framed as one synchronized update (mode 2026, which
/// terminals without it ignore), and blanks the buffer for the next frame. While open, the
/// terminal is in the alternate screen with the cursor hidden, mouse
/// reporting on (the kitty keyboard protocol too, where the terminal has it)
/// and keys read raw (no echo, no line editing; Ctrl-C still
/// interrupts). close() puts it back as it was, and so does the end of the
/// program or a fatal signal, so a crashing game never leaves it broken.
/// Ctrl-Z (SIGTSTP) gives the terminal back before the process stops; after
/// SIGCONT the next frame takes it over again and is sent whole. After a
/// resize (SIGWINCH) the next frame clears the screen and is sent whole for
/// the new size, showing what fits from the top left. Writing never waits
/// for the terminal: bytes it does not take at once go first at the next
/// frames, and frames made meanwhile are dropped, the first one after sent
/// whole; giving the terminal back waits for it a fifth of a second at most.
class TerminalDisplay {
 public:
  /// How colours are written.
  enum ColorMode : int {
    COLORS_256 = 0,  ///< The nearest of the 256 indexed colours.
    TRUE_COLOR = 1,  ///< 24-bit colour.
    COLORS_16 = 2,   ///< The nearest of the 16 colours of the Linux console and xterm.
  };

  /// A closed display; nothing is written until open().
  TerminalDisplay();
  /// Closes the display if open.
  ~TerminalDisplay();
  TerminalDisplay(const TerminalDisplay &) = delete;
  void operator=(const TerminalDisplay &) = delete;

  /// Takes over the terminal on output_fd (input read from input_fd) for a
  /// window of columns x rows cells: raw keys, alternate screen, cursor
  /// hidden, mouse reporting. Only the part that fits the terminal is
  /// shown. 0, or -1 when output_fd is not a terminal, another display holds
  /// the terminal, or the size is not 1 to MAX_WINDOW_CHARS a side.
  int open(int output_fd, int input_fd, int columns, int rows, ColorMode mode);
  /// Gives the terminal back as open() found it. Safe to call when closed.
  void close();
  /// Whether the display holds the terminal.
  bool isOpen() const { return output_fd >= 0; }

  /// The colour mode the environment asks for: TRUE_COLOR when COLORTERM is
  /// "truecolor" or "24bit"; COLORS_16 when TERM is "linux" (the console) or
  /// names a terminal of 8 or 16 colours ("...-8color", "...-16color",
  /// "...-color", "ansi", "vt100", "vt220"); else COLORS_256.
  static ColorMode colorModeFromEnvironment();
  /// The index (0 to 15) of the nearest of the 16 colours to (r, g, b), in
  /// the VGA palette that the Linux console and xterm start with.
  static int nearest16(unsigned char r, unsigned char g, unsigned char b);
  /// The index (16 to 255) of the nearest of the 256 colours to (r, g, b),
  /// from the 6 x 6 x 6 colour cube and the grey ramp.
  static int nearest256(unsigned char r, unsigned char g, unsigned char b);
  /// Puts the terminal held by any open display back, with
  /// async-signal-safe calls only (write, tcsetattr); for signal handlers.
  static void restoreFromSignal();

  /// Sends codes 1 to 31 and 128 to 255 as the Unicode characters of code
  /// page 437 (else as Latin-1, control codes blank).
  void setCp437(bool on) { cp437 = on; }
  /// Sets the colour of blank cells and of the cell behind each glyph.
  void setBackground(unsigned char r, unsigned char g, unsigned char b);
  /// Puts ch in colour (r, g, b) over the background colour into the cell
  /// at column, row (from 0); cells outside the window are ignored.
  /// Control characters draw as blanks (with cp437, only 0 and 127).
  void put(int column, int row, char ch, unsigned char r, unsigned char g, unsigned char b);
  /// As put(), over the background colour (bg_r, bg_g, bg_b) of this cell alone.
  void put(int column, int row, char ch, unsigned char r, unsigned char g, unsigned char b,
           unsigned char bg_r, unsigned char bg_g, unsigned char bg_b);
  /// Blends colour (r, g, b) at opacity alpha into the background of the
  /// cell at column, row, clearing its glyph (a shape or particle there).
  void fill(int column, int row, unsigned char r, unsigned char g, unsigned char b,
            unsigned char alpha);
  /// fill() for every cell of columns column_from to column_to and rows
  /// row_from to row_to (inclusive); the part outside the window is ignored.
  void fillCells(int column_from, int column_to, int row_from, int row_to, unsigned char r,
                 unsigned char g, unsigned char b, unsigned char alpha);
  /// fill() of an opaque colour, for drawing many small shapes: inline, and
  /// with nothing to blend.
  void fillOpaque(int column, int row, unsigned char r, unsigned char g, unsigned char b) {
    const auto column_index = static_cast<unsigned int>(column);
    const auto row_index = static_cast<unsigned int>(row);
    if (column_index >= static_cast<unsigned int>(columns) ||
        row_index >= static_cast<unsigned int>(rows) || back.empty())
      return;
    back[row_index * static_cast<unsigned int>(columns) + column_index] =
        makeCell(' ', 0, std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b);
  }
  /// Sends the cells changed since the last frame in one write and blanks
  /// the buffer. The frame's bytes; 0 when nothing changed, or when the frame
  /// was dropped because the terminal has not yet taken all of an earlier one
  /// (the next frame it takes then sends every cell); -1 when the write failed
  /// (the next frame then sends every cell).
  long long present();
  /// The frames dropped since open() because the terminal was not reading.
  long long getDroppedFrames() const { return dropped_frames; }

  /// The window's width in cells.
  int getColumns() const { return columns; }
  /// The window's height in cells.
  int getRows() const { return rows; }
  /// The columns of the window the terminal shows.
  int getVisibleColumns() const { return visible_columns; }
  /// The rows of the window the terminal shows.
  int getVisibleRows() const { return visible_rows; }
  /// The terminal's width in cells, when open().
  int getTerminalColumns() const { return terminal_columns; }
  /// The terminal's height in cells, when open().
  int getTerminalRows() const { return terminal_rows; }
  /// The descriptor keys are read from, or -1 when closed.
  int getInputFd() const { return input_fd; }
  /// Bytes sent by the last present().
  long long getLastFrameBytes() const { return last_frame_bytes; }
  /// Bytes sent by every present() since open().
  long long getTotalBytes() const { return total_bytes; }
  /// What the last present() did: the cells it sent, the time it took to
  /// find them and put their bytes together, and the time the write took.
  struct FrameCost {
    int cells = 0;           ///< Cells that differed from what the terminal showed.
    long long diff_ns = 0;   ///< Nanoseconds spent comparing cells and making the bytes.
    long long write_ns = 0;  ///< Nanoseconds spent writing them.
  };
  /// The cost of the last present().
  const FrameCost &getLastFrameCost() const { return last_frame_cost; }
  /// Turns on the kitty keyboard protocol's press, repeat and release
  /// reports for every key (for a terminal that answered its query, which
  /// open() sends); the terminal's previous keyboard mode comes back on
  /// every way the terminal is given back.
  void enableKeyReleases();
  /// Whether enableKeyReleases() is in force.
  bool reportsKeyReleases() const;
  /// How often the terminal's size has changed since open().
  int getSizeChanges() const { return size_changes; }
  /// Shows text over the top row of the next frames (a warning the player
  /// should see); the cells under it come back afterwards.
  void showNotice(const std::string &text, int frames);
  /// The colour mode in use.
  ColorMode getColorMode() const { return color_mode; }
  /// The cell at column, row as put() or fill() left it this frame: the
  /// character in bits 0-7, the glyph colour in 8-31 (red highest), the
  /// background in 32-55; 0 outside the window.
  std::uint64_t cellAt(int column, int row) const;

 private:
  // Marks a cell as drawn, so that no drawn cell equals the 0 of "not known".
  static constexpr std::uint64_t CELL_SET = std::uint64_t(1) << 63;
  // A cell: character in bits 0-7, glyph colour in 8-31, background in 32-55.
  static std::uint64_t makeCell(unsigned char ch, std::uint32_t fg, std::uint32_t bg) {
    return CELL_SET | static_cast<std::uint64_t>(bg) << 32 | static_cast<std::uint64_t>(fg) << 8 |
           ch;
  }
  int output_fd = -1;
  int input_fd = -1;
  int columns = 0, rows = 0;
  int visible_columns = 0, visible_rows = 0;
  int terminal_columns = 0, terminal_rows = 0;
  ColorMode color_mode = COLORS_256;
  bool cp437 = false;
  std::uint32_t background = 0;
  std::uint64_t blank = 0;
  // What this frame draws and what the terminal shows now (0: not known).
  std::vector<std::uint64_t> back, front;
  std::string out;  // the frame's bytes, kept to spare an allocation a frame
  // The terminal's cursor and colours as the bytes sent so far left them;
  // -1 when not known.
  int cursor_column = -1, cursor_row = -1;
  long long current_fg = -1, current_bg = -1;
  long long last_frame_bytes = 0, total_bytes = 0;
  FrameCost last_frame_cost;
  std::unique_ptr<ColorCodes> p_color_codes;  // each colour's escape, made once
  int size_changes = 0;
  std::string notice;
  int notice_frames = 0;

  void appendCell(int column, int row, std::uint64_t cell);
  void fillRectangle(int column_from, int column_to, int row_from, int row_to, unsigned char r,
                     unsigned char g, unsigned char b, unsigned char alpha);
  void forgetShown();
  void enterRawMode(int fd, bool keep_saved);
  void takeBack();
  void readSize();
  void drawNotice();
  int write_fd = -1;  // where frames go: a descriptor that never waits when owned
  bool owns_write_fd = false;
  std::string pending;         // bytes the terminal has not taken yet
  std::size_t pending_at = 0;  // of which these are written
  long long dropped_frames = 0;
  long long writeNow(const char *data, std::size_t size);
  int send(const char *data, std::size_t size);
  int flushPending();
};

}  // namespace sb

#endif
