#include "TerminalInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace sb {

namespace {

const unsigned char ESC = 0x1b;

// The engine key of a byte typed on its own, or UNDEFINED_KEY. Shifted
// punctuation gives the key it is typed on; keypad and main keys send the
// same bytes, so '-' and '+' give MINUS and PLUS.
Keyboard::Key byteKey(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<Keyboard::Key>(Keyboard::A + (c - 'a'));
  if (c >= 'A' && c <= 'Z') return static_cast<Keyboard::Key>(Keyboard::A + (c - 'A'));
  if (c == '0') return Keyboard::NUM0;
  if (c >= '1' && c <= '9') return static_cast<Keyboard::Key>(Keyboard::NUM1 + (c - '1'));
  switch (c) {
    case ' ': return Keyboard::SPACE;
    case '\r':
    case '\n': return Keyboard::RETURN;
    case '\t': return Keyboard::TAB;
    case 0x7f:
    case 0x08: return Keyboard::BACKSPACE;
    case '-': return Keyboard::MINUS;
    case '+': return Keyboard::PLUS;
    case '~':
    case '`': return Keyboard::TILDE;
    case '.':
    case '>': return Keyboard::PERIOD;
    case ',':
    case '<': return Keyboard::COMMA;
    case '/':
    case '?': return Keyboard::SLASH;
    case '=': return Keyboard::EQUAL;
    case '\\':
    case '|': return Keyboard::BACKSLASH;
    case '*': return Keyboard::MULTIPLY;
    case '\'':
    case '"': return Keyboard::QUOTE;
    case ';':
    case ':': return Keyboard::SEMICOLON;
    default: return Keyboard::UNDEFINED_KEY;
  }
}

// The key of "ESC [ n ~": F1 to F12 as xterm and the VT220 number them.
Keyboard::Key tildeKey(int number) {
  if (number >= 11 && number <= 15) return static_cast<Keyboard::Key>(Keyboard::F1 + (number - 11));
  if (number >= 17 && number <= 21) return static_cast<Keyboard::Key>(Keyboard::F6 + (number - 17));
  if (number == 23) return Keyboard::F11;
  if (number == 24) return Keyboard::F12;
  return Keyboard::UNDEFINED_KEY;
}

// The key of the final letter of "ESC [ ... X" or "ESC O X".
Keyboard::Key letterKey(unsigned char final) {
  switch (final) {
    case 'A': return Keyboard::UPARROW;
    case 'B': return Keyboard::DOWNARROW;
    case 'C': return Keyboard::RIGHTARROW;
    case 'D': return Keyboard::LEFTARROW;
    case 'P': return Keyboard::F1;
    case 'Q': return Keyboard::F2;
    case 'R': return Keyboard::F3;
    case 'S': return Keyboard::F4;
    case 'Z': return Keyboard::TAB;  // shift-tab
    default: return Keyboard::UNDEFINED_KEY;
  }
}

// The key of a kitty protocol report "ESC [ code ; modifiers u": Unicode
// code points for text keys (unshifted), and the protocol's own numbers for
// the keypad and the modifier keys.
Keyboard::Key kittyKey(int code) {
  switch (code) {
    case 13: return Keyboard::RETURN;
    case 9: return Keyboard::TAB;
    case 127: return Keyboard::BACKSPACE;
    case 27: return Keyboard::ESCAPE;
    case 57411: return Keyboard::MULTIPLY;
    case 57412: return Keyboard::MINUS;
    case 57413: return Keyboard::PLUS;
    case 57414: return Keyboard::RETURN;
    case 57441: return Keyboard::LEFTSHIFT;
    case 57442: return Keyboard::LEFTCONTROL;
    case 57447: return Keyboard::RIGHTSHIFT;
    case 57448: return Keyboard::RIGHTCONTROL;
    default: break;
  }
  if (code == 57399) return Keyboard::NUM0;
  if (code >= 57400 && code <= 57408) return static_cast<Keyboard::Key>(Keyboard::NUM1 + (code - 57400));
  if (code > 0x20 && code < 0x7f) return byteKey(static_cast<unsigned char>(code));
  if (code == 0x20) return Keyboard::SPACE;
  return Keyboard::UNDEFINED_KEY;
}

// Numbers far from the first arrival of any key.
const long long NEVER = -(1LL << 60);

// KEY_DOWN order, that of the window's polling; F11 and F12 are not polled.
struct PollOrder {
  Keyboard::Key keys[71];
  int count = 0;
  PollOrder() {
    const Keyboard::Key named[] = {
        Keyboard::UPARROW,  Keyboard::DOWNARROW,   Keyboard::LEFTARROW,   Keyboard::RIGHTARROW,
        Keyboard::SPACE,    Keyboard::RETURN,      Keyboard::TAB,         Keyboard::ESCAPE,
        Keyboard::PAUSE,    Keyboard::MINUS,       Keyboard::PLUS,        Keyboard::TILDE,
        Keyboard::PERIOD,   Keyboard::COMMA,       Keyboard::SLASH,       Keyboard::EQUAL,
        Keyboard::BACKSLASH, Keyboard::MULTIPLY,   Keyboard::QUOTE,       Keyboard::SEMICOLON,
        Keyboard::LEFTCONTROL, Keyboard::RIGHTCONTROL, Keyboard::LEFTSHIFT, Keyboard::RIGHTSHIFT};
    for (Keyboard::Key key : named) keys[count++] = key;
    for (int i = 0; i < 10; i++) keys[count++] = static_cast<Keyboard::Key>(Keyboard::F1 + i);
    for (int i = 0; i < 26; i++) keys[count++] = static_cast<Keyboard::Key>(Keyboard::A + i);
    for (int i = 0; i < 9; i++) keys[count++] = static_cast<Keyboard::Key>(Keyboard::NUM1 + i);
    keys[count++] = Keyboard::NUM0;
    keys[count++] = Keyboard::BACKSPACE;
  }
};

const PollOrder &pollOrder() {
  static const PollOrder order;
  return order;
}

}  // namespace

TerminalInput::TerminalInput() { reset(); }

void TerminalInput::reset() {
  for (int i = 0; i < KEY_COUNT; i++) {
    held[i] = repeated[i] = arrived[i] = reported[i] = false;
    last_arrival[i] = NEVER;
  }
  kitty_answered = false;
  for (bool &button : buttons) button = false;
  mouse_x = mouse_y = 0;
  data.clear();
  waiting_since = 0;
  events.clear();
}

bool TerminalInput::isHeld(Keyboard::Key key) const {
  return key >= 0 && key < KEY_COUNT && held[key];
}

void TerminalInput::keyArrived(Keyboard::Key key, long long now_us, Report report) {
  if (key < 0 || key >= KEY_COUNT) return;
  if (report == RELEASE) {
    if (!held[key]) return;
    held[key] = reported[key] = false;
    TerminalEvent event;
    event.key = key;
    event.keyboard_action = KEY_RELEASED;
    events.push_back(event);
    return;
  }
  // Without reports, an arrival soon after the last is an auto-repeat, even
  // when the tap rule has let the key go in between.
  bool repeat = report == REPEAT || (report == LEGACY && now_us - last_arrival[key] <= HOLD_US);
  if (!held[key]) {
    held[key] = true;
    repeated[key] = false;
    TerminalEvent event;
    event.key = key;
    event.keyboard_action = KEY_PRESSED;
    events.push_back(event);
  }
  if (repeat) repeated[key] = true;
  reported[key] = report != LEGACY;
  arrived[key] = true;
  last_arrival[key] = now_us;
}

TerminalInput::Report TerminalInput::sequenceReport(int event_type) const {
  if (!reports_releases) return LEGACY;
  if (event_type == 2) return REPEAT;
  if (event_type == 3) return RELEASE;
  return PRESS;
}

// SGR report "ESC [ < code ; column ; row M" (press, motion) or "... m"
// (release); columns and rows count from 1. In the older report every
// release is button code 3.
void TerminalInput::mouseReport(int code, int column, int row, bool press) {
  if (code & 64) return;  // the wheel
  mouse_x = static_cast<float>(column > 0 ? column - 1 : 0);
  mouse_y = static_cast<float>(row > 0 ? row - 1 : 0);
  const Mouse::Button by_code[4] = {Mouse::LEFT, Mouse::MIDDLE, Mouse::RIGHT,
                                    Mouse::UNDEFINED_MOUSE_BUTTON};
  Mouse::Button button = by_code[code & 3];
  TerminalEvent event;
  event.mouse = true;
  event.x = mouse_x;
  event.y = mouse_y;
  if (code & 32) {
    event.mouse_action = MOVED;
    events.push_back(event);
  } else if (press && button != Mouse::UNDEFINED_MOUSE_BUTTON) {
    buttons[button] = true;
    event.mouse_action = CLICKED;
    event.button = button;
    events.push_back(event);
  } else if (button != Mouse::UNDEFINED_MOUSE_BUTTON) {
    buttons[button] = false;
  } else {
    for (bool &down : buttons) down = false;
  }
}

std::size_t TerminalInput::escapeSequence(std::size_t at, long long now_us) {
  std::size_t size = data.size();
  // A sequence cut off by the end waits for more, unless it is already
  // longer than any real one.
  auto cut = [&](std::size_t length) { return length < MAX_SEQUENCE ? 0 : length; };
  if (at + 1 == size) return 0;  // Escape, or the start of a sequence still on its way
  unsigned char kind = static_cast<unsigned char>(data[at + 1]);
  if (kind == 'O') {
    if (at + 2 == size) return cut(2);
    unsigned char final = static_cast<unsigned char>(data[at + 2]);
    keyArrived(final == 'M' ? Keyboard::RETURN : letterKey(final), now_us);
    return 3;
  }
  if (kind != '[') {  // Escape, then a key of its own
    keyArrived(Keyboard::ESCAPE, now_us);
    return 1;
  }
  if (at + 2 == size) return cut(2);
  if (data[at + 2] == '[') {  // the Linux console's F1 to F5: ESC [ [ A to E
    if (at + 3 == size) return cut(3);
    unsigned char final = static_cast<unsigned char>(data[at + 3]);
    if (final >= 'A' && final <= 'E')
      keyArrived(static_cast<Keyboard::Key>(Keyboard::F1 + (final - 'A')), now_us);
    return 4;
  }
  if (data[at + 2] == 'M') {  // the older mouse report: three bytes, each 32 more than its number
    if (at + 6 > size) return cut(size - at);
    auto number = [&](std::size_t i) { return static_cast<unsigned char>(data[at + i]) - 32; };
    mouseReport(number(3), number(4), number(5), true);
    return 6;
  }
  bool mouse = data[at + 2] == '<';
  bool private_marker = data[at + 2] == '?';  // a terminal's answer to a query
  // Up to three fields of up to three sub-parameters (split by ':'), each
  // bounded so that no value overflows.
  int numbers[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  int field = 0, sub = 0;
  for (std::size_t i = at + (mouse || private_marker ? 3 : 2); i < size; i++) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    std::size_t length = i + 1 - at;
    if (c >= '0' && c <= '9') {
      int &number = numbers[field < 3 ? field : 2][sub < 3 ? sub : 2];
      if (field < 3 && sub < 3 && number < 100000) number = number * 10 + (c - '0');
    } else if (c == ';') {
      field++;
      sub = 0;
    } else if (c == ':') {
      sub++;
    } else if (c >= 0x20 && c <= 0x3f) {
      // other parameter and intermediate bytes: skipped
    } else if (c >= 0x40 && c <= 0x7e) {
      Report report = sequenceReport(numbers[1][1]);
      if (mouse) {
        if ((c == 'M' || c == 'm') && field == 2)
          mouseReport(numbers[0][0], numbers[1][0], numbers[2][0], c == 'M');
      } else if (private_marker) {
        if (c == 'u') kitty_answered = true;
      } else if (c == 'u') {
        keyArrived(kittyKey(numbers[0][0]), now_us, report);
      } else if (c == '~') {
        keyArrived(tildeKey(numbers[0][0]), now_us, report);
      } else {
        keyArrived(letterKey(c), now_us, report);
      }
      return length;
    } else {
      return length - 1;  // not part of a sequence: read on its own
    }
    if (length >= MAX_SEQUENCE) return length;
  }
  return cut(size - at);
}

const std::vector<TerminalEvent> &TerminalInput::step(const char *bytes, std::size_t size,
                                                     long long now_us) {
  if (size > 0) data.append(bytes, size);
  return process(now_us, size > 0);
}

const std::vector<TerminalEvent> &TerminalInput::process(long long now_us, bool new_bytes) {
  events.clear();
  for (bool &came : arrived) came = false;
  // A part sequence that nothing followed in time was an Escape press.
  bool settle = !new_bytes && !data.empty() && now_us - waiting_since >= ESCAPE_WAIT_US;
  std::size_t at = 0;
  while (at < data.size()) {
    unsigned char c = static_cast<unsigned char>(data[at]);
    if (c != ESC) {
      keyArrived(byteKey(c), now_us);
      at++;
      continue;
    }
    std::size_t length = escapeSequence(at, now_us);
    if (length == 0 && settle) {
      keyArrived(Keyboard::ESCAPE, now_us);
      length = 1;
    }
    if (length == 0) break;  // the rest waits for the next step
    at += length;
  }
  data.erase(0, at);
  if (new_bytes && !data.empty()) waiting_since = now_us;

  // Keys without release reports: a tap is let go one step after its press,
  // a repeating key once its repeats stop.
  for (int key = 0; key < KEY_COUNT; key++) {
    if (!held[key] || reported[key] || arrived[key]) continue;
    if (repeated[key] && now_us - last_arrival[key] <= HOLD_US) continue;
    held[key] = false;
    TerminalEvent event;
    event.key = static_cast<Keyboard::Key>(key);
    event.keyboard_action = KEY_RELEASED;
    events.push_back(event);
  }
  const Mouse::Button order[3] = {Mouse::LEFT, Mouse::RIGHT, Mouse::MIDDLE};
  for (Mouse::Button button : order) {
    if (!buttons[button]) continue;
    TerminalEvent event;
    event.mouse = true;
    event.mouse_action = PRESSED;
    event.button = button;
    event.x = mouse_x;
    event.y = mouse_y;
    events.push_back(event);
  }
  const PollOrder &poll = pollOrder();
  for (int i = 0; i < poll.count; i++) {
    if (!held[poll.keys[i]]) continue;
    TerminalEvent event;
    event.key = poll.keys[i];
    event.keyboard_action = KEY_DOWN;
    events.push_back(event);
  }
  return events;
}

const std::vector<TerminalEvent> &TerminalInput::readStep(int fd, long long now_us) {
  // At most 64 KiB a step: a flood of input cannot hold up the game. Each
  // read waits for a poll that says bytes are there, so that a terminal
  // left in line mode (or blocking reads) never holds up a step.
  char buffer[4096];
  bool new_bytes = false;
  for (int reads = 0; reads < 16; reads++) {
    struct pollfd ready = {fd, POLLIN, 0};
    int polled = poll(&ready, 1, 0);
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0 || !(ready.revents & POLLIN)) break;
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
    new_bytes = true;
  }
  return process(now_us, new_bytes);
}

}  // namespace sb
