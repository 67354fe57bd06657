#include "TerminalDisplay.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "Cast.h"

namespace sb {

namespace {

// Alternate screen, cursor hidden, attributes reset, screen cleared, mouse
// clicks and drags reported in the SGR form.
const char ENTER_SEQUENCE[] =
    "\x1b[?1049h\x1b[?25l\x1b[0m\x1b[2J\x1b[?1000h\x1b[?1002h\x1b[?1006h";
// The reverse: mouse reporting off, attributes reset, normal screen, cursor
// shown (after the switch, which may bring back the cursor state of before).
const char LEAVE_SEQUENCE[] = "\x1b[?1006l\x1b[?1002l\x1b[?1000l\x1b[0m\x1b[?1049l\x1b[?25h";

// Marks a cell as drawn, so that no drawn cell equals the 0 of "not known".
const std::uint64_t CELL_SET = std::uint64_t(1) << 63;

// The terminal as the open display found it, for the restore that signal
// handlers and the end of the program may have to make on their own.
volatile sig_atomic_t terminal_held = 0;
int held_output_fd = -1;
int held_input_fd = -1;
bool termios_saved = false;
struct termios saved_termios;

// Signals that end the program: the terminal is restored before the
// previous action (default, or a sanitizer's report) takes place. The first
// ones are crashes; the others are left to the game when it handles or
// ignores them itself.
const int FATAL_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTERM, SIGHUP, SIGQUIT};
const int FATAL_COUNT = sizeof(FATAL_SIGNALS) / sizeof(FATAL_SIGNALS[0]);
const int CRASH_COUNT = 5;
struct sigaction previous_actions[FATAL_COUNT];
bool handler_installed[FATAL_COUNT];
bool handlers_installed = false;

void onFatalSignal(int signal) {
  TerminalDisplay::restoreFromSignal();
  for (int i = 0; i < FATAL_COUNT; i++)
    if (FATAL_SIGNALS[i] == signal) sigaction(signal, &previous_actions[i], nullptr);
  raise(signal);  // delivered, under the previous action, once this handler returns
}

void installFatalHandlers() {
  if (handlers_installed) return;
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  action.sa_handler = onFatalSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < FATAL_COUNT; i++) {
    handler_installed[i] = sigaction(FATAL_SIGNALS[i], &action, &previous_actions[i]) == 0;
    if (!handler_installed[i]) continue;
    bool ignored = !(previous_actions[i].sa_flags & SA_SIGINFO) &&
                   previous_actions[i].sa_handler == SIG_IGN;
    bool the_games = i >= CRASH_COUNT && ((previous_actions[i].sa_flags & SA_SIGINFO) ||
                                          previous_actions[i].sa_handler != SIG_DFL);
    if (ignored || the_games) {
      sigaction(FATAL_SIGNALS[i], &previous_actions[i], nullptr);
      handler_installed[i] = false;
    }
  }
  handlers_installed = true;
}

void removeFatalHandlers() {
  if (!handlers_installed) return;
  for (int i = 0; i < FATAL_COUNT; i++)
    if (handler_installed[i]) sigaction(FATAL_SIGNALS[i], &previous_actions[i], nullptr);
  handlers_installed = false;
}

void restoreAtExit() { TerminalDisplay::restoreFromSignal(); }

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

std::uint64_t makeCell(unsigned char ch, std::uint32_t fg, std::uint32_t bg) {
  return CELL_SET | static_cast<std::uint64_t>(bg) << 32 | static_cast<std::uint64_t>(fg) << 8 | ch;
}

// The levels of the colour cube's channels and their nearest index.
const int CUBE_LEVELS[6] = {0, 95, 135, 175, 215, 255};

int nearestCubeIndex(int value) {
  if (value < 48) return 0;
  if (value < 115) return 1;
  return (value - 35) / 40;
}

int squaredDistance(int r1, int g1, int b1, int r2, int g2, int b2) {
  return (r1 - r2) * (r1 - r2) + (g1 - g2) * (g1 - g2) + (b1 - b2) * (b1 - b2);
}

}  // namespace

TerminalDisplay::TerminalDisplay() {}

TerminalDisplay::~TerminalDisplay() { close(); }

TerminalDisplay::ColorMode TerminalDisplay::colorModeFromEnvironment() {
  const char *value = getenv("COLORTERM");
  if (value && (strcmp(value, "truecolor") == 0 || strcmp(value, "24bit") == 0)) return TRUE_COLOR;
  return COLORS_256;
}

int TerminalDisplay::nearest256(unsigned char r, unsigned char g, unsigned char b) {
  int ri = nearestCubeIndex(r), gi = nearestCubeIndex(g), bi = nearestCubeIndex(b);
  int cube = squaredDistance(r, g, b, CUBE_LEVELS[ri], CUBE_LEVELS[gi], CUBE_LEVELS[bi]);
  // The grey ramp: 24 levels 8, 18, ..., 238.
  int average = (r + g + b) / 3;
  int grey_index = average < 8 ? 0 : std::min((average - 3) / 10, 23);
  int level = 8 + 10 * grey_index;
  int grey = squaredDistance(r, g, b, level, level, level);
  if (grey < cube) return 232 + grey_index;
  return 16 + 36 * ri + 6 * gi + bi;
}

void TerminalDisplay::restoreFromSignal() {
  if (!terminal_held) return;
  terminal_held = 0;
  const char *rest = LEAVE_SEQUENCE;
  size_t left = sizeof(LEAVE_SEQUENCE) - 1;
  while (left > 0) {
    ssize_t n = write(held_output_fd, rest, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    rest += n;
    left -= static_cast<size_t>(n);
  }
  if (termios_saved) tcsetattr(held_input_fd, TCSANOW, &saved_termios);
}

int TerminalDisplay::open(int new_output_fd, int new_input_fd, int new_columns, int new_rows,
                          ColorMode mode) {
  if (isOpen() || terminal_held) return -1;
  // A headless replay's cast draws into a terminal that no screen shows.
  bool offscreen = Cast::getInstance().isOffscreen(new_output_fd);
  if (new_columns <= 0 || new_rows <= 0 || (!isatty(new_output_fd) && !offscreen)) return -1;
  columns = new_columns;
  rows = new_rows;
  struct winsize size;
  if (ioctl(new_output_fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    terminal_columns = size.ws_col;
    terminal_rows = size.ws_row;
  } else {  // a terminal that does not tell: take it to be large enough
    terminal_columns = columns;
    terminal_rows = rows;
  }
  visible_columns = std::min(columns, terminal_columns);
  visible_rows = std::min(rows, terminal_rows);
  color_mode = mode;

  // Keys one by one, without echo, and reads that never wait; Ctrl-C still
  // raises SIGINT so that the game ends as it would in a window.
  termios_saved = isatty(new_input_fd) && tcgetattr(new_input_fd, &saved_termios) == 0;
  held_output_fd = new_output_fd;
  held_input_fd = new_input_fd;
  if (termios_saved) {
    struct termios raw = saved_termios;
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(new_input_fd, TCSANOW, &raw);
  }
  output_fd = new_output_fd;
  input_fd = new_input_fd;
  terminal_held = 1;
  static bool exit_hook = false;
  if (!exit_hook) exit_hook = atexit(restoreAtExit) == 0;
  installFatalHandlers();

  std::size_t cells = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  blank = makeCell(' ', 0, background);
  back.assign(cells, blank);
  front.assign(cells, 0);
  forgetShown();
  out.reserve(4096);
  last_frame_bytes = 0;
  total_bytes = 0;
  writeAll(ENTER_SEQUENCE, sizeof(ENTER_SEQUENCE) - 1);
  return 0;
}

void TerminalDisplay::close() {
  if (!isOpen()) return;
  restoreFromSignal();
  removeFatalHandlers();
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
  if (column < 0 || row < 0 || column >= columns || row >= rows) return;
  unsigned char c = static_cast<unsigned char>(ch);
  // Control characters would act on the terminal instead of showing.
  if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0)) c = ' ';
  std::uint32_t fg = c == ' ' ? 0 : packRGB(r, g, b);
  back[static_cast<std::size_t>(row) * columns + column] = makeCell(c, fg, background);
}

void TerminalDisplay::fill(int column, int row, unsigned char r, unsigned char g, unsigned char b,
                           unsigned char alpha) {
  if (column < 0 || row < 0 || column >= columns || row >= rows || alpha == 0) return;
  std::uint64_t &cell = back[static_cast<std::size_t>(row) * columns + column];
  std::uint32_t under = static_cast<std::uint32_t>(cell >> 32) & 0xffffff;
  auto blend = [alpha](unsigned char over, unsigned char below) {
    return static_cast<unsigned char>((over * alpha + below * (255 - alpha) + 127) / 255);
  };
  std::uint32_t bg = packRGB(blend(r, red(under)), blend(g, green(under)), blend(b, blue(under)));
  cell = makeCell(' ', 0, bg);
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

void TerminalDisplay::appendColor(bool background_color, std::uint32_t rgb) {
  out += background_color ? "48;" : "38;";
  if (color_mode == TRUE_COLOR) {
    out += "2;";
    appendNumber(out, red(rgb));
    out.push_back(';');
    appendNumber(out, green(rgb));
    out.push_back(';');
    appendNumber(out, blue(rgb));
  } else {
    out += "5;";
    appendNumber(out, static_cast<unsigned int>(nearest256(red(rgb), green(rgb), blue(rgb))));
  }
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
    if (set_fg) appendColor(false, fg);
    if (set_fg && set_bg) out.push_back(';');
    if (set_bg) appendColor(true, bg);
    out.push_back('m');
    if (set_fg) current_fg = fg;
    if (set_bg) current_bg = bg;
  }
  if (ch < 0x80) {
    out.push_back(static_cast<char>(ch));
  } else {  // Latin-1, as the window's font shows it, in UTF-8
    out.push_back(static_cast<char>(0xc0 | ch >> 6));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3f)));
  }
  cursor_row = row;
  // After the last column the cursor waits to wrap: its place is not known.
  cursor_column = column + 1 < terminal_columns ? column + 1 : -1;
}

long long TerminalDisplay::present() {
  if (!isOpen()) return -1;
  out.clear();
  for (int row = 0; row < visible_rows; row++) {
    std::size_t start = static_cast<std::size_t>(row) * columns;
    for (int column = 0; column < visible_columns; column++) {
      std::uint64_t cell = back[start + column];
      if (cell == front[start + column]) continue;
      appendCell(column, row, cell);
      front[start + column] = cell;
    }
  }
  std::fill(back.begin(), back.end(), blank);
  last_frame_bytes = static_cast<long long>(out.size());
  if (out.empty()) return 0;
  if (writeAll(out.data(), out.size()) != 0) {
    forgetShown();  // what reached the terminal is not known
    return -1;
  }
  total_bytes += last_frame_bytes;
  return last_frame_bytes;
}

// Writes everything, waiting a little for a terminal that is busy; -1 when
// it is gone or stays full.
int TerminalDisplay::writeAll(const char *data, std::size_t size) {
  Cast::getInstance().output(data, size);
  int waits = 0;
  while (size > 0) {
    ssize_t n = write(output_fd, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waits++ < 50) {
      struct pollfd ready = {output_fd, POLLOUT, 0};
      poll(&ready, 1, 100);
      continue;
    }
    return -1;
  }
  return 0;
}

}  // namespace sb
