#include "TerminalSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace sb {

volatile sig_atomic_t TerminalSignals::terminal_held = 0;
volatile sig_atomic_t TerminalSignals::given_back = 0;
volatile sig_atomic_t TerminalSignals::resumed = 0;
volatile sig_atomic_t TerminalSignals::resized = 0;
volatile sig_atomic_t TerminalSignals::writing_frame = 0;
volatile sig_atomic_t TerminalSignals::stop_pending = 0;
volatile sig_atomic_t TerminalSignals::keyboard_pushed = 0;
volatile sig_atomic_t TerminalSignals::output_cut = 0;
volatile sig_atomic_t TerminalSignals::tail_abandoned = 0;
int TerminalSignals::held_output_fd = -1;
int TerminalSignals::held_input_fd = -1;
bool TerminalSignals::termios_saved = false;
struct termios TerminalSignals::saved_termios;

void TerminalSignals::restore() {
  if (!terminal_held) return;
  terminal_held = 0;
  if (given_back) return;  // already the terminal's own while stopped
  giveTerminalBack();
}

namespace {

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

}  // namespace

void TerminalSignals::onFatalSignal(int signal) {
  restore();
  for (int i = 0; i < FATAL_COUNT; i++)
    if (FATAL_SIGNALS[i] == signal) sigaction(signal, &previous_actions[i], nullptr);
  raise(signal);  // delivered, under the previous action, once this handler returns
}

void TerminalSignals::installFatalHandlers() {
  if (handlers_installed) return;
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  action.sa_handler = onFatalSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < FATAL_COUNT; i++) {
    handler_installed[i] = sigaction(FATAL_SIGNALS[i], &action, &previous_actions[i]) == 0;
    if (!handler_installed[i]) continue;
    bool ignored =
        !(previous_actions[i].sa_flags & SA_SIGINFO) && previous_actions[i].sa_handler == SIG_IGN;
    bool the_games = i >= CRASH_COUNT && ((previous_actions[i].sa_flags & SA_SIGINFO) ||
                                          previous_actions[i].sa_handler != SIG_DFL);
    if (ignored || the_games) {
      sigaction(FATAL_SIGNALS[i], &previous_actions[i], nullptr);
      handler_installed[i] = false;
    }
  }
  handlers_installed = true;
}

void TerminalSignals::removeFatalHandlers() {
  if (!handlers_installed) return;
  for (int i = 0; i < FATAL_COUNT; i++)
    if (handler_installed[i]) sigaction(FATAL_SIGNALS[i], &previous_actions[i], nullptr);
  handlers_installed = false;
}

void TerminalSignals::restoreAtExit() { restore(); }

namespace {

// Cancels an escape sequence that a frame cut short left open (CAN).
const char CANCEL_SEQUENCE[] = "\x18";

}  // namespace

// Writes everything with async-signal-safe calls only, waiting at most
// wait_ms in all (less what earlier calls used) for a terminal that does not
// take the bytes; what is left then is dropped.
void TerminalSignals::writeRaw(int fd, const char *data, size_t size, int &wait_ms) {
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
void TerminalSignals::giveTerminalBack() {
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
int TerminalSignals::openNonBlocking(int fd) {
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  int own = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (own < 0 && isatty(fd)) {
    const char *name = ttyname(fd);
    if (name) own = ::open(name, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  }
  return own;
}

namespace {

// Job control: Ctrl-Z gives the terminal back, then stops the process as
// the default action would; SIGCONT (after fg, or a stop from elsewhere) asks
// the next frame to take it over again and redraw it whole. A stop that
// arrives while a frame is being written waits for the write to end.
const int JOB_SIGNALS[] = {SIGTSTP, SIGCONT, SIGWINCH};
const int JOB_COUNT = sizeof(JOB_SIGNALS) / sizeof(JOB_SIGNALS[0]);
struct sigaction previous_job_actions[JOB_COUNT];
bool job_handler_installed[JOB_COUNT];

}  // namespace

void TerminalSignals::stopNow() {
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

void TerminalSignals::onStopSignal(int) {
  if (writing_frame) {
    stop_pending = 1;
    return;
  }
  stopNow();
}

void TerminalSignals::onJobSignal(int signal) {
  if (signal == SIGCONT) resumed = 1;
  if (signal == SIGWINCH) resized = 1;
}

void TerminalSignals::installJobHandlers() {
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

void TerminalSignals::removeJobHandlers() {
  for (int i = 0; i < JOB_COUNT; i++)
    if (job_handler_installed[i]) sigaction(JOB_SIGNALS[i], &previous_job_actions[i], nullptr);
  for (bool &installed : job_handler_installed) installed = false;
}

}  // namespace sb
