#ifndef SORBELANE_LOOP_STATE_H
#define SORBELANE_LOOP_STATE_H

namespace sb {

/// What the game loop tells the parts of the engine beneath the game
/// manager: the step it runs, its frame time and whether the game is over.
/// The game manager writes it as it starts and loops; the path, network and
/// recording code read it, and a replay may end the game through it.
class LoopState {
 private:
  LoopState() = default;
  LoopState(const LoopState &) = delete;
  void operator=(const LoopState &) = delete;

  int step_count = 0;
  int frame_time = 0;
  bool game_over = false;
  void (*p_shut_down)() = nullptr;

 public:
  /// The one loop state.
  static LoopState &getInstance();

  /// Steps run since the game loop began.
  int getStepCount() const { return step_count; }
  /// Sets the step count (the game manager does, every step).
  void setStepCount(int new_step_count) { step_count = new_step_count; }
  /// Length of one step in milliseconds (0 until the game manager starts).
  int getFrameTime() const { return frame_time; }
  /// Sets the frame time (the game manager does at start-up).
  void setFrameTime(int new_frame_time) { frame_time = new_frame_time; }
  /// Whether the game is over: the loop ends after the current step.
  bool getGameOver() const { return game_over; }
  /// Ends the game loop after the current step (true), or clears the flag.
  void setGameOver(bool new_game_over = true) { game_over = new_game_over; }

  /// Sets what shutDownEngine() runs; the game manager sets its own
  /// shut-down when it is made.
  void setShutDown(void (*p_new_shut_down)()) { p_shut_down = p_new_shut_down; }
  /// Stops every manager, as GameManager::shutDown() does; nothing when no
  /// game manager was made.
  void shutDownEngine() const;
};

}  // namespace sb

#endif
