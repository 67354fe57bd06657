#ifndef SORBELANE_INPUT_MANAGER_H
#define SORBELANE_INPUT_MANAGER_H

#include <vector>

#include <SFML/Window/Event.hpp>

#include "EventKeyboard.h"
#include "EventMouse.h"
#include "Manager.h"
#include "TerminalInput.h"

namespace sb {

class TerminalDisplay;

/// Turns window input into keyboard and mouse events once per step. Objects
/// register interest in KEYBOARD_EVENT or MSE_EVENT. A key gives KEY_PRESSED,
/// KEY_DOWN every step while held (named keys but F11 and F12), then
/// KEY_RELEASED; a mouse button gives CLICKED, then PRESSED every step while
/// held; motion gives MOVED. Mouse positions are in window cells. In
/// terminal mode the keys and mouse reports come from the terminal instead
/// (see TerminalInput).
class InputManager : public Manager {
 private:
  InputManager();
  InputManager(const InputManager &) = delete;
  void operator=(const InputManager &) = delete;

  // Sends the events of one queued window event, a key press with the text
  // it typed (or null); false for a close request.
  bool handleWindowEvent(const sf::Event &event, const sf::Event *p_text = nullptr);
  // The held buttons and keys, as PRESSED and KEY_DOWN events.
  void pollMouse(const sf::Window &window) const;
  void pollKeyboard() const;
  // Sends the events of what the terminal sent since the last step.
  void getTerminalInput(TerminalDisplay &terminal);
  TerminalInput terminal_input;
  // The window's queued events of this step (and any a close left unread).
  std::vector<sf::Event> window_events;

 public:
  /// The one input manager.
  static InputManager &getInstance();

  /// Turns off key repeat in the window; 0, or -1 (logged) when the display
  /// manager is not started. Headless, there is no input and it starts at once.
  int startUp() override;
  /// Turns key repeat back on.
  void shutDown() override;
  /// Keyboard and mouse events only.
  bool isValid(std::string event_type) const override;

  /// Sends the events of one step (the game loop calls it): queued key,
  /// click and motion events, then KEY_DOWN and PRESSED events for held keys
  /// and buttons. A window close request sets game over. Nothing when headless.
  void getInput();
  /// Delivers an event to the interested objects (Manager::onEvent()); what
  /// getInput() delivers from the window or the terminal also goes into a
  /// running recording (see Recorder).
  int onEvent(const Event *p_event) const;
};

/// The engine key of an SFML key: named keys as the engine names them, any
/// other key as its SFML code plus 97.
Keyboard::Key toEngineKey(sf::Keyboard::Key sfml_key);

/// A keyboard event carrying the engine key of an SFML key event; the
/// caller sets the action.
EventKeyboard toEventKeyboard(const sf::Event::KeyEvent &key_event);

}  // namespace sb

#endif
