#ifndef SORBELANE_SCHEDULER_H
#define SORBELANE_SCHEDULER_H

#include <cstdint>
#include <set>
#include <unordered_map>

namespace sb {

/// Turns by speed: an actor of speed s acts every 1/s time units. Actors are
/// named by an int (an object's id, say). Time is kept exactly as whole
/// multiples of each actor's 1/s, so no rounding drifts however long the game
/// runs; turns due at the same time go first in, first out (in the order they
/// were scheduled). An actor added at time t first acts at the first multiple
/// of its 1/s after t.
class Scheduler {
 private:
  struct Turn {
    std::int64_t ticks;  // the turn is at ticks / speed
    int speed;
    std::uint64_t order;  // when the turn was scheduled, for ties
    int actor;
    bool operator<(const Turn &other) const;
  };
  std::set<Turn> queue;
  std::unordered_map<int, Turn> turns;  // each actor's coming turn
  std::int64_t now_ticks;               // the time of the last turn: now_ticks / now_speed
  int now_speed;
  std::uint64_t scheduled;

  void schedule(int actor, int speed, std::int64_t ticks);

 public:
  /// An empty scheduler at time 0.
  Scheduler();
  /// Adds an actor of speed speed (above 0). Returns 0, or -1 (logged) for a
  /// speed not above 0 or an actor already there.
  int add(int actor, int speed);
  /// Removes an actor. Returns 0, or -1 (logged) when it is not there.
  int remove(int actor);
  /// True when the actor is scheduled.
  bool contains(int actor) const;
  /// The number of actors.
  int getCount() const;
  /// The actor whose turn it is, advancing the time to that turn and
  /// scheduling the actor's next; -1 when there is none.
  int next();
  /// The time of the last turn (0 before the first), for display.
  double getTime() const;
  /// Removes every actor and puts the time back to 0.
  void clear();
};

}  // namespace sb

#endif
