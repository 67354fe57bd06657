#ifndef SORBELANE_RECORDER_H
#define SORBELANE_RECORDER_H

#include <cstdio>
#include <string>

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
  bool isRecording() const { return p_file != nullptr; }
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
  /// Writes one network event; message points at its DATA message's bytes.
  void recordNetwork(const EventNetwork &event, const char *message);
  /// Ends a step: writes the world's checksum when one is due (every
  /// check_every steps and at game over) and counts the step.
  void endStep();

 private:
  Recorder() = default;
  Recorder(const Recorder &) = delete;
  void operator=(const Recorder &) = delete;

  void write(const std::string &text);
  void writeCheck();

  std::FILE *p_file = nullptr;
  std::string file_name;
  int seed = 0;
  int step = 0;  // steps since start-up
  int check_every = 30;
  int last_check = -1;
  long long bytes = 0;
  bool write_failed = false;
  bool engine_running = false;
  long long first_step_ns = 0, last_step_ns = 0;
  WorldChecksum checksum;
};

}  // namespace sb

#endif
