#ifndef SORBELANE_LOG_MANAGER_H
#define SORBELANE_LOG_MANAGER_H

#include <cstdarg>
#include <cstdio>
#include <map>
#include <string>

#include "Manager.h"

namespace sb {

/// The engine's log: one main file, named extra files, a verbosity level and
/// a prefix of time of day and step count on every line. Until it is
/// started, and for a file that cannot be opened, lines go to stderr.
class LogManager : public Manager {
 private:
  LogManager();
  LogManager(const LogManager &) = delete;
  void operator=(const LogManager &) = delete;

  bool do_flush;
  int log_level;
  bool log_time_string;
  bool log_step_count;
  int step_count;  // the game loop's step, pushed by the game manager
  FILE *p_f;
  std::map<std::string, FILE *> file_map;

  int writeLine(FILE *stream, const char *fmt, va_list args) const;
  FILE *streamFor(const std::string &name);
  bool isMainLog(const std::string &name) const;
  std::string main_log_name;

 public:
  /// The one log manager.
  static LogManager &getInstance();
  /// Closes any log file still open.
  ~LogManager();

  /// Opens (and empties) the main log: the file named by the environment
  /// variable SORBELANE_LOG, else the configured logfile. 0, or -1 (written
  /// to stderr) when already started or the file cannot be opened.
  int startUp() override;
  /// Closes the main log and every extra one.
  void shutDown() override;

  /// Writes one printf-style line to the main log, whatever the level.
  /// Returns the characters of the message written, or -1 when writing fails.
  int writeLog(const char *fmt, ...) const __attribute__((format(printf, 2, 3)));
  /// Writes only if level <= the log level; 0 when the line is left out.
  int writeLog(int level, const char *fmt, ...) const __attribute__((format(printf, 3, 4)));
  /// As writeLog(), to the extra log file name, opened (and emptied) on its
  /// first use; the main log's name writes to the main log.
  int writeMyLog(std::string name, const char *fmt, ...) __attribute__((format(printf, 3, 4)));
  /// As writeMyLog(), only if level <= the log level; 0 when left out.
  int writeMyLog(std::string name, int level, const char *fmt, ...)
      __attribute__((format(printf, 4, 5)));

  /// Sets the verbosity: lines of a higher level are left out (default 0).
  void setLogLevel(int new_log_level);
  /// The verbosity.
  int getLogLevel() const;
  /// Whether a line of level would be written; lets a hot path skip the call.
  bool logs(int level) const { return level <= log_level; }
  /// Flushes after every line (true) or leaves it to the C library.
  void setFlush(bool new_do_flush = true);
  /// Starts every line with the time of day (the default) or not.
  void setLogTimeString(bool new_log_time_string);
  /// Puts the step count after the time (the default) or not.
  void setLogStepCount(bool new_log_step_count);
  /// The step count written on every line; the game manager sets it as its loop steps.
  void setStepCount(int new_step_count) { step_count = new_step_count; }
};

/// The local time of day as hh:mm:ss in a shared static buffer.
char *getTimeString();

}  // namespace sb

#endif
