#include "Clock.h"

#include <ctime>

namespace sb {

// A monotonic clock keeps step timing steady when the system time is adjusted.
long long getClockMicroseconds() {
  struct timespec now;
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return -1;
  return static_cast<long long>(now.tv_sec) * 1000000LL + now.tv_nsec / 1000;
}

Clock::Clock() : previous_time(getClockMicroseconds()) {}

long long Clock::delta() {
  long long now = getClockMicroseconds();
  if (now < 0) return -1;
  long long elapsed = now - previous_time;
  previous_time = now;
  return elapsed;
}

long long Clock::split() const {
  long long now = getClockMicroseconds();
  if (now < 0) return -1;
  return now - previous_time;
}

}  // namespace sb
