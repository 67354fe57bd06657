#ifndef SORBELANE_TERMINAL_INPUT_H
#define SORBELANE_TERMINAL_INPUT_H

#include <cstddef>
#include <string>
#include <vector>

#include "EventKeyboard.h"
#include "EventMouse.h"

namespace sb {

/// One keyboard or mouse event decoded from what a terminal sent.
struct TerminalEvent {
  bool mouse = false;                           ///< A mouse event (else a keyboard event).
  Keyboard::Key key = Keyboard::UNDEFINED_KEY;  ///< The key.
  EventKeyboardAction keyboard_action = UNDEFINED_KEYBOARD_ACTION;  ///< The key's action.
  EventMouseAction mouse_action = UNDEFINED_MOUSE_ACTION;           ///< The mouse's action.
  Mouse::Button button = Mouse::UNDEFINED_MOUSE_BUTTON;             ///< The button.
  float x = 0;             ///< Mouse column, in cells from 0.
  float y = 0;             ///< Mouse row, in cells from 0.
  char32_t character = 0;  ///< The character a key press typed (0 for none).
  bool alt = false;        ///< The key came with Alt.
};

/// Turns the bytes a terminal sends in raw mode into the keyboard and mouse
/// events a window gives: letters, digits, punctuation, Enter, Escape,
/// space, Tab, Backspace, the arrows and F1 to F12 (in the xterm, VT and
/// Linux console forms), UTF-8 text, the kitty keyboard protocol's key
/// reports, and SGR mouse reports. Each key press carries the character it
/// typed. Where the terminal reports releases (the kitty protocol, see
/// setReportsReleases()) keys are pressed, held and released as in a
/// window. Elsewhere a terminal sends only presses and auto-repeats, and
/// every key it sends is one KEY_PRESSED, in the order typed (a key still
/// held is KEY_RELEASED just before its next press): a key that has not
/// repeated yet is KEY_RELEASED one step after its press, and a key whose
/// repeats arrive stays held (KEY_DOWN every step) until they stop for
/// HOLD_US. A mouse press is CLICKED, then PRESSED every step until its
/// release; motion with a button down is MOVED. Escape followed by a
/// character is Alt with that character's key. An Escape byte that ends a
/// read may begin a sequence whose rest is still on its way: it waits for
/// the next bytes, and is the Escape key once ESCAPE_WAIT_US have passed
/// with nothing more. Strings a terminal sends (OSC, DCS, APC, PM, SOS) are
/// read whole and dropped, whatever their length.
class TerminalInput {
 public:
  /// How long after its last arrival a key counts as released, in microseconds.
  static const long long HOLD_US = 150000;
  /// How long a cut-off escape sequence waits for its rest, in microseconds.
  static const long long ESCAPE_WAIT_US = 25000;

  /// Nothing held.
  TerminalInput();
  /// Forgets held keys and buttons and any part sequence.
  void reset();
  /// The events of one step in which `size` bytes arrived at time now_us
  /// (microseconds on any steady clock), in order: arrivals, releases,
  /// PRESSED for held buttons, KEY_DOWN for held keys. An escape sequence
  /// cut off at the end waits for the next step's bytes, or, when none come
  /// within ESCAPE_WAIT_US, is read as Escape and the keys after it.
  const std::vector<TerminalEvent> &step(const char *bytes, std::size_t size, long long now_us);
  /// Reads what the terminal on fd has sent (without waiting: the terminal
  /// is in raw mode with no minimum read) and returns step() of it.
  const std::vector<TerminalEvent> &readStep(int fd, long long now_us);
  /// Whether key is held now.
  bool isHeld(Keyboard::Key key) const;
  /// Whether the terminal has answered the kitty keyboard protocol's query
  /// (CSI ? u) since the last reset().
  bool kittyAnswered() const { return kitty_answered; }
  /// Takes key reports as carrying their press, repeat and release (the
  /// kitty protocol with event types on): held keys wait for their release.
  void setReportsReleases(bool reports) { reports_releases = reports; }

 private:
  static const int KEY_COUNT = 73;  // engine keys 0 to 72
  static const std::size_t MAX_SEQUENCE = 32;
  // The longest string kept whole while its end is awaited; the rest of a
  // longer one is dropped as it arrives.
  static const std::size_t MAX_STRING = 4096;
  // What a key report says of the key.
  enum Report { LEGACY, PRESS, REPEAT, RELEASE };
  bool held[KEY_COUNT];
  bool repeated[KEY_COUNT];  // a repeat came since the press
  bool arrived[KEY_COUNT];   // a report came this step
  bool reported[KEY_COUNT];  // held by a report that will bring a release
  long long last_arrival[KEY_COUNT];
  bool reports_releases = false;
  bool kitty_answered = false;
  bool buttons[3];
  float mouse_x = 0, mouse_y = 0;
  std::string data;             // a part sequence, then this step's bytes
  long long waiting_since = 0;  // when the part sequence's last byte came
  bool in_string = false;       // dropping the rest of an over-long terminal string
  std::vector<TerminalEvent> events;

  // Decodes the bytes in data into this step's events; new_bytes tells
  // whether any arrived since the last step.
  const std::vector<TerminalEvent> &process(long long now_us, bool new_bytes);
  void keyArrived(Keyboard::Key key, long long now_us, Report report = LEGACY,
                  char32_t character = 0, bool alt = false);
  void pushKey(Keyboard::Key key, EventKeyboardAction action, char32_t character = 0,
               bool alt = false);
  // The key and character of the text byte or UTF-8 character at data[at];
  // returns its length, or 0 when it is cut off by the end of the bytes.
  std::size_t textKey(std::size_t at, Keyboard::Key &key, char32_t &character) const;
  // Escape and the character after it: Alt with that key; 0 when cut off.
  std::size_t altKey(std::size_t at, long long now_us);
  // A terminal string (OSC, DCS, APC, PM, SOS) at data[at]: its length up to
  // and with its terminator, or 0 while its end is still to come.
  std::size_t terminalString(std::size_t at);
  // Drops the rest of an over-long terminal string from data[at]; returns
  // where its terminator ends (or the end of the bytes).
  std::size_t skipString(std::size_t at);
  // Reads data into this step's events; returns how much was read.
  std::size_t decode(long long now_us, bool settle);
  std::size_t settleEscape(std::size_t at, long long now_us);
  // A kitty key report "CSI code:shifted ; modifiers:type ; text u".
  void kittyReport(const int numbers[3][3], long long now_us);
  // A report of an escape sequence: LEGACY unless the terminal reports releases.
  Report sequenceReport(int event_type) const;
  void mouseReport(int code, int column, int row, bool press);
  // Decodes one escape sequence at data[at]; returns its length, or 0 when
  // it is cut off by the end of the bytes (a lone Escape included).
  std::size_t escapeSequence(std::size_t at, long long now_us);
};

}  // namespace sb

#endif
