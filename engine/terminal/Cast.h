#ifndef SORBELANE_CAST_H
#define SORBELANE_CAST_H

#include <cstddef>
#include <cstdio>
#include <string>

namespace sb {

/// Writes what the engine sends to the terminal as an asciicast v2 file
/// (one JSON header line, then one [time, "o", data] line per write), which
/// asciinema plays and web pages embed. "cast:FILE," starts it in terminal
/// mode, timed by the clock; with "replay:FILE,headless:true,cast:OUT," the
/// replay draws into a terminal of its own that no screen shows, and the
/// cast is timed by the recorded steps (step times frame_time).
class Cast {
 public:
  /// What a cast asks of the replay it follows: the replay registers itself
  /// with followReplay() when it is made (no replay made, none runs).
  class ReplaySource {
   public:
    /// Whether a replay runs.
    virtual bool isReplaying() const = 0;
    /// The replayed step times the frame time, in seconds.
    virtual double stepSeconds() const = 0;

   protected:
    ~ReplaySource() = default;
  };

  /// The one cast.
  static Cast &getInstance();
  /// Sets the replay that casts follow (null: none).
  void followReplay(const ReplaySource *p_source) { p_replay = p_source; }

  /// Whether the configuration asks for a cast of a headless replay, which
  /// needs a terminal that shows nothing.
  bool wantsOffscreen() const;
  /// The descriptor that stands for that terminal (/dev/null), opened on
  /// first use; -1 when it cannot be opened.
  int offscreenFd();
  /// Whether fd is the offscreen terminal's descriptor.
  bool isOffscreen(int fd) const { return fd >= 0 && fd == offscreen_fd; }

  /// Starts the cast the configuration names ("cast"), for a terminal of
  /// columns x rows cells; 0 (also when none is asked for), or -1 logged
  /// when the file cannot be written.
  int startFromConfig(int columns, int rows);
  /// Starts a cast into file; step_clock times it by the replayed step.
  int start(const std::string &file, int columns, int rows, bool step_clock);
  /// Writes one piece of terminal output.
  void output(const char *data, std::size_t size);
  /// Ends the cast and closes the file (and the offscreen terminal).
  void stop();
  /// Whether a cast is being written.
  bool isCasting() const { return p_file != nullptr; }

  /// The JSON string (quotes included) of bytes: UTF-8 kept, other bytes
  /// as U+FFFD, control characters escaped.
  static std::string jsonString(const char *data, std::size_t size);

 private:
  Cast() = default;
  Cast(const Cast &) = delete;
  void operator=(const Cast &) = delete;

  double now() const;
  bool replaying() const { return p_replay && p_replay->isReplaying(); }

  std::FILE *p_file = nullptr;
  std::string file_name;
  bool step_clock = false;
  long long start_us = 0;
  int offscreen_fd = -1;
  const ReplaySource *p_replay = nullptr;
};

}  // namespace sb

#endif
