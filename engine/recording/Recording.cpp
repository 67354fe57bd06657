#include "Recording.h"

#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Constants.h"
#include "EventKeyboard.h"
#include "utility.h"

namespace sb {

namespace {

const char *const MAGIC = "sorbelane-recording";

// Engine keys 0 to 72 in order; keys from 97 on are the window library's
// unnamed keys, written "K" and their number.
const char *const KEY_NAMES[] = {"SPACE",       "RETURN",
                                 "ESCAPE",      "TAB",
                                 "LEFTARROW",   "RIGHTARROW",
                                 "UPARROW",     "DOWNARROW",
                                 "PAUSE",       "MINUS",
                                 "PLUS",        "TILDE",
                                 "PERIOD",      "COMMA",
                                 "SLASH",       "EQUAL",
                                 "BACKSLASH",   "MULTIPLY",
                                 "QUOTE",       "SEMICOLON",
                                 "LEFTCONTROL", "RIGHTCONTROL",
                                 "LEFTSHIFT",   "RIGHTSHIFT",
                                 "F1",          "F2",
                                 "F3",          "F4",
                                 "F5",          "F6",
                                 "F7",          "F8",
                                 "F9",          "F10",
                                 "F11",         "F12",
                                 "A",           "B",
                                 "C",           "D",
                                 "E",           "F",
                                 "G",           "H",
                                 "I",           "J",
                                 "K",           "L",
                                 "M",           "N",
                                 "O",           "P",
                                 "Q",           "R",
                                 "S",           "T",
                                 "U",           "V",
                                 "W",           "X",
                                 "Y",           "Z",
                                 "NUM1",        "NUM2",
                                 "NUM3",        "NUM4",
                                 "NUM5",        "NUM6",
                                 "NUM7",        "NUM8",
                                 "NUM9",        "NUM0",
                                 "BACKSPACE"};
const int NAMED_KEYS = static_cast<int>(sizeof(KEY_NAMES) / sizeof(KEY_NAMES[0]));
const int FIRST_UNNAMED_KEY = 97;
const int LAST_UNNAMED_KEY = 97 + 200;  // beyond any window library key code

const char *const KEY_ACTIONS[] = {"press", "release", "down"};
const char *const MOUSE_ACTIONS[] = {"clicked", "pressed", "moved"};
const char *const MOUSE_BUTTONS[] = {"left", "right", "middle"};
const char *const NETWORK_LABELS[] = {"accept", "connect", "close", "data"};
const int MAX_NETWORK_MESSAGE = 64 * 1024;
const int MAX_OBJECTS = 10000000;
const float MAX_POSITION = 1.0e6f;

// Index of name in a table of n names, -1 for none; "none" is -1 where allowed.
int indexOf(const char *const *table, int n, const std::string &name) {
  for (int i = 0; i < n; i++)
    if (name == table[i]) return i;
  return -1;
}

bool parseInt(const std::string &token, long long low, long long high, int &value) {
  long long v = 0;
  if (!readNumber(token, v, NumberRule::PLAIN) || v < low || v > high) return false;
  value = static_cast<int>(v);
  return true;
}

bool parseFloat(const std::string &token, float &value) {
  float v = 0;
  if (!readNumber(token, v, NumberRule::PLAIN) || !std::isfinite(v) || std::fabs(v) > MAX_POSITION)
    return false;
  value = v;
  return true;
}

bool parseHex64(const std::string &token, std::uint64_t &value) {
  if (token.size() != 16) return false;
  std::uint64_t v = 0;
  for (char c : token) {
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (d < 0) return false;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  value = v;
  return true;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool parseHexBytes(const std::string &token, std::string &bytes) {
  bytes.clear();
  if (token == "-") return true;
  if (token.size() % 2 != 0) return false;
  bytes.reserve(token.size() / 2);
  for (std::size_t i = 0; i < token.size(); i += 2) {
    int hi = hexDigit(token[i]), lo = hexDigit(token[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

std::string hexBytes(const std::string &bytes) {
  if (bytes.empty()) return "-";
  static const char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    text.push_back(digits[c >> 4]);
    text.push_back(digits[c & 15]);
  }
  return text;
}

// Splits at single blanks; false for an empty token (two blanks, or a blank
// at either end) or too many tokens.
bool splitTokens(const std::string &line, std::vector<std::string> &tokens, std::size_t most) {
  tokens.clear();
  std::size_t start = 0;
  while (true) {
    std::size_t blank = line.find(' ', start);
    std::size_t end = blank == std::string::npos ? line.size() : blank;
    if (end == start || tokens.size() == most) return false;
    tokens.push_back(line.substr(start, end - start));
    if (blank == std::string::npos) return true;
    start = blank + 1;
  }
}

// Where a kind of line goes within its step: the terminal's resize (heard
// as the step begins), input, then network, then the checksum at the step's end.
const int CHECK_RANK = 3;
int rankOf(RecordedKind kind) {
  switch (kind) {
    case RecordedKind::RESIZE: return 0;
    case RecordedKind::KEY:
    case RecordedKind::MOUSE: return 1;
    case RecordedKind::NETWORK: return 2;
    default: return CHECK_RANK;
  }
}

// "COLUMNS ROWS" of a resize or terminal line, each from 1 to a window's most.
bool parseSize(const std::string &columns, const std::string &rows, int &c, int &r) {
  return parseInt(columns, 1, MAX_WINDOW_CHARS, c) && parseInt(rows, 1, MAX_WINDOW_CHARS, r);
}

// The optional fields of a key line (recordings of older engines have
// none): the typed character as "U+" and hexadecimal digits, then "alt".
std::string parseKeyExtras(const std::vector<std::string> &t, RecordedEvent &event) {
  std::size_t i = 5;
  if (i < t.size() && t[i].compare(0, 2, "U+") == 0) {
    const std::string digits = t[i].substr(2);
    long code = 0;
    // At most six digits are read, so that the code cannot overflow.
    bool hex = !digits.empty() && digits.size() <= 6;
    for (std::size_t k = 0; hex && k < digits.size(); k++) {
      char c = digits[k];
      int value = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                  : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                              : -1;
      if (value < 0) hex = false;
      code = code * 16 + value;
    }
    if (!hex || !EventKeyboard::isTypedCharacter(code))
      return "typed character '" + t[i].substr(0, 20) + "' is not U+ and a typed code point";
    event.character = static_cast<char32_t>(code);
    i++;
  }
  if (i < t.size() && t[i] == "alt") {
    event.alt = true;
    i++;
  }
  if (i < t.size()) return "unknown key field '" + t[i].substr(0, 20) + "'";
  return "";
}

// Reads one body line (not the end line) into event; "" or what is wrong.
std::string parseEvent(const std::vector<std::string> &t, RecordedEvent &event) {
  if (t.size() < 2) return "expected a step number and what happened";
  if (!parseInt(t[0], 0, Recording::MAX_STEP, event.step))
    return "step '" + t[0].substr(0, 20) + "' is not a number from 0 to " +
           std::to_string(Recording::MAX_STEP);
  const std::string &what = t[1];
  if (what == "key" || what == "mouse") {
    bool key = what == "key";
    if (key ? t.size() < 5u || t.size() > 7u : t.size() != 8u)
      return "a " + what + " line has " + (key ? "5 to 7" : "8") + " fields";
    if (t[2] != "win" && t[2] != "term")
      return "input source '" + t[2].substr(0, 20) + "' is not win or term";
    event.from_terminal = t[2] == "term";
    if (key) {
      event.kind = RecordedKind::KEY;
      if (!Recording::keyFromName(t[3], event.key))
        return "unknown key '" + t[3].substr(0, 20) + "'";
      event.action = indexOf(KEY_ACTIONS, 3, t[4]);
      if (event.action < 0) return "unknown key action '" + t[4].substr(0, 20) + "'";
      return parseKeyExtras(t, event);
    }
    event.kind = RecordedKind::MOUSE;
    event.action = indexOf(MOUSE_ACTIONS, 3, t[3]);
    if (event.action < 0) return "unknown mouse action '" + t[3].substr(0, 20) + "'";
    event.button = t[4] == "none" ? -1 : indexOf(MOUSE_BUTTONS, 3, t[4]);
    if (event.button < 0 && t[4] != "none")
      return "unknown mouse button '" + t[4].substr(0, 20) + "'";
    if (!parseFloat(t[5], event.x) || !parseFloat(t[6], event.y))
      return "mouse position is not two numbers of at most a million";
    // The eighth field is the position's column and row, for people reading.
    return "";
  }
  if (what == "net") {
    event.kind = RecordedKind::NETWORK;
    if (t.size() != 5) return "a net line has 5 fields";
    event.label = indexOf(NETWORK_LABELS, 4, t[2]);
    if (event.label < 0) return "unknown network event '" + t[2].substr(0, 20) + "'";
    if (!parseInt(t[3], 0, 1000000, event.socket)) return "socket index is not a number";
    if (!parseHexBytes(t[4], event.message)) return "message is not hexadecimal bytes";
    if (event.message.size() > static_cast<std::size_t>(MAX_NETWORK_MESSAGE))
      return "message longer than 65536 bytes";
    return "";
  }
  if (what == "sum") {
    event.kind = RecordedKind::CHECK;
    if (t.size() != 5) return "a sum line has 5 fields";
    if (!parseInt(t[2], 0, MAX_OBJECTS, event.count)) return "object count is not a number";
    if (!parseHex64(t[3], event.hash)) return "checksum is not 16 lower-case hexadecimal digits";
    if (!parseHexBytes(t[4], event.digests)) return "object digests are not hexadecimal bytes";
    if (event.digests.size() > static_cast<std::size_t>(event.count))
      return "more object digests than objects";
    return "";
  }
  if (what == "resize") {
    event.kind = RecordedKind::RESIZE;
    if (t.size() != 4) return "a resize line has 4 fields";
    if (!parseSize(t[2], t[3], event.columns, event.rows))
      return "terminal size is not two numbers from 1 to " + std::to_string(MAX_WINDOW_CHARS);
    return "";
  }
  return "unknown line '" + what.substr(0, 20) + "'";
}

// Reads the value of one "name value" header line.
std::string headerValue(const std::string &line, const char *name, std::string &value) {
  std::size_t n = std::strlen(name);
  if (line.compare(0, n, name) != 0 || line.size() < n + 2 || line[n] != ' ')
    return std::string("expected '") + name + " ...'";
  value = line.substr(n + 1);
  return "";
}

}  // namespace

std::string Recording::keyName(int key) {
  if (key >= 0 && key < NAMED_KEYS) return KEY_NAMES[key];
  if (key == -1) return "UNDEFINED";
  return "K" + std::to_string(key);
}

bool Recording::keyFromName(const std::string &name, int &key) {
  if (name == "UNDEFINED") {
    key = -1;
    return true;
  }
  int i = indexOf(KEY_NAMES, NAMED_KEYS, name);
  if (i >= 0) {
    key = i;
    return true;
  }
  int code = 0;
  if (name.size() > 1 && name[0] == 'K' && name[1] != '-' &&
      parseInt(name.substr(1), FIRST_UNNAMED_KEY, LAST_UNNAMED_KEY, code)) {
    key = code;
    return true;
  }
  return false;
}

std::string Recording::escape(const std::string &text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c <= 0x20 || c >= 0x7f || c == '%') {
      out.push_back('%');
      out.push_back(digits[c >> 4]);
      out.push_back(digits[c & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

bool Recording::unescape(const std::string &text, std::string &bytes) {
  bytes.clear();
  for (std::size_t i = 0; i < text.size(); i++) {
    if (text[i] != '%') {
      bytes.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return true;
}

std::string Recording::headerText(const RecordingHeader &h) {
  std::string text;
  text += std::string(MAGIC) + " " + std::to_string(FORMAT_VERSION) + "\n";
  text += "engine " + h.engine + "\n";
  text += "build " + h.build + "\n";
  text += "seed " + std::to_string(h.seed) + "\n";
  text += "ids " + std::to_string(h.first_id) + "\n";
  text += "cells " + std::to_string(h.columns) + " " + std::to_string(h.rows) + "\n";
  text += "frame_time " + std::to_string(h.frame_time) + "\n";
  text += "check " + std::to_string(h.check_every) + "\n";
  text += "config " + (h.config.empty() ? std::string("-") : escape(h.config)) + "\n";
  text += "steps\n";
  if (h.terminal_columns > 0 && h.terminal_rows > 0)
    text += "0 terminal " + std::to_string(h.terminal_columns) + " " +
            std::to_string(h.terminal_rows) + "\n";
  return text;
}

int Recording::formatInput(const RecordedEvent &e, char *line, std::size_t size) {
  const char *source = e.from_terminal ? "term" : "win";
  int n = -1;
  if (e.kind == RecordedKind::KEY) {
    const char *action = e.action >= 0 && e.action < 3 ? KEY_ACTIONS[e.action] : "press";
    char unnamed[16];
    const char *name = unnamed;
    if (e.key >= 0 && e.key < NAMED_KEYS)
      name = KEY_NAMES[e.key];
    else if (e.key == -1)
      name = "UNDEFINED";
    else
      std::snprintf(unnamed, sizeof unnamed, "K%d", e.key);
    char extras[24] = "";
    if (e.character != 0)
      std::snprintf(extras, sizeof extras, " U+%04X", static_cast<unsigned>(e.character));
    if (e.alt) std::strcat(extras, " alt");
    n = std::snprintf(line, size, "%d key %s %s %s%s\n", e.step, source, name, action, extras);
  } else if (e.kind == RecordedKind::MOUSE) {
    const char *action = e.action >= 0 && e.action < 3 ? MOUSE_ACTIONS[e.action] : "moved";
    const char *button = e.button >= 0 && e.button < 3 ? MOUSE_BUTTONS[e.button] : "none";
    n = std::snprintf(line, size, "%d mouse %s %s %s %.9g %.9g %dx%d\n", e.step, source, action,
                      button, static_cast<double>(e.x), static_cast<double>(e.y),
                      static_cast<int>(e.x), static_cast<int>(e.y));
  }
  return n > 0 && static_cast<std::size_t>(n) < size ? n : -1;
}

std::string Recording::eventLine(const RecordedEvent &e) {
  char line[INPUT_LINE_SIZE];
  switch (e.kind) {
    case RecordedKind::KEY:
    case RecordedKind::MOUSE: return formatInput(e, line, sizeof line) > 0 ? line : "";
    case RecordedKind::RESIZE:
      std::snprintf(line, sizeof line, "%d resize %d %d\n", e.step, e.columns, e.rows);
      return line;
    case RecordedKind::NETWORK: {
      const char *label = e.label >= 0 && e.label < 4 ? NETWORK_LABELS[e.label] : "data";
      return std::to_string(e.step) + " net " + label + " " + std::to_string(e.socket) + " " +
             hexBytes(e.message) + "\n";
    }
    default:
      std::snprintf(line, sizeof line, "%d sum %d %016" PRIx64 " ", e.step, e.count, e.hash);
      return line + hexBytes(e.digests) + "\n";
  }
}

std::string Recording::endLine(int steps) { return "end " + std::to_string(steps) + "\n"; }

namespace {

// Hands out the lines of a recording's text one by one, counting them, and
// words faults with the number of the line they are on.
class LineReader {
 public:
  LineReader(const std::string &text, std::string &fault) : text(text), fault(fault) {}

  // The next whole line; false at the end of the text or at a last line
  // without its newline (a cut).
  bool next() {
    if (at >= text.size()) return false;
    number++;
    std::size_t nl = text.find('\n', at);
    if (nl == std::string::npos) {
      line.clear();
      at = text.size();
      partial = true;
      return false;
    }
    line.assign(text, at, nl - at);
    at = nl + 1;
    return true;
  }

  int fail(const std::string &what) {
    fault = "line " + std::to_string(number) + ": " + what;
    return -1;
  }

  // What is wrong with the line's length or bytes; empty when nothing.
  std::string lineFault() const {
    if (line.size() > Recording::MAX_LINE)
      return "line longer than " + std::to_string(Recording::MAX_LINE) + " bytes";
    for (unsigned char c : line)
      if (c < 0x20 || c > 0x7e) return "line holds a byte that is not printable text";
    return "";
  }

  bool atEnd() const { return at >= text.size(); }

  const std::string &text;
  std::string &fault;
  std::string line;
  std::size_t at = 0;
  int number = 0;
  bool partial = false;  // the text ended inside a line
};

const char *const HEADER_NAMES[] = {"engine", "build",      "seed",  "ids",
                                    "cells",  "frame_time", "check", "config"};

// The first line: the magic word and a format version this engine reads.
int readMagicLine(LineReader &reader, RecordingHeader &header) {
  std::string version;
  std::string missing = headerValue(reader.line, MAGIC, version);
  if (!missing.empty()) return reader.fail("not a Sorbelane recording (" + missing + ")");
  if (!parseInt(version, 0, 1000000, header.version))
    return reader.fail("version '" + version.substr(0, 20) + "' is not a number");
  if (header.version != Recording::FORMAT_VERSION)
    return reader.fail("recording format version " + std::to_string(header.version) +
                       ", this engine reads version " + std::to_string(Recording::FORMAT_VERSION));
  return 0;
}

// Takes the value of header field `field` (an index of HEADER_NAMES); false
// when it is out of range or malformed.
bool takeHeaderField(int field, const std::string &value, RecordingHeader &header) {
  switch (field) {
    case 0: header.engine = value; return header.engine.size() <= 16;
    case 1: header.build = value; return header.build == "GRID" || header.build == "SIMPLE";
    case 2: return parseInt(value, -2147483647LL - 1, 2147483647LL, header.seed);
    case 3: return parseInt(value, 1, Recording::MAX_STEP, header.first_id);
    case 4: {
      std::vector<std::string> t;
      return splitTokens(value, t, 2) && t.size() == 2 &&
             parseInt(t[0], 1, MAX_WINDOW_CHARS, header.columns) &&
             parseInt(t[1], 1, MAX_WINDOW_CHARS, header.rows);
    }
    case 5: return parseInt(value, 0, 999, header.frame_time);
    case 6: return parseInt(value, 1, Recording::MAX_STEP, header.check_every);
    default:
      if (value == "-") {
        header.config.clear();
        return true;
      }
      return Recording::unescape(value, header.config);
  }
}

// Header: every line in its place; a recording cut inside it is refused.
int readHeader(LineReader &reader, RecordingHeader &header) {
  for (int i = -1; i < 9; i++) {
    if (!reader.next()) return reader.fail("the recording ends inside its header");
    std::string bad = reader.lineFault();
    if (!bad.empty()) return reader.fail(bad);
    if (i == -1) {
      if (readMagicLine(reader, header) != 0) return -1;
      continue;
    }
    if (i == 8) {
      if (reader.line != "steps") return reader.fail("expected 'steps'");
      continue;
    }
    std::string value;
    std::string missing = headerValue(reader.line, HEADER_NAMES[i], value);
    if (!missing.empty()) return reader.fail(missing);
    if (!takeHeaderField(i, value, header))
      return reader.fail(std::string("bad ") + HEADER_NAMES[i] + " '" + value.substr(0, 40) + "'");
  }
  return 0;
}

// The end line: a step count that covers every step, and nothing after it.
// Input and network lines may belong to the step the count ends at: a
// program may read input after its last step (or before its first), and a
// replay hands it over when the program asks for it; a checksum there
// would be of a step that never ended.
int readEndLine(LineReader &reader, int last_step, int last_rank, int &end_steps) {
  int steps = 0;
  if (!parseInt(reader.line.substr(4), 0, Recording::MAX_STEP, steps))
    return reader.fail("bad step count in the end line");
  if (steps < last_step || (steps == last_step && last_rank >= CHECK_RANK))
    return reader.fail("the end line's " + std::to_string(steps) + " steps do not cover step " +
                       std::to_string(last_step));
  end_steps = steps;
  if (!reader.atEnd()) {
    reader.number++;
    return reader.fail("text after the end line");
  }
  return 0;
}

}  // namespace

int Recording::parse(const std::string &text, std::string &fault) {
  header = RecordingHeader();
  events.clear();
  end_steps = -1;
  cut_line = 0;
  fault.clear();
  if (text.empty()) {
    fault = "line 1: the recording is empty";
    return -1;
  }
  if (text.size() > MAX_SIZE) {
    fault = "line 1: the recording is larger than " + std::to_string(MAX_SIZE) + " bytes";
    return -1;
  }
  LineReader reader(text, fault);
  if (readHeader(reader, header) != 0) return -1;

  // Body: steps never go back; within a step, input, then network, then the checksum.
  std::vector<std::string> tokens;
  int last_step = -1, last_rank = -1;
  while (true) {
    if (!reader.next()) {
      cut_line = reader.partial ? reader.number : reader.number + 1;
      return 0;  // cut short: what came before stands
    }
    std::string bad = reader.lineFault();
    if (!bad.empty()) return reader.fail(bad);
    if (reader.line.compare(0, 4, "end ") == 0)
      return readEndLine(reader, last_step, last_rank, end_steps);
    if (!splitTokens(reader.line, tokens, 8))
      return reader.fail("fields not separated by single blanks");
    if (tokens.size() > 1 && tokens[1] == "terminal") {
      // The terminal's size at the start: the first body line, at step 0.
      if (last_step >= 0 || tokens.size() != 4 || tokens[0] != "0")
        return reader.fail("a terminal line comes first, as '0 terminal COLUMNS ROWS'");
      if (!parseSize(tokens[2], tokens[3], header.terminal_columns, header.terminal_rows))
        return reader.fail("terminal size is not two numbers from 1 to " +
                           std::to_string(MAX_WINDOW_CHARS));
      last_step = 0;
      continue;
    }
    RecordedEvent event;
    std::string wrong = parseEvent(tokens, event);
    if (!wrong.empty()) return reader.fail(wrong);
    int rank = rankOf(event.kind);
    if (event.step < last_step)
      return reader.fail("step " + std::to_string(event.step) + " is in the past (after step " +
                         std::to_string(last_step) + ")");
    bool one_only = rank == 0 || rank == CHECK_RANK;  // one resize and one sum a step
    if (event.step == last_step && (rank < last_rank || (rank == last_rank && one_only)))
      return reader.fail("event out of order within step " + std::to_string(event.step) +
                         " (one resize, input, network, then one sum)");
    last_step = event.step;
    last_rank = rank;
    events.push_back(std::move(event));
  }
}

}  // namespace sb
