#include "LoopState.h"

namespace sb {

LoopState &LoopState::getInstance() {
  static LoopState loop_state;
  return loop_state;
}

void LoopState::shutDownEngine() const {
  if (p_shut_down) p_shut_down();
}

}  // namespace sb
