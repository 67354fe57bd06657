#include "TerminalInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace sb {

namespace {

const unsigned char ESC = 0x1b;
const unsigned char BEL = 0x07;

// The bracket keys, as a window numbers them (the window library's key code
// plus 97): the same key in both back ends.
const Keyboard::Key BRACKET_LEFT_KEY = static_cast<Keyboard::Key>(46 + 97);
const Keyboard::Key BRACKET_RIGHT_KEY = static_cast<Keyboard::Key>(47 + 97);

bool isTypedCharacter(long code) { return EventKeyboard::isTypedCharacter(code); }

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
    case '_': return Keyboard::MINUS;
    case '!': return Keyboard::NUM1;
    case '@': return Keyboard::NUM2;
    case '#': return Keyboard::NUM3;
    case '$': return Keyboard::NUM4;
    case '%': return Keyboard::NUM5;
    case '^': return Keyboard::NUM6;
    case '&': return Keyboard::NUM7;
    case '(': return Keyboard::NUM9;
    case ')': return Keyboard::NUM0;
    case '[':
    case '{': return BRACKET_LEFT_KEY;
    case ']':
    case '}': return BRACKET_RIGHT_KEY;
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
  if (code >= 57400 && code <= 57408)
    return static_cast<Keyboard::Key>(Keyboard::NUM1 + (code - 57400));
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
        Keyboard::UPARROW,     Keyboard::DOWNARROW,    Keyboard::LEFTARROW, Keyboard::RIGHTARROW,
        Keyboard::SPACE,       Keyboard::RETURN,       Keyboard::TAB,       Keyboard::ESCAPE,
        Keyboard::PAUSE,       Keyboard::MINUS,        Keyboard::PLUS,      Keyboard::TILDE,
        Keyboard::PERIOD,      Keyboard::COMMA,        Keyboard::SLASH,     Keyboard::EQUAL,
        Keyboard::BACKSLASH,   Keyboard::MULTIPLY,     Keyboard::QUOTE,     Keyboard::SEMICOLON,
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
  in_string = false;  // the rest of an over-long string is no longer awaited
  events.clear();
}

bool TerminalInput::isHeld(Keyboard::Key key) const {
  return key >= 0 && key < KEY_COUNT && held[key];
}

void TerminalInput::pushKey(Keyboard::Key key, EventKeyboardAction action, char32_t character,
                            bool alt) {
  TerminalEvent event;
  event.key = key;
  event.keyboard_action = action;
  event.character = character;
  event.alt = alt;
  events.push_back(event);
}

void TerminalInput::keyArrived(Keyboard::Key key, long long now_us, Report report,
                               char32_t character, bool alt) {
  if (key < 0 || key >= KEY_COUNT) {
    // A key the engine does not follow (no name, or text alone): a press
    // that is over at once.
    if (report == RELEASE || (key == Keyboard::UNDEFINED_KEY && character == 0)) return;
    pushKey(key, KEY_PRESSED, character, alt);
    pushKey(key, KEY_RELEASED);
    return;
  }
  if (report == RELEASE) {
    if (!held[key]) return;
    held[key] = reported[key] = false;
    pushKey(key, KEY_RELEASED);
    return;
  }
  // Without reports, an arrival soon after the last is an auto-repeat, even
  // when the tap rule has let the key go in between. Every arrival without
  // reports is a press of its own, the hold before it ending first; so is
  // a reported press of a key still held (its release went missing), and a
  // report of a key held by an arrival without reports (which the next step
  // would have let go). Only a reported repeat continues a reported hold.
  bool repeat = report == REPEAT || (report == LEGACY && now_us - last_arrival[key] <= HOLD_US);
  if (held[key] && (report != REPEAT || !reported[key])) {
    pushKey(key, KEY_RELEASED);
    held[key] = false;
  }
  if (!held[key]) {
    held[key] = true;
    repeated[key] = false;
    pushKey(key, KEY_PRESSED, character, alt);
  }
  if (repeat) repeated[key] = true;
  reported[key] = report != LEGACY;
  arrived[key] = true;
  last_arrival[key] = now_us;
}

std::size_t TerminalInput::textKey(std::size_t at, Keyboard::Key &key, char32_t &character) const {
  unsigned char c = static_cast<unsigned char>(data[at]);
  key = Keyboard::UNDEFINED_KEY;
  character = 0;
  if (c < 0x80) {
    key = byteKey(c);
    if (isTypedCharacter(c)) character = c;
    return 1;
  }
  // UTF-8: a lead byte and its continuation bytes; anything else is dropped.
  std::size_t length = c >= 0xc2 && c <= 0xdf   ? 2
                       : c >= 0xe0 && c <= 0xef ? 3
                       : c >= 0xf0 && c <= 0xf4 ? 4
                                                : 0;
  if (length == 0) return 1;
  long code = c & (0x3f >> (length - 1));
  for (std::size_t i = 1; i < length; i++) {
    if (at + i >= data.size()) return 0;  // the rest is on its way
    unsigned char next = static_cast<unsigned char>(data[at + i]);
    if ((next & 0xc0) != 0x80) return i;  // broken: dropped up to the next lead
    code = (code << 6) | (next & 0x3f);
  }
  const long least[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (code >= least[length] && isTypedCharacter(code)) character = static_cast<char32_t>(code);
  return length;
}

std::size_t TerminalInput::altKey(std::size_t at, long long now_us) {
  Keyboard::Key key;
  char32_t character;
  std::size_t length = textKey(at + 1, key, character);
  if (length == 0) return 0;
  if (key == Keyboard::UNDEFINED_KEY && character == 0) {  // Escape, then a byte of its own
    keyArrived(Keyboard::ESCAPE, now_us);
    return 1;
  }
  keyArrived(key, now_us, LEGACY, character, true);
  return 1 + length;
}

std::size_t TerminalInput::terminalString(std::size_t at) {
  std::size_t size = data.size();
  for (std::size_t i = at + 2; i < size; i++) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c == BEL) return i + 1 - at;
    if (c != ESC) continue;
    if (i + 1 == size) break;
    // String Terminator ends it; any other Escape cuts it short and is read anew.
    return data[i + 1] == '\\' ? i + 2 - at : i - at;
  }
  if (size - at < MAX_STRING) return 0;
  in_string = true;  // too long to keep: dropped, and the rest as it comes
  // An Escape at the very end may begin the terminator: it stays.
  return data[size - 1] == static_cast<char>(ESC) ? size - at - 1 : size - at;
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
  if (kind == ']' || kind == 'P' || kind == '_' || kind == '^' || kind == 'X')
    return terminalString(at);  // OSC, DCS, APC, PM, SOS
  if (kind == ESC) {            // Escape, then an Escape that begins anew
    keyArrived(Keyboard::ESCAPE, now_us);
    return 1;
  }
  if (kind != '[') return altKey(at, now_us);
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
      if (field < 3 && sub < 3 && number < 1000000) number = number * 10 + (c - '0');
    } else if (c == ';') {
      field++;
      sub = 0;
    } else if (c == ':') {
      sub++;
    } else if (c >= 0x20 && c <= 0x3f) {
      // other parameter and intermediate bytes: skipped
    } else if (c >= 0x40 && c <= 0x7e) {
      Report report = sequenceReport(numbers[1][1]);
      bool alt = numbers[1][0] > 0 && ((numbers[1][0] - 1) & 2);
      if (mouse) {
        if ((c == 'M' || c == 'm') && field == 2)
          mouseReport(numbers[0][0], numbers[1][0], numbers[2][0], c == 'M');
      } else if (private_marker) {
        if (c == 'u') kitty_answered = true;
      } else if (c == 'u') {
        kittyReport(numbers, now_us);
      } else if (c == '~') {
        keyArrived(tildeKey(numbers[0][0]), now_us, report, 0, alt);
      } else {
        keyArrived(letterKey(c), now_us, report, 0, alt);
      }
      return length;
    } else {
      return length - 1;  // not part of a sequence: read on its own
    }
    if (length >= MAX_SEQUENCE) return length;
  }
  return cut(size - at);
}

// The text is the report's own (the protocol's "report associated text"),
// else the shifted key with Shift, else the key; none with Control, and none
// for a release.
void TerminalInput::kittyReport(const int numbers[3][3], long long now_us) {
  int code = numbers[0][0];
  int shifted = numbers[0][1];
  int modifiers = numbers[1][0] > 0 ? numbers[1][0] - 1 : 0;
  Report report = sequenceReport(numbers[1][1]);
  long character = 0;
  if (report != RELEASE) {
    if (numbers[2][0] > 0)
      character = numbers[2][0];
    else if (!(modifiers & 4))
      character = (modifiers & 1) && shifted > 0 ? shifted : code;
  }
  if (!isTypedCharacter(character)) character = 0;
  keyArrived(kittyKey(code), now_us, report, static_cast<char32_t>(character), modifiers & 2);
}

const std::vector<TerminalEvent> &TerminalInput::step(const char *bytes, std::size_t size,
                                                      long long now_us) {
  if (size > 0) data.append(bytes, size);
  return process(now_us, size > 0);
}

std::size_t TerminalInput::skipString(std::size_t at) {
  for (std::size_t i = at; i < data.size(); i++) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c == BEL) {
      in_string = false;
      return i + 1;
    }
    if (c != ESC) continue;
    if (i + 1 == data.size()) return i;  // may begin the terminator: waits
    in_string = false;
    return data[i + 1] == '\\' ? i + 2 : i;
  }
  return data.size();
}

std::size_t TerminalInput::decode(long long now_us, bool settle) {
  std::size_t at = in_string ? skipString(0) : 0;
  if (in_string && settle) in_string = false;  // nothing ended it in time
  while (at < data.size()) {
    unsigned char c = static_cast<unsigned char>(data[at]);
    std::size_t length;
    if (c != ESC) {
      Keyboard::Key key;
      char32_t character;
      length = textKey(at, key, character);
      if (length > 0)
        keyArrived(key, now_us, LEGACY, character);
      else if (settle)
        length = data.size() - at;  // a cut-off character: dropped
    } else {
      length = escapeSequence(at, now_us);
      if (length == 0 && settle) length = settleEscape(at, now_us);
    }
    if (length == 0) break;  // the rest waits for the next step
    at += length;
  }
  return at;
}

// A sequence cut off for good: a string's introducer is Alt with its key,
// anything else an Escape press, and the bytes after either are read anew.
std::size_t TerminalInput::settleEscape(std::size_t at, long long now_us) {
  if (at + 1 < data.size() && data[at + 1] != '[' && data[at + 1] != 'O') {
    std::size_t length = altKey(at, now_us);
    if (length > 0) return length;
  }
  keyArrived(Keyboard::ESCAPE, now_us);
  return 1;
}

const std::vector<TerminalEvent> &TerminalInput::process(long long now_us, bool new_bytes) {
  events.clear();
  for (bool &came : arrived) came = false;
  // A part sequence that nothing followed in time was an Escape press.
  bool settle = !new_bytes && !data.empty() && now_us - waiting_since >= ESCAPE_WAIT_US;
  std::size_t at = decode(now_us, settle);
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
