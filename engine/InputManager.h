#ifndef SORBELANE_INPUT_MANAGER_H
#define SORBELANE_INPUT_MANAGER_H

#include <SFML/Window/Event.hpp>

#include "EventKeyboard.h"
#include "EventMouse.h"
#include "Manager.h"

namespace sb {

// Turns window input into keyboard and mouse events once per step.
class InputManager : public Manager {
 private:
  InputManager();
  InputManager(const InputManager &) = delete;
  void operator=(const InputManager &) = delete;

  // Sends the events of one queued window event; false for a close request.
  bool handleWindowEvent(const sf::Event &event);
  // The held buttons and keys, as PRESSED and KEY_DOWN events.
  void pollMouse(const sf::Window &window) const;
  void pollKeyboard() const;

 public:
  static InputManager &getInstance();

  int startUp() override;
  void shutDown() override;
  bool isValid(std::string event_type) const override;

  void getInput();
};

// The engine key of an SFML key: named keys as the engine names them, any
// other key as its SFML code plus 97.
Keyboard::Key toEngineKey(sf::Keyboard::Key sfml_key);

// A keyboard event carrying the engine key of an SFML key event; the
// caller sets the action.
EventKeyboard toEventKeyboard(const sf::Event::KeyEvent &key_event);

}  // namespace sb

#endif
