#ifndef SORBELANE_RECORDER_H
#define SORBELANE_RECORDER_H

#include <csignal>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

#include "Recording.h"
#include "WorldChecksum.h"

namespace sb {

class Event;
class EventNetwork;

/// Writes a recording of the game as it runs (see Recording for the
/// format): the header, every input event the engine delivered from the
/// window or the terminal, every network event with DATA's message, and a
/// checksum of the world every few steps. The configuration key
/// "record:FILE," starts it at start-up; a game may call start() itself
/// before its first game loop. GameManager::shutDown() ends it.
///
/// What is written reaches the file at every checksum, and a helper thread
/// syncs it to the disk at once (within 20 ms when checksums come faster
/// than that), so that a crash, a kill or a power cut leaves
/// at least every step up to the last checksum; a crash signal writes out
/// the rest of the whole lines too. A recording that a replay could not
/// read (a frame time, window size or configuration beyond the reader's
/// limits) is refused when it starts.
class Recorder {
 public:
  /// The one recorder.
  static Recorder &getInstance();

  /// Starts recording into file, with a checksum every check_every steps
  /// (at least 1). 0, or -1 (logged) when a recording or a replay runs
  /// already, steps have run, the engine is not started or the file cannot
  /// be written.
  int start(const std::string &file, int check_every = 30);
  /// Ends the recording: the last checksum and the end line are written and
  /// the file closed. Nothing when none runs.
  void stop();
  /// Whether a recording runs.
  bool isRecording() const { return fd >= 0; }
  /// Bytes written so far.
  long long getBytes() const { return bytes; }
  /// Processor nanoseconds the game loop's thread used from the end of the
  /// first recorded step to the recording's end (its sleeps not counted).
  long long getStepsTime() const { return last_step_ns - first_step_ns; }

  /// The game manager tells the seed it gave rand(), then starts the
  /// recording that the configuration asks for; 0, or -1 when it cannot.
  int engineStarted(int seed);
  /// The game manager is shutting down: the recording ends, the step count
  /// starts again at the next start-up.
  void engineStopping();
  /// Writes one input event as delivered (keyboard or mouse).
  void recordInput(const Event *p_event, bool from_terminal);
  /// The terminal's size as the game reads it, told at the start of every
  /// step (after the display has noticed a resize): a change from the last
  /// size written is written as the step's resize.
  void recordTerminalSize(int columns, int rows);
  /// Writes one network event; message points at its DATA message's bytes.
  void recordNetwork(const EventNetwork &event, const char *message);
  /// Ends a step: writes the world's checksum when one is due (every
  /// check_every steps and at game over) and counts the step.
  void endStep();

 private:
  Recorder() = default;
  ~Recorder();
  Recorder(const Recorder &) = delete;
  void operator=(const Recorder &) = delete;

  std::string headerText(int every) const;
  void write(const std::string &text);
  void write(const char *data, std::size_t size);
  void writeCheck();
  void flush();
  void writeOut(const char *data, std::size_t size);
  void syncLoop();
  void stopSyncing();
  static void onCrash(int signal);
  void installCrashHandlers();
  void removeCrashHandlers();

  static constexpr std::size_t BUFFER_SIZE = 1 << 16;
  int fd = -1;
  char buffer[BUFFER_SIZE];
  volatile sig_atomic_t used = 0;      // whole lines in buffer, not yet written
  volatile sig_atomic_t flushing = 0;  // a write of the buffer is under way
  static constexpr long long SYNC_PERIOD_MS = 20;
  std::thread syncer;  // syncs the file to the disk after checksums
  std::mutex sync_mutex;
  std::condition_variable sync_wanted;
  std::atomic<bool> sync_dirty{false};  // lines went out since the last sync
  bool sync_stop = false;
  long long last_wake_ms = 0;
  std::string file_name;
  int seed = 0;
  int step = 0;  // steps since start-up
  int check_every = 30;
  int last_check = -1;
  int terminal_columns = 0, terminal_rows = 0;  // the terminal's size last written
  long long bytes = 0;
  bool write_failed = false;
  bool engine_running = false;
  long long first_step_ns = 0, last_step_ns = 0;
  WorldChecksum checksum;
};

}  // namespace sb

#endif
