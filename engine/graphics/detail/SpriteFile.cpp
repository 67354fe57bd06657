// The sprite file reader: header, frames and footer, every count and length
// bounded before use.
#include "SpriteFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <istream>
#include <sstream>

#include "LogManager.h"
#include "Sprite.h"
#include "utility.h"

namespace sb {

namespace {

// One line of a sprite file and its 1-based number in the file.
struct Line {
  int number;
  std::string text;
};
using Lines = std::vector<Line>;

// Reads a sprite file line by line, counting lines and reading no more than
// MAX_SPRITE_BYTES in all. After the first failure every further read fails
// at once.
class SpriteReader {
 public:
  explicit SpriteReader(std::istream &in) : p_buf(in.rdbuf()) {}

  // The next line without its line feed and one trailing carriage return;
  // "" (with a log line) at end of file or beyond MAX_SPRITE_BYTES.
  std::string getLine() {
    std::string line;
    if (failed) return line;
    line_count++;
    for (;;) {
      int c = p_buf ? p_buf->sbumpc() : std::char_traits<char>::eof();
      if (c == std::char_traits<char>::eof()) {
        LogManager::getInstance().writeLog("getLine(): Error! Unexpected end of file.");
        return fail();
      }
      if (++bytes > MAX_SPRITE_BYTES) {
        LogManager::getInstance().writeLog("getLine(): Error! More than %d bytes of sprite data.",
                                           MAX_SPRITE_BYTES);
        return fail();
      }
      if (c == '\n') break;
      line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

  // The lines between <tag> and </tag>; empty when the section is missing,
  // unterminated or has no lines.
  Lines readData(const std::string &tag) {
    std::string begin = "<" + tag + ">";
    std::string end = "</" + tag + ">";
    Lines lines;
    std::string line = getLine();
    if (line != begin) {
      LogManager::getInstance().writeLog("readData(): Error line %d! Expected '%s', have '%s'.",
                                         line_count, begin.c_str(), line.c_str());
      return Lines();
    }
    for (line = getLine(); line != end; line = getLine()) {
      if (line.empty()) {
        LogManager::getInstance().writeLog("readData(): Error! Never encountered '%s'.",
                                           end.c_str());
        return Lines();
      }
      lines.push_back({line_count, line});
    }
    if (lines.empty())
      LogManager::getInstance().writeLog("readData(): Error! Nothing between '%s' and '%s'.",
                                         begin.c_str(), end.c_str());
    return lines;
  }

  int lineCount() const { return line_count; }

 private:
  std::string fail() {
    failed = true;
    return std::string();
  }

  std::streambuf *p_buf;
  int line_count = 0;
  long long bytes = 0;
  bool failed = false;
};

// What looking up one key among header or footer lines gave.
enum class Match { NONE, FOUND, MALFORMED };

// The value part of a line that begins with key: everything after the one
// separator character. MALFORMED (logged) for a key with nothing after it.
Match valueOf(const Line &line, const std::string &key, std::string &value) {
  if (line.text.size() <= key.size()) {
    LogManager::getInstance().writeLog(
        "ResourceManager::loadSprite(): Error! Line %d: '%s' has no value.", line.number,
        line.text.c_str());
    return Match::MALFORMED;
  }
  value = line.text.substr(key.size() + 1);
  return Match::FOUND;
}

bool beginsWith(const std::string &text, const std::string &key) {
  return text.compare(0, key.size(), key) == 0;
}

// The last of the lines beginning with key, as an int; every matching line
// is removed. Values outside int's range are refused.
Match matchLineInt(Lines &lines, const std::string &key, int &number) {
  Match result = Match::NONE;
  Lines rest;
  for (const Line &line : lines) {
    if (!beginsWith(line.text, key)) {
      rest.push_back(line);
      continue;
    }
    if (result == Match::MALFORMED) continue;
    if (result == Match::FOUND)
      LogManager::getInstance().writeLog(1, "matchLineInt(): Warning! '%s' matches multiple lines.",
                                         line.text.c_str());
    std::string value;
    result = valueOf(line, key, value);
    if (result != Match::FOUND) continue;
    long long read = 0;
    readNumber(value, read, NumberRule::PREFIX);
    if (read < INT_MIN || read > INT_MAX) {
      LogManager::getInstance().writeLog(
          "ResourceManager::loadSprite(): Error! Line %d: '%s' is out of range.", line.number,
          line.text.c_str());
      result = Match::MALFORMED;
      continue;
    }
    number = static_cast<int>(read);
  }
  lines.swap(rest);
  return result;
}

// The last non-empty value of the lines beginning with key (or an empty one);
// every matching line is removed.
Match matchLineStr(Lines &lines, const std::string &key, std::string &text) {
  Match result = Match::NONE;
  Lines rest;
  for (const Line &line : lines) {
    if (!beginsWith(line.text, key)) {
      rest.push_back(line);
      continue;
    }
    if (result == Match::MALFORMED) continue;
    if (result == Match::FOUND && !text.empty())
      LogManager::getInstance().writeLog(1, "matchLineStr(): Warning! '%s' matches multiple lines.",
                                         line.text.c_str());
    result = valueOf(line, key, text);
  }
  lines.swap(rest);
  return result;
}

// The next frame of width x height from body[next]; advances next past it.
// False (logged) when the lines do not hold one; last_line is the number of
// the last line taken so far.
bool matchFrame(const Lines &body, size_t &next, int &last_line, int width, int height,
                Frame &frame) {
  LogManager &log = LogManager::getInstance();
  if (next >= body.size()) {
    log.writeLog("\tError! Line %d: No more frame data.", last_line + 1);
    return false;
  }
  std::string frame_str;
  for (int row = 0; row < height; row++) {
    if (next >= body.size()) {  // the body ends inside the frame
      log.writeLog("\tError! Line %d: No more frame data.", last_line + 1);
      return false;
    }
    const Line &line = body[next];
    if (line.text.size() != static_cast<size_t>(width)) {
      log.writeLog("\tError! Line %d: Line length is %d (frame width is %d).", line.number,
                   static_cast<int>(line.text.size()), width);
      log.writeLog("\tLine %d: '%s'", line.number, line.text.c_str());
      return false;
    }
    frame_str += line.text;
    last_line = line.number;
    next++;
  }
  if (next >= body.size()) {
    log.writeLog("\tError! Line %d: No more frame data.", last_line + 1);
    return false;
  }
  const Line &line = body[next];
  if (line.text != "end") {
    log.writeLog("\tError! Line %d: Expected '%s'.", line.number, "end");
    log.writeLog("\tLine %d: '%s'", line.number, line.text.c_str());
    return false;
  }
  last_line = line.number;
  next++;
  frame = Frame(width, height, frame_str);
  return !frame_str.empty();
}

// A required header number: missing (or -1) and negative values fail. Large
// ones need no bound: frames are kept as they are read, never made from the
// count, and every row must be in the file, so the file's bytes pay for them.
bool requiredInt(Lines &header, const std::string &key, int &value) {
  value = -1;
  Match found = matchLineInt(header, key, value);
  if (found == Match::MALFORMED) return false;
  if (found == Match::NONE || value == -1) {
    LogManager::getInstance().writeLog(
        "ResourceManager::loadSprite(): Error! Missing '%s' in header.", key.c_str());
    return false;
  }
  if (value < 0) {
    LogManager::getInstance().writeLog(
        "ResourceManager::loadSprite(): Error! '%s' is %d, must not be negative.", key.c_str(),
        value);
    return false;
  }
  return true;
}

void warnAbsent(const char *key) {
  LogManager::getInstance().writeLog(
      5, "ResourceManager::loadSprite(): Warning! No '%s' in header.", key);
}

// What a sprite file's header gives.
struct SpriteHeader {
  int frames = 0, width = 0, height = 0, slowdown = -1;
  std::string color_name;
  char transparency = 0;
};

// Reads and logs the header; false (logged) when it is faulty.
bool readHeader(SpriteReader &reader, SpriteHeader &h) {
  LogManager &log = LogManager::getInstance();
  Lines header = reader.readData("HEADER");
  if (header.empty()) return false;
  if (!requiredInt(header, "frames", h.frames)) return false;
  if (!requiredInt(header, "width", h.width)) return false;
  if (!requiredInt(header, "height", h.height)) return false;

  Match found = matchLineStr(header, "color", h.color_name);
  if (found == Match::MALFORMED) return false;
  // An empty value counts as absent, for the colour as for the transparency.
  if (found == Match::NONE || h.color_name.empty()) {
    warnAbsent("color");
    h.color_name = "default";
  }
  std::string transparency_str;
  found = matchLineStr(header, "transparency", transparency_str);
  if (found == Match::MALFORMED) return false;
  if (found == Match::NONE || transparency_str.empty()) warnAbsent("transparency");
  h.transparency = transparency_str.empty() ? 0 : transparency_str[0];
  found = matchLineInt(header, "slowdown", h.slowdown);
  if (found == Match::MALFORMED) return false;
  if (found == Match::NONE || h.slowdown == -1) {
    warnAbsent("slowdown");
    h.slowdown = 0;
  }
  if (!header.empty()) {
    log.writeLog(1, "ResourceManager::loadSprite(): Warning! Unused HEADER lines:");
    for (const Line &line : header) log.writeLog(1, "\t'%s'", line.text.c_str());
  }

  log.writeLog(5, "\t      Frames: %d", h.frames);
  log.writeLog(5, "\t       Width: %d", h.width);
  log.writeLog(5, "\t      Height: %d", h.height);
  log.writeLog(5, "\t    Slowdown: %d", h.slowdown);
  if (h.transparency)
    log.writeLog(5, "\tTransparency: %c", h.transparency);
  else
    log.writeLog(5, "\tTransparency: (none)");
  log.writeLog(5, "\t       Color: %s", h.color_name.c_str());
  return true;
}

// Adds the header's number of frames from body to p_sprite, and takes no
// more; false (logged) when the body does not hold exactly them.
bool readFrames(const Lines &body, int body_open_line, const SpriteHeader &h, Sprite *p_sprite) {
  LogManager &log = LogManager::getInstance();
  size_t next = 0;
  int last_line = body_open_line;
  for (int i = 0; i < h.frames; i++) {
    Frame frame;
    if (!matchFrame(body, next, last_line, h.width, h.height, frame)) {
      log.writeLog("ResourceManager::loadSprite(): Error! No frame data to add.");
      return false;
    }
    if (p_sprite->addFrame(frame) == -1) {
      log.writeLog("ResourceManager::loadSprite(): Error! Cannot add Frame.");
      log.writeLog("\tFramecount is %d, max is %d", p_sprite->getFrameCount() + 1, h.frames);
      return false;
    }
  }
  if (next < body.size()) {
    log.writeLog(1, "ResourceManager::loadSprite(): Error! Extra BODY:");
    for (; next < body.size(); next++)
      log.writeLog("\tline %d: %s", body[next].number, body[next].text.c_str());
    return false;
  }
  return true;
}

// Reads the footer, which must name the version; false (logged) when it does not.
bool readFooter(SpriteReader &reader) {
  LogManager &log = LogManager::getInstance();
  int footer_open_line = reader.lineCount() + 1;
  Lines footer = reader.readData("FOOTER");
  if (footer.empty()) return false;
  std::string version;
  Match found = matchLineStr(footer, "version", version);
  if (found == Match::MALFORMED) return false;
  if (version.empty()) {
    log.writeLog("ResourceManager::loadSprite(): Error! Missing '%s' in FOOTER (line %d).",
                 "version", footer_open_line + 1);
    return false;
  }
  if (!footer.empty()) {
    log.writeLog(1, "ResourceManager::loadSprite(): Warning! Unused FOOTER lines:");
    for (const Line &line : footer) log.writeLog(1, "\t'%s'", line.text.c_str());
  }
  return true;
}

}  // namespace

// Reads one sprite from in; the sprite, or null after logging why not.
Sprite *readSprite(std::istream &in, const std::string &label) {
  LogManager &log = LogManager::getInstance();
  SpriteReader reader(in);
  SpriteHeader h;
  if (!readHeader(reader, h)) return nullptr;

  int body_open_line = reader.lineCount() + 1;
  Lines body = reader.readData("BODY");
  if (body.empty()) return nullptr;

  Color color = COLOR_DEFAULT;
  if (h.color_name != "default" && !colorFromName(h.color_name, color)) {
    log.writeLog("ResourceManager::loadSprite(): Error! Unrecognized color '%s'.",
                 h.color_name.c_str());
    log.writeLog("  Valid colors are: black, red, green, yellow,");
    log.writeLog("                    blue, magenta, cyan and white.");
    return nullptr;
  }
  Sprite *p_sprite = new Sprite(h.frames);
  p_sprite->setWidth(h.width);
  p_sprite->setHeight(h.height);
  p_sprite->setSlowdown(h.slowdown);
  p_sprite->setTransparency(h.transparency);
  p_sprite->setColor(color);
  if (!readFrames(body, body_open_line, h, p_sprite) || !readFooter(reader)) {
    delete p_sprite;
    return nullptr;
  }

  p_sprite->setLabel(label);
  if (log.getLogLevel() >= 15) {
    log.writeLog(15, "Sprite '%s' frames:", label.c_str());
    for (int i = 0; i < p_sprite->getFrameCount(); i++) {
      log.writeLog(15, "Frame %d:", i + 1);
      std::string rows = p_sprite->getFrame(i).getString();
      for (int row = 0; row < h.height; row++)
        log.writeLog(15, "\t%s", rows.substr(static_cast<size_t>(row) * h.width, h.width).c_str());
    }
  }
  return p_sprite;
}

}  // namespace sb
