#include "LogManager.h"

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <streambuf>

#include <SFML/System/Err.hpp>

#include "Config.h"
#include "Constants.h"

namespace sb {

namespace {

// Takes what SFML writes to sf::err() and logs it a line at a time, prefixed
// "SFML: ", at SFML_LOG_LEVEL, so that standard error carries only what the
// program itself prints. SFML's sound threads write to it too, hence the lock.
class SfmlErrorBuffer : public std::streambuf {
 public:
  void install() {
    std::lock_guard<std::mutex> guard(lock);
    if (!previous) previous = sf::err().rdbuf(this);
  }
  // Gives sf::err() back its own buffer, and a line not yet ended to it.
  void uninstall() {
    std::lock_guard<std::mutex> guard(lock);
    if (!previous) return;
    sf::err().rdbuf(previous);
    previous = nullptr;
    if (!line.empty()) sf::err() << line << '\n';
    line.clear();
  }

 protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    std::lock_guard<std::mutex> guard(lock);
    take(traits_type::to_char_type(ch));
    return ch;
  }
  std::streamsize xsputn(const char *text, std::streamsize count) override {
    std::lock_guard<std::mutex> guard(lock);
    for (std::streamsize i = 0; i < count; i++) take(text[i]);
    return count;
  }

 private:
  static const std::size_t MAX_LINE = 4096;  // longer lines are cut

  void take(char ch) {
    if (ch == '\n')
      emit();
    else if (line.size() < MAX_LINE)
      line += ch;
  }
  void emit() {
    LogManager::getInstance().writeLog(SFML_LOG_LEVEL, "SFML: %s", line.c_str());
    line.clear();
  }

  std::mutex lock;
  std::string line;
  std::streambuf *previous = nullptr;
};

// Constructed within the log manager's constructor, so it outlives the log manager.
SfmlErrorBuffer &sfmlErrors() {
  static SfmlErrorBuffer buffer;
  return buffer;
}

}  // namespace

char *getTimeString() {
  static char time_str[30];
  time_t now = time(nullptr);
  struct tm local;
  if (now == static_cast<time_t>(-1) || !localtime_r(&now, &local)) {
    snprintf(time_str, sizeof(time_str), "(time error)");
    return time_str;
  }
  snprintf(time_str, sizeof(time_str), "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  return time_str;
}

LogManager::LogManager()
    : do_flush(false),
      log_level(0),
      log_time_string(true),
      log_step_count(true),
      step_count(0),
      p_f(nullptr) {
  setType("LogManager");
  sfmlErrors().install();
}

LogManager::~LogManager() {
  sfmlErrors().uninstall();
  if (p_f) fclose(p_f);
  for (auto &entry : file_map)
    if (entry.second) fclose(entry.second);
}

LogManager &LogManager::getInstance() {
  static LogManager log_manager;
  return log_manager;
}

int LogManager::startUp() {
  if (isStarted()) {
    writeLog("LogManager::startup(): Warning! LogManager already started.");
    return -1;
  }
  const char *env_name = getenv("SORBELANE_LOG");
  std::string name = env_name ? env_name : Config::getInstance().getLogFile();
  p_f = fopen(name.c_str(), "w");
  main_log_name = name;
  if (!p_f) {
    writeLog("LogManager::startup(): Warning! Unable to open file '%s'.", name.c_str());
    return -1;
  }
  Manager::startUp();
  writeLog(5, "LogManager::startUp(): successfully started.");
  return 0;
}

void LogManager::shutDown() {
  Manager::shutDown();
  writeLog(5, "LogManager::shutDown(): successfully stopped.");
  if (p_f) {
    fclose(p_f);
    p_f = nullptr;
  }
  for (auto &entry : file_map)
    if (entry.second) fclose(entry.second);
  file_map.clear();
}

// Writes prefix, message and newline to stream (stderr when absent).
int LogManager::writeLine(FILE *stream, const char *fmt, va_list args) const {
  if (!stream) stream = stderr;
  bool failed = false;
  if (log_time_string && fprintf(stream, "%s ", getTimeString()) < 0) failed = true;
  if (log_step_count && fprintf(stream, "%4d ", step_count) < 0) failed = true;
  int written = vfprintf(stream, fmt, args);
  if (written < 0) failed = true;
  if (fputc('\n', stream) == EOF) failed = true;
  if (do_flush) fflush(stream);
  return failed ? -1 : written;
}

int LogManager::writeLog(const char *fmt, ...) const {
  va_list args;
  va_start(args, fmt);
  int result = writeLine(p_f, fmt, args);
  va_end(args);
  return result;
}

int LogManager::writeLog(int level, const char *fmt, ...) const {
  if (level > log_level) return 0;
  va_list args;
  va_start(args, fmt);
  int result = writeLine(p_f, fmt, args);
  va_end(args);
  return result;
}

// True when name is the open main log, under whatever name it was opened
// (the configuration's, the environment's, or another path to the same file).
bool LogManager::isMainLog(const std::string &name) const {
  if (name == Config::getInstance().getLogFile() || name == main_log_name) return true;
  struct stat named, main_log;
  return p_f && stat(name.c_str(), &named) == 0 && fstat(fileno(p_f), &main_log) == 0 &&
         named.st_dev == main_log.st_dev && named.st_ino == main_log.st_ino;
}

// The stream of an extra log, opening it on first use. The main log is
// appended to, never reopened: reopening would truncate it.
FILE *LogManager::streamFor(const std::string &name) {
  if (isMainLog(name)) return p_f;
  auto found = file_map.find(name);
  if (found != file_map.end()) return found->second;
  writeLog(5, "File %s is new.", name.c_str());
  FILE *stream = fopen(name.c_str(), "w");
  if (!stream)
    writeLog("LogManager::startup(): Warning! Unable to open file '%s'.\n", name.c_str());
  file_map[name] = stream;
  return stream;
}

int LogManager::writeMyLog(std::string name, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int result = writeLine(streamFor(name), fmt, args);
  va_end(args);
  return result;
}

int LogManager::writeMyLog(std::string name, int level, const char *fmt, ...) {
  if (level > log_level) return 0;
  va_list args;
  va_start(args, fmt);
  int result = writeLine(streamFor(name), fmt, args);
  va_end(args);
  return result;
}

void LogManager::setLogLevel(int new_log_level) { log_level = new_log_level; }
int LogManager::getLogLevel() const { return log_level; }
void LogManager::setFlush(bool new_do_flush) { do_flush = new_do_flush; }
void LogManager::setLogTimeString(bool value) { log_time_string = value; }
void LogManager::setLogStepCount(bool value) { log_step_count = value; }

}  // namespace sb
