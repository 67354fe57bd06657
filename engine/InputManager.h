#ifndef SORBELANE_INPUT_MANAGER_H
#define SORBELANE_INPUT_MANAGER_H

#include "Manager.h"

namespace sb {

// Turns window input into keyboard and mouse events once per step.
class InputManager : public Manager {
 private:
  InputManager();
  InputManager(const InputManager &) = delete;
  void operator=(const InputManager &) = delete;

 public:
  static InputManager &getInstance();

  int startUp() override;
  void shutDown() override;
  bool isValid(std::string event_type) const override;

  void getInput();
};

}  // namespace sb

#endif
