#include "TerminalDisplay.h"

#include "utility.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "Cast.h"
#include "ColorCodes.h"
#include "Constants.h"
#include "LogManager.h"
#include "TerminalSignals.h"

namespace sb {

namespace {

using Signals = TerminalSignals;

// Each frame is one synchronized update: terminals that know the mode show
// it whole at once, the others ignore the two sequences.
const char BEGIN_FRAME[] = "\x1b[?2026h";
const char END_FRAME[] = "\x1b[?2026l";
const std::size_t BEGIN_FRAME_SIZE = sizeof(BEGIN_FRAME) - 1;

void appendNumber(std::string &out, unsigned int value) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  while (count > 0) out.push_back(digits[--count]);
}

std::uint32_t packRGB(unsigned char r, unsigned char g, unsigned char b) {
  return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 | b;
}

unsigned char red(std::uint32_t rgb) { return static_cast<unsigned char>(rgb >> 16); }
unsigned char green(std::uint32_t rgb) { return static_cast<unsigned char>(rgb >> 8); }
unsigned char blue(std::uint32_t rgb) { return static_cast<unsigned char>(rgb); }

long long nanosecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                              start)
      .count();
}

// The terminal's size in cells, each side at most a window's (logged when
// cut); false when the terminal does not tell.
bool terminalSize(int fd, int &columns, int &rows, const char *where) {
  struct winsize size;
  if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return false;
  columns = std::min(static_cast<int>(size.ws_col), MAX_WINDOW_CHARS);
  rows = std::min(static_cast<int>(size.ws_row), MAX_WINDOW_CHARS);
  if (columns < size.ws_col || rows < size.ws_row)
    LogManager::getInstance().writeLog(
        "%s: Warning! The terminal reports %d x %d cells; more than %d a side is not used.", where,
        size.ws_col, size.ws_row, MAX_WINDOW_CHARS);
  return true;
}

}  // namespace

TerminalDisplay::TerminalDisplay() : p_color_codes(new ColorCodes(COLORS_256)) {}

// Keys one by one, without echo, and reads that never wait; Ctrl-C and
// Ctrl-Z still raise their signals, so that the game ends or stops as
// elsewhere. The terminal's modes as found now are kept for the restore
// unless keep_saved (the modes now may be the engine's own).
void TerminalDisplay::enterRawMode(int fd, bool keep_saved) {
  if (!keep_saved)
    Signals::termios_saved = isatty(fd) && tcgetattr(fd, &Signals::saved_termios) == 0;
  if (!Signals::termios_saved) return;
  struct termios raw = Signals::saved_termios;
  raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &raw);
}

// After a stop: raw mode and the alternate screen again, and every cell
// sent. After Ctrl-Z the modes the shell left are the ones to give back; after
// a stop from elsewhere (the terminal still in raw mode, or the shell's modes
// over it) the saved ones stay.
void TerminalDisplay::takeBack() {
  enterRawMode(input_fd, !Signals::given_back);
  out += Signals::ENTER_SEQUENCE;
  if (Signals::keyboard_pushed && Signals::given_back) out += Signals::KEYBOARD_PUSH;
  forgetShown();
  Signals::given_back = 0;
}

// The terminal's size now; when it changed, the whole screen is cleared and
// drawn again, so that nothing from before the change stays.
void TerminalDisplay::readSize() {
  int new_columns = 0, new_rows = 0;
  if (!terminalSize(output_fd, new_columns, new_rows, "TerminalDisplay::present()")) return;
  if (new_columns == terminal_columns && new_rows == terminal_rows) return;
  terminal_columns = new_columns;
  terminal_rows = new_rows;
  visible_columns = std::min(columns, terminal_columns);
  visible_rows = std::min(rows, terminal_rows);
  size_changes++;
  out += "\x1b[0m\x1b[2J";
  forgetShown();
}

void TerminalDisplay::enableKeyReleases() {
  if (!isOpen() || Signals::keyboard_pushed) return;
  send(Signals::KEYBOARD_PUSH, sizeof(Signals::KEYBOARD_PUSH) - 1);
  Signals::keyboard_pushed = 1;
}

bool TerminalDisplay::reportsKeyReleases() const { return isOpen() && Signals::keyboard_pushed; }

void TerminalDisplay::showNotice(const std::string &text, int frames) {
  notice = text;
  notice_frames = frames > 0 ? frames : 0;
}

// The notice over the top row, in black on yellow, cut to what shows.
void TerminalDisplay::drawNotice() {
  if (notice_frames <= 0) return;
  notice_frames--;
  std::size_t length = std::min(notice.size(), static_cast<std::size_t>(visible_columns));
  for (std::size_t i = 0; i < length; i++) {
    unsigned char c = static_cast<unsigned char>(notice[i]);
    if (c < 0x20 || c >= 0x7f) c = ' ';
    back[i] = makeCell(c, 0, packRGB(255, 255, 0));
  }
}

TerminalDisplay::~TerminalDisplay() { close(); }

TerminalDisplay::ColorMode TerminalDisplay::colorModeFromEnvironment() {
  const char *value = getenv("COLORTERM");
  if (value && (strcmp(value, "truecolor") == 0 || strcmp(value, "24bit") == 0)) return TRUE_COLOR;
  std::string term = getenv("TERM") ? getenv("TERM") : "";
  auto endsWith = [&term](const std::string &end) {
    return term.size() >= end.size() &&
           term.compare(term.size() - end.size(), end.size(), end) == 0;
  };
  if (term == "linux" || term == "ansi" || term == "vt100" || term == "vt220" ||
      endsWith("-8color") || endsWith("-16color") || endsWith("-color"))
    return COLORS_16;
  return COLORS_256;
}

int TerminalDisplay::nearest16(unsigned char r, unsigned char g, unsigned char b) {
  return ColorCodes::nearest16(r, g, b);
}

int TerminalDisplay::nearest256(unsigned char r, unsigned char g, unsigned char b) {
  return ColorCodes::nearest256(r, g, b);
}

void TerminalDisplay::restoreFromSignal() { Signals::restore(); }

int TerminalDisplay::open(int new_output_fd, int new_input_fd, int new_columns, int new_rows,
                          ColorMode mode) {
  if (isOpen() || Signals::terminal_held) return -1;
  // A headless replay's cast draws into a terminal that no screen shows.
  bool offscreen = Cast::getInstance().isOffscreen(new_output_fd);
  if (new_columns <= 0 || new_rows <= 0 || new_columns > MAX_WINDOW_CHARS ||
      new_rows > MAX_WINDOW_CHARS || (!isatty(new_output_fd) && !offscreen))
    return -1;
  std::size_t cells = static_cast<std::size_t>(new_columns) * static_cast<std::size_t>(new_rows);
  try {
    back.assign(cells, 0);
    front.assign(cells, 0);
  } catch (const std::bad_alloc &) {
    back.clear();
    front.clear();
    return -1;
  }
  columns = new_columns;
  rows = new_rows;
  if (!terminalSize(new_output_fd, terminal_columns, terminal_rows, "TerminalDisplay::open()")) {
    terminal_columns = columns;  // a terminal that does not tell: taken to be large enough
    terminal_rows = rows;
  }
  visible_columns = std::min(columns, terminal_columns);
  visible_rows = std::min(rows, terminal_rows);
  color_mode = mode;
  p_color_codes.reset(new ColorCodes(mode));
  last_frame_cost = FrameCost();

  write_fd = Signals::openNonBlocking(new_output_fd);
  owns_write_fd = write_fd >= 0;
  if (!owns_write_fd) {
    write_fd = new_output_fd;
    LogManager::getInstance().writeLog(
        "TerminalDisplay::open(): Warning! No descriptor of its own onto the terminal: a "
        "terminal that stops reading will hold the game up.");
  }
  pending.clear();
  pending_at = 0;
  Signals::output_cut = Signals::tail_abandoned = 0;
  dropped_frames = 0;
  Signals::held_output_fd = write_fd;
  Signals::held_input_fd = new_input_fd;
  enterRawMode(new_input_fd, false);
  output_fd = new_output_fd;
  input_fd = new_input_fd;
  Signals::terminal_held = 1;
  static bool exit_hook = false;
  if (!exit_hook) exit_hook = atexit(Signals::restoreAtExit) == 0;
  Signals::installFatalHandlers();
  Signals::given_back = Signals::resumed = Signals::resized = Signals::stop_pending =
      Signals::keyboard_pushed = 0;
  Signals::installJobHandlers();

  blank = makeCell(' ', 0, background);
  std::fill(back.begin(), back.end(), blank);
  forgetShown();
  out.reserve(4096);
  last_frame_bytes = 0;
  total_bytes = 0;
  size_changes = 0;
  notice_frames = 0;
  std::string enter = Signals::ENTER_SEQUENCE;
  enter += Signals::KEYBOARD_QUERY;
  send(enter.data(), enter.size());
  return 0;
}

void TerminalDisplay::close() {
  if (!isOpen()) return;
  // What waits of the last frame goes first, if the terminal takes it soon.
  for (int waited = 0; flushPending() == 0 && waited < Signals::GIVE_BACK_WAIT_MS;
       waited += Signals::WAIT_SLICE_MS) {
    struct pollfd ready = {write_fd, POLLOUT, 0};
    poll(&ready, 1, Signals::WAIT_SLICE_MS);
  }
  // The cast ends as the terminal does, handed back to its player.
  if (Signals::terminal_held && !Signals::given_back) {
    if (Signals::keyboard_pushed)
      Cast::getInstance().output(Signals::KEYBOARD_POP, sizeof(Signals::KEYBOARD_POP) - 1);
    Cast::getInstance().output(Signals::LEAVE_SEQUENCE, sizeof(Signals::LEAVE_SEQUENCE) - 1);
  }
  restoreFromSignal();
  Signals::removeFatalHandlers();
  Signals::removeJobHandlers();
  Signals::given_back = 0;
  if (owns_write_fd) ::close(write_fd);
  write_fd = -1;
  owns_write_fd = false;
  pending.clear();
  pending_at = 0;
  Signals::output_cut = Signals::tail_abandoned = 0;
  output_fd = -1;
  input_fd = -1;
  back.clear();
  front.clear();
}

void TerminalDisplay::setBackground(unsigned char r, unsigned char g, unsigned char b) {
  background = packRGB(r, g, b);
  std::uint64_t new_blank = makeCell(' ', 0, background);
  std::replace(back.begin(), back.end(), blank, new_blank);
  blank = new_blank;
}

void TerminalDisplay::put(int column, int row, char ch, unsigned char r, unsigned char g,
                          unsigned char b) {
  put(column, row, ch, r, g, b, red(background), green(background), blue(background));
}

void TerminalDisplay::put(int column, int row, char ch, unsigned char r, unsigned char g,
                          unsigned char b, unsigned char bg_r, unsigned char bg_g,
                          unsigned char bg_b) {
  if (column < 0 || row < 0 || column >= columns || row >= rows || back.empty()) return;
  unsigned char c = static_cast<unsigned char>(ch);
  // Control characters would act on the terminal instead of showing.
  if (cp437 ? (c == 0 || c == 0x7f) : (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0))) c = ' ';
  std::uint32_t fg = c == ' ' ? 0 : packRGB(r, g, b);
  back[static_cast<std::size_t>(row) * columns + column] =
      makeCell(c, fg, packRGB(bg_r, bg_g, bg_b));
}

void TerminalDisplay::fill(int column, int row, unsigned char r, unsigned char g, unsigned char b,
                           unsigned char alpha) {
  fillCells(column, column, row, row, r, g, b, alpha);
}

void TerminalDisplay::fillCells(int column_from, int column_to, int row_from, int row_to,
                                unsigned char r, unsigned char g, unsigned char b,
                                unsigned char alpha) {
  fillRectangle(column_from, column_to, row_from, row_to, r, g, b, alpha);
}

inline void TerminalDisplay::fillRectangle(int column_from, int column_to, int row_from, int row_to,
                                           unsigned char r, unsigned char g, unsigned char b,
                                           unsigned char alpha) {
  column_from = std::max(column_from, 0);
  row_from = std::max(row_from, 0);
  column_to = std::min(column_to, columns - 1);
  row_to = std::min(row_to, rows - 1);
  if (column_from > column_to || row_from > row_to || alpha == 0 || back.empty()) return;
  std::uint64_t *p_row = back.data() + static_cast<std::size_t>(row_from) * columns;
  if (alpha == 255) {  // opaque: the colour itself, whatever was under it
    std::uint64_t cell = makeCell(' ', 0, packRGB(r, g, b));
    for (int row = row_from; row <= row_to; row++, p_row += columns)
      std::fill(p_row + column_from, p_row + column_to + 1, cell);
    return;
  }
  auto blend = [alpha](unsigned char over, unsigned char below) {
    return static_cast<unsigned char>((over * alpha + below * (255 - alpha) + 127) / 255);
  };
  for (int row = row_from; row <= row_to; row++, p_row += columns) {
    for (int column = column_from; column <= column_to; column++) {
      std::uint64_t &cell = p_row[column];
      std::uint32_t under = static_cast<std::uint32_t>(cell >> 32) & 0xffffff;
      cell = makeCell(' ', 0,
                      packRGB(blend(r, red(under)), blend(g, green(under)), blend(b, blue(under))));
    }
  }
}

std::uint64_t TerminalDisplay::cellAt(int column, int row) const {
  if (column < 0 || row < 0 || column >= columns || row >= rows || back.empty()) return 0;
  return back[static_cast<std::size_t>(row) * columns + column] & ~CELL_SET;
}

void TerminalDisplay::forgetShown() {
  std::fill(front.begin(), front.end(), 0);
  cursor_column = cursor_row = -1;
  current_fg = current_bg = -1;
}

void TerminalDisplay::appendCell(int column, int row, std::uint64_t cell) {
  if (cursor_row != row || cursor_column != column) {
    out += "\x1b[";
    appendNumber(out, static_cast<unsigned int>(row + 1));
    out.push_back(';');
    appendNumber(out, static_cast<unsigned int>(column + 1));
    out.push_back('H');
  }
  unsigned char ch = static_cast<unsigned char>(cell);
  std::uint32_t fg = static_cast<std::uint32_t>(cell >> 8) & 0xffffff;
  std::uint32_t bg = static_cast<std::uint32_t>(cell >> 32) & 0xffffff;
  // A blank shows only its background, whatever the glyph colour.
  bool set_fg = ch != ' ' && current_fg != fg;
  bool set_bg = current_bg != bg;
  if (set_fg || set_bg) {
    out += "\x1b[";
    if (set_fg) p_color_codes->append(out, false, fg);
    if (set_fg && set_bg) out.push_back(';');
    if (set_bg) p_color_codes->append(out, true, bg);
    out.push_back('m');
    if (set_fg) current_fg = fg;
    if (set_bg) current_bg = bg;
  }
  // In UTF-8: the character as the window's font shows it.
  unsigned int code = characterCodePoint(ch, cp437);
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xc0 | code >> 6));
    out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
  } else {
    out.push_back(static_cast<char>(0xe0 | code >> 12));
    out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3f)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
  }
  cursor_row = row;
  // After the last column the cursor waits to wrap: its place is not known.
  cursor_column = column + 1 < terminal_columns ? column + 1 : -1;
}

long long TerminalDisplay::present() {
  if (!isOpen()) return -1;
  // A terminal still busy with an earlier frame (or gone) gets no new one;
  // the first it takes afterwards sends every cell.
  const int flushed = flushPending();
  if (flushed <= 0) {
    std::fill(back.begin(), back.end(), blank);
    forgetShown();
    last_frame_bytes = 0;
    if (flushed < 0) return -1;
    dropped_frames++;
    return 0;
  }
  out.assign(BEGIN_FRAME, BEGIN_FRAME_SIZE);
  if (Signals::resumed) {
    Signals::resumed = 0;
    takeBack();
    Signals::resized = 1;  // it may have changed while stopped
  }
  if (Signals::resized) {
    Signals::resized = 0;
    readSize();
  }
  auto diff_start = std::chrono::steady_clock::now();
  drawNotice();
  int changed = 0;
  for (int row = 0; row < visible_rows; row++) {
    std::size_t start = static_cast<std::size_t>(row) * columns;
    for (int column = 0; column < visible_columns; column++) {
      std::uint64_t cell = back[start + column];
      if (cell == front[start + column]) continue;
      appendCell(column, row, cell);
      front[start + column] = cell;
      changed++;
    }
  }
  std::fill(back.begin(), back.end(), blank);
  last_frame_cost.cells = changed;
  last_frame_cost.diff_ns = nanosecondsSince(diff_start);
  last_frame_cost.write_ns = 0;
  if (out.size() == BEGIN_FRAME_SIZE) {  // nothing changed: nothing sent
    last_frame_bytes = 0;
    return 0;
  }
  out += END_FRAME;
  last_frame_bytes = static_cast<long long>(out.size());
  auto write_start = std::chrono::steady_clock::now();
  Signals::writing_frame = 1;
  int written = send(out.data(), out.size());
  Signals::writing_frame = 0;
  last_frame_cost.write_ns = nanosecondsSince(write_start);
  if (Signals::stop_pending) {  // Ctrl-Z during the write: the frame is whole, now stop
    Signals::stop_pending = 0;
    Signals::stopNow();
  }
  if (written != 0) {
    forgetShown();  // what reached the terminal is not known
    return -1;
  }
  total_bytes += last_frame_bytes;
  return last_frame_bytes;
}

// Writes what the terminal takes now, without waiting: the number of bytes
// written, or -1 when the terminal is gone.
long long TerminalDisplay::writeNow(const char *data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = write(write_fd, data + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    return -1;
  }
  return static_cast<long long>(done);
}

// Sends bytes after those still waiting, or at once as far as the terminal
// takes them; the rest waits for the next frames, so that no sequence is
// ever cut on the terminal. 0, or -1 when the terminal is gone.
int TerminalDisplay::send(const char *data, std::size_t size) {
  Cast::getInstance().output(data, size);
  std::size_t done = 0;
  if (pending.empty()) {
    long long n = writeNow(data, size);
    if (n < 0) return -1;
    done = static_cast<std::size_t>(n);
  }
  if (done < size) {
    pending.append(data + done, size - done);
    Signals::output_cut = 1;
  }
  return 0;
}

// Writes what the terminal takes now of the bytes waiting: 1 when none are
// left, 0 when some still wait, -1 when the terminal is gone. Bytes a
// give-back left behind (the terminal has been reset since) are dropped.
int TerminalDisplay::flushPending() {
  if (Signals::tail_abandoned) {
    pending.clear();
    pending_at = 0;
    Signals::tail_abandoned = 0;
  }
  if (!pending.empty()) {
    long long n = writeNow(pending.data() + pending_at, pending.size() - pending_at);
    if (n >= 0 && pending_at + static_cast<std::size_t>(n) < pending.size()) {
      pending_at += static_cast<std::size_t>(n);
      return 0;
    }
    pending.clear();
    pending_at = 0;
    if (n < 0) {
      Signals::output_cut = 0;
      return -1;
    }
  }
  Signals::output_cut = 0;
  return 1;
}

}  // namespace sb
