#ifndef SORBELANE_CLOCK_H
#define SORBELANE_CLOCK_H

namespace sb {

// Microsecond stopwatch. delta() restarts it, split() does not.
class Clock {
 private:
  long long previous_time;

 public:
  Clock();
  long long delta();
  long long split() const;
};

// Microseconds on the engine's clock, or -1 if it cannot be read.
long long getClockMicroseconds();

}  // namespace sb

#endif
