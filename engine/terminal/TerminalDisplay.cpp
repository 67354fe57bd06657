#include "TerminalDisplay.h"

#include "utility.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
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

// Each frame is one synchronized update: terminals that know the mode show
// it whole at once, the others ignore the two sequences.
const char BEGIN_FRAME[] = "\x1b[?2026h";
const char END_FRAME[] = "\x1b[?2026l";
const std::size_t BEGIN_FRAME_SIZE = sizeof(BEGIN_FRAME) - 1;

// Asks whether the terminal speaks the kitty keyboard protocol; an answer
// ("ESC [ ? flags u") comes with the keys, and none means no.
const char KEYBOARD_QUERY[] = "\x1b[?u";
// Pushes the flags: keys unambiguous, event types (press, repeat, release),
// alternate (shifted) keys, every key as an escape code, the text a key
// types; and pops them, back to the terminal's own.
const char KEYBOARD_PUSH[] = "\x1b[>31u";
const char KEYBOARD_POP[] = "\x1b[<u";

// Marks a cell as drawn, so that no drawn cell equals the 0 of "not known".
const std::uint64_t CELL_SET = std::uint64_t(1) << 63;

// The terminal as the open display found it, for the restore that signal
// handlers and the end of the program may have to make on their own.
volatile sig_atomic_t terminal_held = 0;
// Set while the terminal is given back for a stop (Ctrl-Z); by SIGCONT, to
// take it over again at the next frame; by SIGWINCH, to read its new size;
// while a frame is being written, and when a stop waits for that to end.
volatile sig_atomic_t given_back = 0;
volatile sig_atomic_t resumed = 0;
volatile sig_atomic_t resized = 0;
volatile sig_atomic_t writing_frame = 0;
volatile sig_atomic_t stop_pending = 0;
volatile sig_atomic_t keyboard_pushed = 0;
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

// Writes everything with async-signal-safe calls only.
void writeRaw(int fd, const char *data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data += n;
    size -= static_cast<size_t>(n);
  }
}

// Normal screen, cursor, mouse reporting off and the terminal's own modes.
void giveTerminalBack() {
  if (keyboard_pushed) writeRaw(held_output_fd, KEYBOARD_POP, sizeof(KEYBOARD_POP) - 1);
  writeRaw(held_output_fd, LEAVE_SEQUENCE, sizeof(LEAVE_SEQUENCE) - 1);
  if (termios_saved) tcsetattr(held_input_fd, TCSANOW, &saved_termios);
}

// Job control: Ctrl-Z gives the terminal back, then stops the process as
// the default action would; SIGCONT (after fg, or a stop from elsewhere) asks
// the next frame to take it over again and redraw it whole. A stop that
// arrives while a frame is being written waits for the write to end.
const int JOB_SIGNALS[] = {SIGTSTP, SIGCONT, SIGWINCH};
const int JOB_COUNT = sizeof(JOB_SIGNALS) / sizeof(JOB_SIGNALS[0]);
struct sigaction previous_job_actions[JOB_COUNT];
bool job_handler_installed[JOB_COUNT];

void onStopSignal(int);

void stopNow() {
  int saved_errno = errno;
  if (terminal_held && !given_back) {
    giveTerminalBack();
    given_back = 1;
  }
  struct sigaction stop;
  memset(&stop, 0, sizeof(stop));
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTSTP, &stop, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(SIGTSTP);  // stops here until SIGCONT
  stop.sa_handler = onStopSignal;
  stop.sa_flags = SA_RESTART;
  sigaction(SIGTSTP, &stop, nullptr);
  resumed = 1;
  errno = saved_errno;
}

void onStopSignal(int) {
  if (writing_frame) {
    stop_pending = 1;
    return;
  }
  stopNow();
}

void onJobSignal(int signal) {
  if (signal == SIGCONT) resumed = 1;
  if (signal == SIGWINCH) resized = 1;
}

void installJobHandlers() {
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < JOB_COUNT; i++) {
    action.sa_handler = JOB_SIGNALS[i] == SIGTSTP ? onStopSignal : onJobSignal;
    // Reads and writes go on after the signal rather than fail.
    action.sa_flags = SA_RESTART;
    job_handler_installed[i] = sigaction(JOB_SIGNALS[i], &action, &previous_job_actions[i]) == 0;
    // A stop signal that the game or its parent ignores stays ignored.
    const struct sigaction &before = previous_job_actions[i];
    bool kept = !(before.sa_flags & SA_SIGINFO) &&
                (before.sa_handler == SIG_IGN ||
                 (before.sa_handler != SIG_DFL && before.sa_handler != onStopSignal &&
                  before.sa_handler != onJobSignal));
    if (job_handler_installed[i] && kept) {
      sigaction(JOB_SIGNALS[i], &before, nullptr);
      job_handler_installed[i] = false;
    }
  }
}

void removeJobHandlers() {
  for (int i = 0; i < JOB_COUNT; i++)
    if (job_handler_installed[i]) sigaction(JOB_SIGNALS[i], &previous_job_actions[i], nullptr);
  for (bool &installed : job_handler_installed) installed = false;
}

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

// The 16 colours in SGR order: black, red, green, yellow (brown), blue,
// magenta, cyan, white, then their bright forms.
const unsigned char PALETTE_16[16][3] = {
    {0, 0, 0},     {170, 0, 0},    {0, 170, 0},    {170, 85, 0},
    {0, 0, 170},   {170, 0, 170},  {0, 170, 170},  {170, 170, 170},
    {85, 85, 85},  {255, 85, 85},  {85, 255, 85},  {255, 255, 85},
    {85, 85, 255}, {255, 85, 255}, {85, 255, 255}, {255, 255, 255}};

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

// Keys one by one, without echo, and reads that never wait; Ctrl-C and
// Ctrl-Z still raise their signals, so that the game ends or stops as
// elsewhere. The terminal's modes as found now are kept for the restore
// unless keep_saved (the modes now may be the engine's own).
void TerminalDisplay::enterRawMode(int fd, bool keep_saved) {
  if (!keep_saved) termios_saved = isatty(fd) && tcgetattr(fd, &saved_termios) == 0;
  if (!termios_saved) return;
  struct termios raw = saved_termios;
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
  enterRawMode(input_fd, !given_back);
  out += ENTER_SEQUENCE;
  if (keyboard_pushed && given_back) out += KEYBOARD_PUSH;
  forgetShown();
  given_back = 0;
}

// The terminal's size now; when it changed, the whole screen is cleared and
// drawn again, so that nothing from before the change stays.
void TerminalDisplay::readSize() {
  struct winsize size;
  if (ioctl(output_fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return;
  if (size.ws_col == terminal_columns && size.ws_row == terminal_rows) return;
  terminal_columns = size.ws_col;
  terminal_rows = size.ws_row;
  visible_columns = std::min(columns, terminal_columns);
  visible_rows = std::min(rows, terminal_rows);
  size_changes++;
  out += "\x1b[0m\x1b[2J";
  forgetShown();
}

void TerminalDisplay::enableKeyReleases() {
  if (!isOpen() || keyboard_pushed) return;
  writeAll(KEYBOARD_PUSH, sizeof(KEYBOARD_PUSH) - 1);
  keyboard_pushed = 1;
}

bool TerminalDisplay::reportsKeyReleases() const { return isOpen() && keyboard_pushed; }

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
    return term.size() >= end.size() && term.compare(term.size() - end.size(), end.size(), end) == 0;
  };
  if (term == "linux" || term == "ansi" || term == "vt100" || term == "vt220" ||
      endsWith("-8color") || endsWith("-16color") || endsWith("-color"))
    return COLORS_16;
  return COLORS_256;
}

int TerminalDisplay::nearest16(unsigned char r, unsigned char g, unsigned char b) {
  int best = 0, best_distance = 1 << 30;
  for (int index = 0; index < 16; index++) {
    const unsigned char *rgb = PALETTE_16[index];
    int distance = squaredDistance(r, g, b, rgb[0], rgb[1], rgb[2]);
    if (distance < best_distance) {
      best = index;
      best_distance = distance;
    }
  }
  return best;
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
  if (given_back) return;  // already the terminal's own while stopped
  giveTerminalBack();
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

  held_output_fd = new_output_fd;
  held_input_fd = new_input_fd;
  enterRawMode(new_input_fd, false);
  output_fd = new_output_fd;
  input_fd = new_input_fd;
  terminal_held = 1;
  static bool exit_hook = false;
  if (!exit_hook) exit_hook = atexit(restoreAtExit) == 0;
  installFatalHandlers();
  given_back = resumed = resized = stop_pending = keyboard_pushed = 0;
  installJobHandlers();

  std::size_t cells = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  blank = makeCell(' ', 0, background);
  back.assign(cells, blank);
  front.assign(cells, 0);
  forgetShown();
  out.reserve(4096);
  last_frame_bytes = 0;
  total_bytes = 0;
  size_changes = 0;
  notice_frames = 0;
  std::string enter = ENTER_SEQUENCE;
  enter += KEYBOARD_QUERY;
  writeAll(enter.data(), enter.size());
  return 0;
}

void TerminalDisplay::close() {
  if (!isOpen()) return;
  restoreFromSignal();
  removeFatalHandlers();
  removeJobHandlers();
  given_back = 0;
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
  if (column < 0 || row < 0 || column >= columns || row >= rows) return;
  unsigned char c = static_cast<unsigned char>(ch);
  // Control characters would act on the terminal instead of showing.
  if (cp437 ? (c == 0 || c == 0x7f) : (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0))) c = ' ';
  std::uint32_t fg = c == ' ' ? 0 : packRGB(r, g, b);
  back[static_cast<std::size_t>(row) * columns + column] =
      makeCell(c, fg, packRGB(bg_r, bg_g, bg_b));
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
  if (color_mode == COLORS_16) {  // 30-37 and 90-97, 40-47 and 100-107
    int index = nearest16(red(rgb), green(rgb), blue(rgb));
    int base = index < 8 ? (background_color ? 40 : 30) : (background_color ? 100 : 90);
    appendNumber(out, static_cast<unsigned int>(base + index % 8));
    return;
  }
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
  out.assign(BEGIN_FRAME, BEGIN_FRAME_SIZE);
  if (resumed) {
    resumed = 0;
    takeBack();
    resized = 1;  // it may have changed while stopped
  }
  if (resized) {
    resized = 0;
    readSize();
  }
  drawNotice();
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
  if (out.size() == BEGIN_FRAME_SIZE) {  // nothing changed: nothing sent
    last_frame_bytes = 0;
    return 0;
  }
  out += END_FRAME;
  last_frame_bytes = static_cast<long long>(out.size());
  writing_frame = 1;
  int written = writeAll(out.data(), out.size());
  writing_frame = 0;
  if (stop_pending) {  // Ctrl-Z during the write: the frame is whole, now stop
    stop_pending = 0;
    stopNow();
  }
  if (written != 0) {
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
