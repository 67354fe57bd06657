#include "Scheduler.h"

#include "LogManager.h"

namespace sb {

namespace {

// a / b compared with c / d for positive b and d, exactly.
int compareFractions(std::int64_t a, int b, std::int64_t c, int d) {
  __int128 left = static_cast<__int128>(a) * d, right = static_cast<__int128>(c) * b;
  return left < right ? -1 : (left > right ? 1 : 0);
}

}  // namespace

bool Scheduler::Turn::operator<(const Turn &other) const {
  int by_time = compareFractions(ticks, speed, other.ticks, other.speed);
  return by_time != 0 ? by_time < 0 : order < other.order;
}

Scheduler::Scheduler() : now_ticks(0), now_speed(1), scheduled(0) {}

void Scheduler::schedule(int actor, int speed, std::int64_t ticks) {
  Turn turn{ticks, speed, scheduled++, actor};
  queue.insert(turn);
  turns[actor] = turn;
}

int Scheduler::add(int actor, int speed) {
  if (speed <= 0 || turns.count(actor)) {
    LogManager::getInstance().writeLog(
        "Scheduler::add(): Error! Cannot add actor %d of speed %d (%s).", actor, speed,
        speed <= 0 ? "speed not above 0" : "already there");
    return -1;
  }
  // The first multiple of 1/speed after now: floor(now * speed) + 1.
  __int128 scaled = static_cast<__int128>(now_ticks) * speed;
  schedule(actor, speed, static_cast<std::int64_t>(scaled / now_speed) + 1);
  return 0;
}

int Scheduler::remove(int actor) {
  auto found = turns.find(actor);
  if (found == turns.end()) {
    LogManager::getInstance().writeLog("Scheduler::remove(): Error! Actor %d is not scheduled.",
                                       actor);
    return -1;
  }
  queue.erase(found->second);
  turns.erase(found);
  return 0;
}

bool Scheduler::contains(int actor) const { return turns.count(actor) != 0; }

int Scheduler::getCount() const { return static_cast<int>(turns.size()); }

int Scheduler::next() {
  if (queue.empty()) return -1;
  Turn turn = *queue.begin();
  queue.erase(queue.begin());
  now_ticks = turn.ticks;
  now_speed = turn.speed;
  schedule(turn.actor, turn.speed, turn.ticks + 1);
  return turn.actor;
}

double Scheduler::getTime() const { return static_cast<double>(now_ticks) / now_speed; }

void Scheduler::clear() {
  queue.clear();
  turns.clear();
  now_ticks = 0;
  now_speed = 1;
  scheduled = 0;
}

}  // namespace sb
