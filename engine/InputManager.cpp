// Placeholder: window input arrives with the input issue.
#include "InputManager.h"

namespace sb {

InputManager::InputManager() { setType("InputManager"); }

InputManager &InputManager::getInstance() {
  static InputManager input_manager;
  return input_manager;
}

int InputManager::startUp() { return Manager::startUp(); }

void InputManager::shutDown() { Manager::shutDown(); }

bool InputManager::isValid(std::string event_type) const {
  return event_type == KEYBOARD_EVENT || event_type == MSE_EVENT;
}

void InputManager::getInput() {}

}  // namespace sb
