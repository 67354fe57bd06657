#ifndef PINGLE_PINGLER_H
#define PINGLE_PINGLER_H

#include <vector>

#include "Clock.h"
#include "Event.h"
#include "Object.h"
#include "Report.h"

// Runs the benchmark. Every step it adds load (balls, or particle bursts) and
// times the step; an iteration ends when the median of the last 30 step times
// reaches 36.3 ms (or after run_time steps), crediting the load present 15
// steps earlier. After iteration_max iterations the average credit is the
// pinglemark and the game loop is told to end.
class Pingler : public sb::Object {
 public:
  static constexpr int kWindow = 30;            // step times kept
  static constexpr int kMedianRank = 15;        // rank (0-based) read as the median
  static constexpr double kThresholdMs = 36.3;  // median that ends an iteration
  static constexpr int kCreditLag = 15;         // credit the load of this many steps ago

 private:
  int step;
  int frame_times[kWindow];  // microseconds, a ring; unwritten slots are 0
  int frame_index;
  int iteration;
  int start_step;
  sb::Clock clock;
  int pinglemark;
  bool particle;
  int balls_per_step;
  int starting_balls;
  int run_time;
  int iteration_max;

  // Credited load of every iteration so far, across the process.
  static int tally;

  // Every finished iteration, and the one under way, for the report.
  std::vector<IterationResult> results;
  IterationResult current;

  void clearRing();

 public:
  Pingler(bool particle, int balls_per_step, int starting_balls, int run_time, int iteration_max);

  // 1 for a counted step event, 0 otherwise.
  int eventHandler(const sb::Event *p_e) override;

  // The two halves of a counted step, apart so that tests can drive them
  // without real time: begin the step at game-loop step game_step and add its
  // load; then record the step's duration, log it and test for the stop.
  void beginStep(int game_step);
  void recordStep(long long delta_us);

  void createBalls(int count);
  void particleBurst();
  void startPingle();
  void stopPingle();

  int getPingleMark() const { return pinglemark; }
  // Median of the ring in whole milliseconds.
  int medianMs() const;

  int getStep() const { return step; }
  int getIteration() const { return iteration; }
  int getStartStep() const { return start_step; }
  int getFrameIndex() const { return frame_index; }
  int getFrameTime(int slot) const { return frame_times[slot]; }
  static int getTally() { return tally; }
  // What each finished iteration credited and how long its steps took.
  const std::vector<IterationResult> &getResults() const { return results; }
  static void resetTally() { tally = 0; }
};

#endif
