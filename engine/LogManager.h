#ifndef SORBELANE_LOG_MANAGER_H
#define SORBELANE_LOG_MANAGER_H

#include <cstdarg>
#include <cstdio>
#include <map>
#include <string>

#include "Manager.h"

namespace sb {

// The engine's log: one main file, named extra files, a verbosity level and
// a prefix of time of day and step count on every line.
class LogManager : public Manager {
 private:
  LogManager();
  LogManager(const LogManager &) = delete;
  void operator=(const LogManager &) = delete;

  bool do_flush;
  int log_level;
  bool log_time_string;
  bool log_step_count;
  FILE *p_f;
  std::map<std::string, FILE *> file_map;

  int writeLine(FILE *stream, const char *fmt, va_list args) const;
  FILE *streamFor(const std::string &name);
  bool isMainLog(const std::string &name) const;
  std::string main_log_name;

 public:
  static LogManager &getInstance();
  ~LogManager();

  int startUp() override;
  void shutDown() override;

  // Writes whatever the level.
  int writeLog(const char *fmt, ...) const __attribute__((format(printf, 2, 3)));
  // Writes only if level <= the log level.
  int writeLog(int level, const char *fmt, ...) const __attribute__((format(printf, 3, 4)));
  int writeMyLog(std::string name, const char *fmt, ...) __attribute__((format(printf, 3, 4)));
  int writeMyLog(std::string name, int level, const char *fmt, ...)
      __attribute__((format(printf, 4, 5)));

  void setLogLevel(int new_log_level);
  int getLogLevel() const;
  void setFlush(bool new_do_flush = true);
  void setLogTimeString(bool new_log_time_string);
  void setLogStepCount(bool new_log_step_count);
};

// The local time of day as hh:mm:ss in a shared static buffer.
char *getTimeString();

}  // namespace sb

#endif
