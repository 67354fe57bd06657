#ifndef SORBELANE_REPLAY_H
#define SORBELANE_REPLAY_H

#include <string>
#include <vector>

#include "Cast.h"
#include "Recording.h"
#include "TerminalInput.h"
#include "WorldChecksum.h"

namespace sb {

class Manager;

/// Replays a recording (see Recording): the configuration key
/// "replay:FILE," makes the game run with the recording's seed, window
/// size, frame time and game keys (every key but this run's: output files,
/// display and replay settings, see Config::runKeys()), and feeds its input and network events
/// at the steps they were recorded at, in place of real input, which is
/// ignored except Escape or Ctrl-C to stop. In a window or terminal the
/// replay runs in real time; headless it runs as fast as it can. At every
/// recorded checksum it compares the world and logs "Replay diverged at
/// step S" at the first difference, then goes on, or stops with
/// "replay_on_divergence:stop,". A replay that held to the end logs
/// "Replay matched to the end (S steps)." A program that replays returns
/// getExitStatus(), non-zero once the replay diverged.
class Replay final : public Cast::ReplaySource {
 public:
  /// The one replay.
  static Replay &getInstance();

  /// At start-up, after the configuration is read: loads the recording the
  /// configuration names and applies its configuration. 0 (also when no
  /// replay is asked for), or -1 (logged with the line and the fault) for
  /// a recording that is missing, malformed or from another engine or build.
  int prepare();
  /// Checks and loads one recording's text, as prepare() does with a file's
  /// (name is for the log lines). 0, or -1 logged.
  int load(const std::string &text, const std::string &name);
  /// Whether a replay runs.
  bool isReplaying() const override { return replaying; }
  /// The recording's seed.
  int getSeed() const { return recording.header.seed; }
  /// The recording's window size in cells.
  int getColumns() const { return recording.header.columns; }
  /// The recording's window height in cells.
  int getRows() const { return recording.header.rows; }
  /// The recording's milliseconds per step.
  int getFrameTime() const { return recording.header.frame_time; }
  /// Whether the loop should keep its frame time (false headless: as fast as possible).
  bool isPaced() const;
  /// Steps replayed so far.
  int getStep() const { return step; }
  /// The steps replayed so far times the recording's frame time, in seconds
  /// (the clock of a cast made from a headless replay).
  double stepSeconds() const override {
    return static_cast<double>(step) * getFrameTime() / 1000.0;
  }
  /// The first step at which the world differed, or -1.
  int getDivergedStep() const { return diverged_step; }
  /// Whether the replay reached the recording's end without a difference.
  bool matchedToEnd() const { return finished && diverged_step < 0; }
  /// The exit status a program that replayed returns: DIVERGED_STATUS once
  /// the world differed from the recording (also after shutDown()), else 0.
  int getExitStatus() const;
  /// The exit status of a replay that diverged.
  static constexpr int DIVERGED_STATUS = 3;

  /// The game manager has started every manager: object ids start where
  /// the recording's did.
  void engineStarted();
  /// In place of real input: checks for Escape and Ctrl-C, then sends the
  /// recorded input events of this step through the input manager. False
  /// when no replay runs (real input is then read).
  bool feedInput(Manager &input_manager);
  /// In place of the network: sends this step's recorded network events.
  /// False when no replay runs.
  bool feedNetwork();
  /// Serves NetworkManager::receive() from the recorded DATA message of the
  /// socket; true (with result set) when a replay runs.
  bool receive(void *buffer, int nbytes, bool peek, int sock_index, int &result);
  /// Stands in for NetworkManager::connect(): the socket index of the next
  /// recorded CONNECT event, or -1 when the recording has none.
  int connect() const;
  /// Ends a step: compares the recorded checksum of this step, if any, and
  /// stops the game where the recording ends.
  void endStep();
  /// The game manager is shutting down: the outcome is logged, the replay ends.
  void engineStopping();

 private:
  // A cast follows the replay from its start; the cast outlives it.
  Replay() { Cast::getInstance().followReplay(this); }
  ~Replay() { Cast::getInstance().followReplay(nullptr); }
  Replay(const Replay &) = delete;
  void operator=(const Replay &) = delete;

  void stopGame(const char *why);
  void compare(const RecordedEvent &check);
  std::string differenceText(const RecordedEvent &check) const;
  void finish();
  bool realStopRequested();

  Recording recording;
  std::string file_name;
  bool replaying = false;
  bool finished = false;
  bool stop_on_divergence = false;
  std::size_t next = 0;  // the next recorded event
  int step = 0;
  int diverged_step = -1;
  int checks = 0;
  int differing_checks = 0;
  std::string pending_message[8];  // DATA messages not yet received, per socket
  TerminalInput terminal_input;
  WorldChecksum checksum;
};

}  // namespace sb

#endif
