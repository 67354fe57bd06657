// Helpers for the engine-core tests: reading log lines without their prefix
// and catching what the engine writes on standard error.
#ifndef SORBELANE_TESTS_CORE_CHECKS_H
#define SORBELANE_TESTS_CORE_CHECKS_H

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/TestEngine.h"

namespace sbtest {

// One log line split into its prefix (time of day, step count) and message.
struct LogLine {
  bool has_prefix = false;
  std::string time;
  int step = -1;
  std::string message;
  std::string raw;
};

inline std::vector<LogLine> parseLog(const std::string &text) {
  static const std::regex prefix(R"(^(\d\d:\d\d:\d\d) +(-?\d+) )");
  std::vector<LogLine> lines;
  std::istringstream in(text);
  std::string raw;
  while (std::getline(in, raw)) {
    LogLine line;
    line.raw = raw;
    std::smatch m;
    if (std::regex_search(raw, m, prefix)) {
      line.has_prefix = true;
      line.time = m[1];
      line.step = std::stoi(m[2]);
      line.message = raw.substr(m[0].length());
    } else {
      line.message = raw;
    }
    lines.push_back(line);
  }
  return lines;
}

// The messages of a log text, prefixes removed, in order.
inline std::vector<std::string> logMessages(const std::string &text) {
  std::vector<std::string> out;
  for (const LogLine &line : parseLog(text)) out.push_back(line.message);
  return out;
}

// Number of log lines whose message is exactly msg.
inline int countMessage(const std::string &text, const std::string &msg) {
  int n = 0;
  for (const LogLine &line : parseLog(text))
    if (line.message == msg) n++;
  return n;
}

inline bool hasMessage(const std::string &text, const std::string &msg) {
  return countMessage(text, msg) > 0;
}

// True when every message of wanted occurs in the log in this order
// (other lines may come between them).
inline bool messagesInOrder(const std::string &text, const std::vector<std::string> &wanted) {
  size_t next = 0;
  for (const LogLine &line : parseLog(text))
    if (next < wanted.size() && line.message == wanted[next]) next++;
  return next == wanted.size();
}

// Sends file descriptor 2 into a temporary file while alive.
class StderrCapture {
 public:
  StderrCapture() {
    fflush(stderr);
    path_ = tempFolder() + "/sorbelane-stderr-XXXXXX";
    fd_ = mkstemp(&path_[0]);
    saved_ = dup(2);
    dup2(fd_, 2);
  }
  ~StderrCapture() {
    restore();
    unlink(path_.c_str());
  }
  StderrCapture(const StderrCapture &) = delete;
  void operator=(const StderrCapture &) = delete;

  // Stops capturing and returns everything written meanwhile.
  std::string text() {
    restore();
    std::string captured = readFile(path_);
    unlink(path_.c_str());
    return captured;
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    close(fd_);
    saved_ = -1;
  }
  int fd_ = -1;
  int saved_ = -1;
  std::string path_;
};

}  // namespace sbtest

#endif
