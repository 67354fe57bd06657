#include "TerminalDisplay.h"

#include "utility.h"

#include <fcntl.h>
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
// Set while bytes of a frame wait to be written (a sequence may be cut short
// on the terminal); set by a give-back that left them unwritten.
volatile sig_atomic_t output_cut = 0;
volatile sig_atomic_t tail_abandoned = 0;
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

// Cancels an escape sequence that a frame cut short left open (CAN).
const char CANCEL_SEQUENCE[] = "\x18";

// How long a give-back waits, at most, for a terminal that is not reading.
const int GIVE_BACK_WAIT_MS = 200;
const int WAIT_SLICE_MS = 20;

// Writes everything with async-signal-safe calls only, waiting at most
// wait_ms in all (less what earlier calls used) for a terminal that does not
// take the bytes; what is left then is dropped.
void writeRaw(int fd, const char *data, size_t size, int &wait_ms) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && wait_ms > 0) {
      struct pollfd ready = {fd, POLLOUT, 0};
      poll(&ready, 1, WAIT_SLICE_MS);
      wait_ms -= WAIT_SLICE_MS;
      continue;
    }
    if (n <= 0) break;
    data += n;
    size -= static_cast<size_t>(n);
  }
}

// Normal screen, cursor, mouse reporting off and the terminal's own modes.
// The writes never wait long, so that a terminal that stopped reading
// cannot hold a signal handler (or the end of the program) for ever.
void giveTerminalBack() {
  int wait_ms = GIVE_BACK_WAIT_MS;
  if (output_cut) {
    writeRaw(held_output_fd, CANCEL_SEQUENCE, sizeof(CANCEL_SEQUENCE) - 1, wait_ms);
    tail_abandoned = 1;
  }
  if (keyboard_pushed) writeRaw(held_output_fd, KEYBOARD_POP, sizeof(KEYBOARD_POP) - 1, wait_ms);
  writeRaw(held_output_fd, LEAVE_SEQUENCE, sizeof(LEAVE_SEQUENCE) - 1, wait_ms);
  if (termios_saved) tcsetattr(held_input_fd, TCSANOW, &saved_termios);
}

// A descriptor of its own onto the terminal (or file) behind fd, whose
// writes never wait: the one behind fd is shared with the shell, which must
// not find it changed. -1 when none can be had.
int openNonBlocking(int fd) {
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  int own = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (own < 0 && isatty(fd)) {
    const char *name = ttyname(fd);
    if (name) own = ::open(name, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  }
  return own;
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
  if (!isOpen() || keyboard_pushed) return;
  send(KEYBOARD_PUSH, sizeof(KEYBOARD_PUSH) - 1);
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
  return ColorCodes::nearest16(r, g, b);
}

int TerminalDisplay::nearest256(unsigned char r, unsigned char g, unsigned char b) {
  return ColorCodes::nearest256(r, g, b);
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

  write_fd = openNonBlocking(new_output_fd);
  owns_write_fd = write_fd >= 0;
  if (!owns_write_fd) {
    write_fd = new_output_fd;
    LogManager::getInstance().writeLog(
        "TerminalDisplay::open(): Warning! No descriptor of its own onto the terminal: a "
        "terminal that stops reading will hold the game up.");
  }
  pending.clear();
  pending_at = 0;
  output_cut = tail_abandoned = 0;
  dropped_frames = 0;
  held_output_fd = write_fd;
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

  blank = makeCell(' ', 0, background);
  std::fill(back.begin(), back.end(), blank);
  forgetShown();
  out.reserve(4096);
  last_frame_bytes = 0;
  total_bytes = 0;
  size_changes = 0;
  notice_frames = 0;
  std::string enter = ENTER_SEQUENCE;
  enter += KEYBOARD_QUERY;
  send(enter.data(), enter.size());
  return 0;
}

void TerminalDisplay::close() {
  if (!isOpen()) return;
  // What waits of the last frame goes first, if the terminal takes it soon.
  for (int waited = 0; flushPending() == 0 && waited < GIVE_BACK_WAIT_MS; waited += WAIT_SLICE_MS) {
    struct pollfd ready = {write_fd, POLLOUT, 0};
    poll(&ready, 1, WAIT_SLICE_MS);
  }
  // The cast ends as the terminal does, handed back to its player.
  if (terminal_held && !given_back) {
    if (keyboard_pushed) Cast::getInstance().output(KEYBOARD_POP, sizeof(KEYBOARD_POP) - 1);
    Cast::getInstance().output(LEAVE_SEQUENCE, sizeof(LEAVE_SEQUENCE) - 1);
  }
  restoreFromSignal();
  removeFatalHandlers();
  removeJobHandlers();
  given_back = 0;
  if (owns_write_fd) ::close(write_fd);
  write_fd = -1;
  owns_write_fd = false;
  pending.clear();
  pending_at = 0;
  output_cut = tail_abandoned = 0;
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
      cell = makeCell(' ', 0, packRGB(blend(r, red(under)), blend(g, green(under)),
                                      blend(b, blue(under))));
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
  if (resumed) {
    resumed = 0;
    takeBack();
    resized = 1;  // it may have changed while stopped
  }
  if (resized) {
    resized = 0;
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
  writing_frame = 1;
  int written = send(out.data(), out.size());
  writing_frame = 0;
  last_frame_cost.write_ns = nanosecondsSince(write_start);
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
    output_cut = 1;
  }
  return 0;
}

// Writes what the terminal takes now of the bytes waiting: 1 when none are
// left, 0 when some still wait, -1 when the terminal is gone. Bytes a
// give-back left behind (the terminal has been reset since) are dropped.
int TerminalDisplay::flushPending() {
  if (tail_abandoned) {
    pending.clear();
    pending_at = 0;
    tail_abandoned = 0;
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
      output_cut = 0;
      return -1;
    }
  }
  output_cut = 0;
  return 1;
}

}  // namespace sb
