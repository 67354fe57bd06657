#include "Cast.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Config.h"
#include "LogManager.h"

namespace sb {

namespace {

long long monotonicMicroseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Length of the well-formed UTF-8 sequence at p (at most n bytes), or 0.
std::size_t utf8Length(const unsigned char *p, std::size_t n) {
  unsigned char c = p[0];
  std::size_t length = c >= 0xf0 && c <= 0xf4 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 && c < 0xe0 ? 2 : 0;
  if (c >= 0xf5 || length == 0 || length > n) return 0;
  for (std::size_t i = 1; i < length; i++)
    if ((p[i] & 0xc0) != 0x80) return 0;
  // Overlong forms, surrogates and code points past U+10FFFF.
  if (length == 3 && ((c == 0xe0 && p[1] < 0xa0) || (c == 0xed && p[1] >= 0xa0))) return 0;
  if (length == 4 && ((c == 0xf0 && p[1] < 0x90) || (c == 0xf4 && p[1] >= 0x90))) return 0;
  return length;
}

}  // namespace

Cast &Cast::getInstance() {
  static Cast cast;
  return cast;
}

bool Cast::wantsOffscreen() const {
  const Config &config = Config::getInstance();
  return config.getHeadless() && !config.match("cast").empty() && replaying();
}

int Cast::offscreenFd() {
  if (offscreen_fd < 0) offscreen_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  return offscreen_fd;
}

int Cast::startFromConfig(int columns, int rows) {
  std::string file = Config::getInstance().match("cast");
  if (file.empty()) return 0;
  return start(file, columns, rows, replaying() && Config::getInstance().getHeadless());
}

int Cast::start(const std::string &file, int columns, int rows, bool new_step_clock) {
  LogManager &log = LogManager::getInstance();
  if (p_file) stop();
  p_file = std::fopen(file.c_str(), "w");
  if (!p_file) {
    log.writeLog("Cast::start(): Error! Cannot write cast '%s': %s", file.c_str(),
                 std::strerror(errno));
    return -1;
  }
  file_name = file;
  step_clock = new_step_clock;
  start_us = monotonicMicroseconds();
  // A cast of a replay is the same file on every run: it carries no date.
  if (step_clock)
    std::fprintf(p_file,
                 "{\"version\": 2, \"width\": %d, \"height\": %d, \"env\": {\"TERM\": "
                 "\"xterm-256color\"}}\n",
                 columns, rows);
  else
    std::fprintf(p_file,
                 "{\"version\": 2, \"width\": %d, \"height\": %d, \"timestamp\": %lld, "
                 "\"env\": {\"TERM\": \"xterm-256color\"}}\n",
                 columns, rows, static_cast<long long>(time(nullptr)));
  log.writeLog(1, "Cast::start(): Casting the terminal into '%s'.", file.c_str());
  return 0;
}

double Cast::now() const {
  if (step_clock) return p_replay ? p_replay->stepSeconds() : 0.0;
  return static_cast<double>(monotonicMicroseconds() - start_us) / 1e6;
}

void Cast::output(const char *data, std::size_t size) {
  if (!p_file || size == 0) return;
  std::string text = jsonString(data, size);
  if (std::fprintf(p_file, "[%.6f, \"o\", %s]\n", now(), text.c_str()) < 0) {
    LogManager::getInstance().writeLog("Cast: Error! Cannot write cast '%s'; it ends here.",
                                       file_name.c_str());
    std::fclose(p_file);
    p_file = nullptr;
  }
}

void Cast::stop() {
  if (p_file) {
    std::fclose(p_file);
    p_file = nullptr;
  }
  if (offscreen_fd >= 0) {
    close(offscreen_fd);
    offscreen_fd = -1;
  }
}

std::string Cast::jsonString(const char *data, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
  std::string out;
  out.reserve(size + size / 4 + 2);
  out.push_back('"');
  for (std::size_t i = 0; i < size;) {
    unsigned char c = p[i];
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
      i++;
    } else if (c < 0x20 || c == 0x7f) {
      out += "\\u00";
      out.push_back(digits[c >> 4]);
      out.push_back(digits[c & 15]);
      i++;
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      i++;
    } else if (std::size_t n = utf8Length(p + i, size - i)) {
      out.append(data + i, n);
      i += n;
    } else {
      out += "\\ufffd";
      i++;
    }
  }
  out.push_back('"');
  return out;
}

}  // namespace sb
