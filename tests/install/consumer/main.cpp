// Starts the installed engine headless, runs three steps with one object and
// reports which scene graph its headers were built for.
#include <cstdio>

#include "Sorbelane.h"

static_assert(__cplusplus >= 201703L, "the package must bring C++17 to its users");

namespace {

class Counter : public sb::Object {
 public:
  int steps = 0;
  Counter() { registerInterest(sb::STEP_EVENT); }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::STEP_EVENT) return 0;
    if (++steps == 3) sb::GameManager::getInstance().setGameOver();
    return 1;
  }
};

}  // namespace

int main() {
  sb::GameManager &game = sb::GameManager::getInstance();
  if (game.startUp() != 0) return 1;
  Counter *p_counter = new Counter;
  game.run();
  int steps = p_counter->steps;
  game.shutDown();
  std::printf("grid %d, steps %d\n", SORBELANE_GRID, steps);
  return steps == 3 ? 0 : 1;
}
