#include "EventMouse.h"

namespace sb {

EventMouse::EventMouse()
    : mouse_action(UNDEFINED_MOUSE_ACTION), mouse_button(Mouse::UNDEFINED_MOUSE_BUTTON) {
  setType(MSE_EVENT);
}

EventMouse::~EventMouse() {}

}  // namespace sb
