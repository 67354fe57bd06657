#ifndef SORBELANE_TERMINAL_SIGNALS_H
#define SORBELANE_TERMINAL_SIGNALS_H

#include <termios.h>

#include <csignal>
#include <cstddef>

namespace sb {

/// The terminal as the open display holds it, shared with signal handlers
/// and the end of the program, and those handlers: fatal signals and the
/// end of the program give the terminal back before the process goes; job
/// control (Ctrl-Z, SIGCONT, SIGWINCH) gives it back for a stop and asks the
/// next frame to take it over again. Everything a handler reaches is
/// async-signal-safe: no allocation, no locks, only write, poll, tcsetattr,
/// sigaction, sigprocmask and raise.
class TerminalSignals {
 public:
  /// Alternate screen, cursor hidden, attributes reset, screen cleared,
  /// mouse clicks and drags reported in the SGR form.
  static constexpr char ENTER_SEQUENCE[] =
      "\x1b[?1049h\x1b[?25l\x1b[0m\x1b[2J\x1b[?1000h\x1b[?1002h\x1b[?1006h";
  /// The reverse: mouse reporting off, attributes reset, normal screen,
  /// cursor shown (after the switch, which may bring back the cursor state of before).
  static constexpr char LEAVE_SEQUENCE[] =
      "\x1b[?1006l\x1b[?1002l\x1b[?1000l\x1b[0m\x1b[?1049l\x1b[?25h";
  /// Asks whether the terminal speaks the kitty keyboard protocol; an answer
  /// ("ESC [ ? flags u") comes with the keys, and none means no.
  static constexpr char KEYBOARD_QUERY[] = "\x1b[?u";
  /// Pushes the flags: keys unambiguous, event types (press, repeat,
  /// release), alternate (shifted) keys, every key as an escape code, the
  /// text a key types.
  static constexpr char KEYBOARD_PUSH[] = "\x1b[>31u";
  /// Pops them, back to the terminal's own.
  static constexpr char KEYBOARD_POP[] = "\x1b[<u";
  /// How long a give-back waits, at most, for a terminal that is not reading.
  static constexpr int GIVE_BACK_WAIT_MS = 200;
  /// The slices that wait is taken in.
  static constexpr int WAIT_SLICE_MS = 20;

  /// Set while an open display holds the terminal, for the restore that
  /// signal handlers and the end of the program may have to make on their own.
  static volatile sig_atomic_t terminal_held;
  /// Set while the terminal is given back for a stop (Ctrl-Z).
  static volatile sig_atomic_t given_back;
  /// Set by SIGCONT, to take the terminal over again at the next frame.
  static volatile sig_atomic_t resumed;
  /// Set by SIGWINCH, to read the terminal's new size.
  static volatile sig_atomic_t resized;
  /// Set while a frame is being written.
  static volatile sig_atomic_t writing_frame;
  /// Set when a stop waits for the frame being written.
  static volatile sig_atomic_t stop_pending;
  /// Set while the kitty keyboard flags are pushed.
  static volatile sig_atomic_t keyboard_pushed;
  /// Set while bytes of a frame wait to be written (a sequence may be cut
  /// short on the terminal).
  static volatile sig_atomic_t output_cut;
  /// Set by a give-back that left such bytes unwritten.
  static volatile sig_atomic_t tail_abandoned;
  /// Where the give-back writes.
  static int held_output_fd;
  /// Whose modes the give-back sets back.
  static int held_input_fd;
  /// Whether saved_termios holds the modes to give back.
  static bool termios_saved;
  /// The terminal's modes as the display found them.
  static struct termios saved_termios;

  /// Gives the terminal back when held (and not already given back for a
  /// stop), with async-signal-safe calls only.
  static void restore();
  /// restore(), for atexit().
  static void restoreAtExit();
  /// Catches the fatal signals that the game neither handles nor ignores.
  static void installFatalHandlers();
  /// Puts back the actions installFatalHandlers() found.
  static void removeFatalHandlers();
  /// Catches SIGTSTP, SIGCONT and SIGWINCH, unless the game handles or
  /// ignores them itself.
  static void installJobHandlers();
  /// Puts back the actions installJobHandlers() found.
  static void removeJobHandlers();
  /// Normal screen, cursor, mouse reporting off and the terminal's own
  /// modes, waiting at most GIVE_BACK_WAIT_MS for the terminal.
  static void giveTerminalBack();
  /// Gives the terminal back and stops the process until SIGCONT.
  static void stopNow();
  /// A descriptor of its own onto the terminal (or file) behind fd, whose
  /// writes never wait; -1 when none can be had.
  static int openNonBlocking(int fd);

 private:
  static void onFatalSignal(int signal);
  static void onStopSignal(int signal);
  static void onJobSignal(int signal);
  static void writeRaw(int fd, const char *data, std::size_t size, int &wait_ms);
};

}  // namespace sb

#endif
