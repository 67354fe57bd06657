#ifndef SORBELANE_CLOCK_H
#define SORBELANE_CLOCK_H

namespace sb {

/// Microsecond stopwatch on the monotonic clock. delta() restarts it, split() does not.
/// The game loop uses one to time its steps; a game may use its own for timing.
class Clock {
 private:
  long long previous_time;

 public:
  /// Starts the stopwatch now.
  Clock();
  /// Returns the microseconds since the last delta() (or construction) and restarts
  /// the stopwatch; -1 when the clock cannot be read (the stopwatch is then not restarted).
  long long delta();
  /// Returns the microseconds since the last delta() (or construction) without
  /// restarting; -1 when the clock cannot be read.
  long long split() const;
};

/// Microseconds on the engine's monotonic clock, or -1 if it cannot be read.
long long getClockMicroseconds();

}  // namespace sb

#endif
