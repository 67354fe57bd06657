#include "InputManager.h"

#include <time.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Keyboard.hpp>
#include <SFML/Window/Mouse.hpp>

#include "Config.h"
#include "DisplayManager.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Recorder.h"
#include "Replay.h"
#include "TerminalDisplay.h"
#include "utility.h"

namespace sb {

namespace {

// Set while getInput() delivers what the window or the terminal sent, as
// opposed to events that game code hands to the input manager.
bool delivering_real_input = false;
struct RealInput {
  RealInput() { delivering_real_input = true; }
  ~RealInput() { delivering_real_input = false; }
};

// Offset that keeps keys without an engine name apart from the named ones.
constexpr int UNNAMED_KEY_OFFSET = 97;

struct KeyPair {
  sf::Keyboard::Key sfml;
  Keyboard::Key engine;
};

// Keys with an engine name, apart from the letters, digits and F keys.
const KeyPair NAMED_KEYS[] = {
    {sf::Keyboard::Escape, Keyboard::ESCAPE},
    {sf::Keyboard::LControl, Keyboard::LEFTCONTROL},
    {sf::Keyboard::RControl, Keyboard::RIGHTCONTROL},
    {sf::Keyboard::LShift, Keyboard::LEFTSHIFT},
    {sf::Keyboard::RShift, Keyboard::RIGHTSHIFT},
    {sf::Keyboard::Semicolon, Keyboard::SEMICOLON},
    {sf::Keyboard::Comma, Keyboard::COMMA},
    {sf::Keyboard::Period, Keyboard::PERIOD},
    {sf::Keyboard::Quote, Keyboard::QUOTE},
    {sf::Keyboard::Slash, Keyboard::SLASH},
    {sf::Keyboard::Backslash, Keyboard::BACKSLASH},
    {sf::Keyboard::Tilde, Keyboard::TILDE},
    {sf::Keyboard::Equal, Keyboard::EQUAL},
    {sf::Keyboard::Space, Keyboard::SPACE},
    {sf::Keyboard::Enter, Keyboard::RETURN},
    {sf::Keyboard::Backspace, Keyboard::BACKSPACE},
    {sf::Keyboard::Tab, Keyboard::TAB},
    {sf::Keyboard::Add, Keyboard::PLUS},
    {sf::Keyboard::Subtract, Keyboard::MINUS},
    {sf::Keyboard::Multiply, Keyboard::MULTIPLY},
    {sf::Keyboard::Left, Keyboard::LEFTARROW},
    {sf::Keyboard::Right, Keyboard::RIGHTARROW},
    {sf::Keyboard::Up, Keyboard::UPARROW},
    {sf::Keyboard::Down, Keyboard::DOWNARROW},
    {sf::Keyboard::Pause, Keyboard::PAUSE},
};

// SFML key code -> engine key, built once.
struct KeyTable {
  Keyboard::Key keys[sf::Keyboard::KeyCount];

  KeyTable() {
    for (int code = 0; code < sf::Keyboard::KeyCount; code++)
      keys[code] = static_cast<Keyboard::Key>(code + UNNAMED_KEY_OFFSET);
    for (int i = 0; i < 26; i++)
      keys[sf::Keyboard::A + i] = static_cast<Keyboard::Key>(Keyboard::A + i);
    keys[sf::Keyboard::Num0] = Keyboard::NUM0;
    for (int i = 0; i < 9; i++)
      keys[sf::Keyboard::Num1 + i] = static_cast<Keyboard::Key>(Keyboard::NUM1 + i);
    for (int i = 0; i < 12; i++)
      keys[sf::Keyboard::F1 + i] = static_cast<Keyboard::Key>(Keyboard::F1 + i);
    for (const KeyPair &pair : NAMED_KEYS) keys[pair.sfml] = pair.engine;
  }
};

// The keys polled for KEY_DOWN, in the order their events are sent.
// F11 and F12 are left out: they give pressed and released events only.
struct HeldKeys {
  KeyPair pairs[72];
  int count = 0;

  void add(sf::Keyboard::Key sfml, Keyboard::Key engine) { pairs[count++] = {sfml, engine}; }

  HeldKeys() {
    add(sf::Keyboard::Up, Keyboard::UPARROW);
    add(sf::Keyboard::Down, Keyboard::DOWNARROW);
    add(sf::Keyboard::Left, Keyboard::LEFTARROW);
    add(sf::Keyboard::Right, Keyboard::RIGHTARROW);
    add(sf::Keyboard::Space, Keyboard::SPACE);
    add(sf::Keyboard::Enter, Keyboard::RETURN);
    add(sf::Keyboard::Tab, Keyboard::TAB);
    add(sf::Keyboard::Escape, Keyboard::ESCAPE);
    add(sf::Keyboard::Pause, Keyboard::PAUSE);
    add(sf::Keyboard::Subtract, Keyboard::MINUS);
    add(sf::Keyboard::Add, Keyboard::PLUS);
    add(sf::Keyboard::Tilde, Keyboard::TILDE);
    add(sf::Keyboard::Period, Keyboard::PERIOD);
    add(sf::Keyboard::Comma, Keyboard::COMMA);
    add(sf::Keyboard::Slash, Keyboard::SLASH);
    add(sf::Keyboard::Equal, Keyboard::EQUAL);
    add(sf::Keyboard::Backslash, Keyboard::BACKSLASH);
    add(sf::Keyboard::Multiply, Keyboard::MULTIPLY);
    add(sf::Keyboard::Quote, Keyboard::QUOTE);
    add(sf::Keyboard::Semicolon, Keyboard::SEMICOLON);
    add(sf::Keyboard::LControl, Keyboard::LEFTCONTROL);
    add(sf::Keyboard::RControl, Keyboard::RIGHTCONTROL);
    add(sf::Keyboard::LShift, Keyboard::LEFTSHIFT);
    add(sf::Keyboard::RShift, Keyboard::RIGHTSHIFT);
    for (int i = 0; i < 10; i++)
      add(static_cast<sf::Keyboard::Key>(sf::Keyboard::F1 + i),
          static_cast<Keyboard::Key>(Keyboard::F1 + i));
    for (int i = 0; i < 26; i++)
      add(static_cast<sf::Keyboard::Key>(sf::Keyboard::A + i),
          static_cast<Keyboard::Key>(Keyboard::A + i));
    for (int i = 0; i < 9; i++)
      add(static_cast<sf::Keyboard::Key>(sf::Keyboard::Num1 + i),
          static_cast<Keyboard::Key>(Keyboard::NUM1 + i));
    add(sf::Keyboard::Num0, Keyboard::NUM0);
    add(sf::Keyboard::Backspace, Keyboard::BACKSPACE);
  }
};

const KeyTable &keyTable() {
  static const KeyTable table;
  return table;
}

const HeldKeys &heldKeys() {
  static const HeldKeys held;
  return held;
}

// The code point of typed text, 0 for what types nothing.
char32_t typedCharacter(sf::Uint32 code) {
  return EventKeyboard::isTypedCharacter(static_cast<long>(code)) ? static_cast<char32_t>(code) : 0;
}

Vector pixelsToCells(int x, int y) {
  return pixelsToSpaces(Vector(static_cast<float>(x), static_cast<float>(y)));
}

}  // namespace

Keyboard::Key toEngineKey(sf::Keyboard::Key sfml_key) {
  if (sfml_key >= 0 && sfml_key < sf::Keyboard::KeyCount) return keyTable().keys[sfml_key];
  return static_cast<Keyboard::Key>(sfml_key + UNNAMED_KEY_OFFSET);
}

EventKeyboard toEventKeyboard(const sf::Event::KeyEvent &key_event) {
  EventKeyboard keyboard_event;
  Keyboard::Key key = toEngineKey(key_event.code);
  keyboard_event.setKey(key);
  LogManager::getInstance().writeLog(15,
                                     "InputManager::toEventKeyboard(): Keyboard event '%c' (%d)",
                                     static_cast<char>(key), static_cast<int>(key_event.code));
  return keyboard_event;
}

InputManager::InputManager() { setType("InputManager"); }

int InputManager::onEvent(const Event *p_event) const {
  Recorder &recorder = Recorder::getInstance();
  if (delivering_real_input && recorder.isRecording())
    recorder.recordInput(p_event, DisplayManager::getInstance().getTerminal() != nullptr);
  return Manager::onEvent(p_event);
}

InputManager &InputManager::getInstance() {
  static InputManager input_manager;
  return input_manager;
}

int InputManager::startUp() {
  LogManager &log_manager = LogManager::getInstance();
  if (Config::getInstance().getHeadless()) {
    log_manager.writeLog(1, "InputManager::startUp(): not doing input since in headless mode.");
  } else {
    if (isStarted()) {
      log_manager.writeLog("InputManager::startUp(): Already started.");
      return 0;
    }
    DisplayManager &display_manager = DisplayManager::getInstance();
    if (!display_manager.isStarted()) {
      log_manager.writeLog(
          "InputManager::startUp(): Error starting InputManager. DisplayManager must be started "
          "first.");
      return -1;
    }
    sf::RenderWindow *p_window = display_manager.getWindow();
    if (display_manager.isTerminal()) {
      terminal_input.reset();
      terminal_input.setReportsReleases(false);
      log_manager.writeLog(2, "InputManager::startUp(): Reading keys from the terminal.");
    } else if (p_window) {
      // One press and one release per held key; KEY_DOWN comes from polling.
      p_window->setKeyRepeatEnabled(false);
      log_manager.writeLog(2, "InputManager::startUp(): Keyboard repeated disabled.");
    } else {
      log_manager.writeLog(
          "InputManager::startUp(): Warning - DisplayManager unexpectedly returned null window! "
          "Cannot disable keyboard repeat.");
    }
  }
  Manager::startUp();
  log_manager.writeLog(5, "InputManager::startUp(): successfully started.");
  return 0;
}

void InputManager::shutDown() {
  LogManager &log_manager = LogManager::getInstance();
  sf::RenderWindow *p_window = DisplayManager::getInstance().getWindow();
  if (p_window) {
    p_window->setKeyRepeatEnabled(true);
    log_manager.writeLog(2, "InputManager::shutDown(): Keyboard repeat enabled.");
  }
  Manager::shutDown();
  log_manager.writeLog(5, "InputManager::shutDown(): successfully stopped.");
}

bool InputManager::isValid(std::string event_type) const {
  return event_type == KEYBOARD_EVENT || event_type == MSE_EVENT;
}

void InputManager::getInput() {
  if (Replay::getInstance().feedInput(*this)) return;  // recorded input instead of real input
  if (Config::getInstance().getHeadless()) return;
  RealInput real_input;  // what is delivered now goes into a running recording
  DisplayManager &display_manager = DisplayManager::getInstance();
  if (TerminalDisplay *p_terminal = display_manager.getTerminal()) {
    getTerminalInput(*p_terminal);
    return;
  }
  sf::RenderWindow *p_window = display_manager.getWindow();
  if (!p_window) {
    LogManager::getInstance().writeLog(
        "InputManager::getInput(): DisplayManager unexpectedly returned null window!");
    return;
  }

  // The whole queue first, so that a key press and the text it typed (the
  // event right after it) are delivered as one.
  sf::Event event;
  while (p_window->pollEvent(event)) window_events.push_back(event);
  std::size_t handled = 0;
  bool closed = false;
  while (handled < window_events.size() && !closed) {
    const sf::Event &first = window_events[handled++];
    const sf::Event *p_text = nullptr;
    if (first.type == sf::Event::KeyPressed && handled < window_events.size() &&
        window_events[handled].type == sf::Event::TextEntered)
      p_text = &window_events[handled++];
    closed = !handleWindowEvent(first, p_text);
  }
  // Closed: what is still queued waits for the next step.
  window_events.erase(window_events.begin(), window_events.begin() + handled);
  if (closed) return;

  // Each poll asks the X server; without any listener nothing would receive
  // the events, so the round trips are spared.
  if (getEventListCount() == 0) return;
  pollMouse(*p_window);
  pollKeyboard();
}

bool InputManager::handleWindowEvent(const sf::Event &event, const sf::Event *p_text) {
  switch (event.type) {
    case sf::Event::Closed:
      LogManager::getInstance().writeLog(
          1, "InputManager::getInput(): Window close event. Setting game over.");
      GameManager::getInstance().setGameOver(true);
      return false;

    case sf::Event::KeyPressed:
    case sf::Event::KeyReleased: {
      EventKeyboard keyboard_event = toEventKeyboard(event.key);
      keyboard_event.setKeyboardAction(event.type == sf::Event::KeyPressed ? KEY_PRESSED
                                                                           : KEY_RELEASED);
      if (event.type == sf::Event::KeyPressed) {
        keyboard_event.setAlt(event.key.alt);
        if (p_text) keyboard_event.setCharacter(typedCharacter(p_text->text.unicode));
      }
      onEvent(&keyboard_event);
      break;
    }

    case sf::Event::TextEntered: {
      // Text without a key press of its own (an input method's): a press of
      // no engine key, over at once.
      char32_t character = typedCharacter(event.text.unicode);
      if (character == 0) break;
      EventKeyboard keyboard_event;
      keyboard_event.setKeyboardAction(KEY_PRESSED);
      keyboard_event.setCharacter(character);
      onEvent(&keyboard_event);
      keyboard_event.setKeyboardAction(KEY_RELEASED);
      keyboard_event.setCharacter(0);
      onEvent(&keyboard_event);
      break;
    }

    case sf::Event::MouseMoved: {
      EventMouse mouse_event;
      mouse_event.setMouseAction(MOVED);
      mouse_event.setMousePosition(pixelsToCells(event.mouseMove.x, event.mouseMove.y));
      onEvent(&mouse_event);
      break;
    }

    case sf::Event::MouseButtonPressed: {
      EventMouse mouse_event;
      mouse_event.setMouseAction(CLICKED);
      // The buttons held now decide, the last test that holds winning.
      Mouse::Button button = Mouse::UNDEFINED_MOUSE_BUTTON;
      if (event.mouseButton.button == sf::Mouse::Right) button = Mouse::RIGHT;
      if (sf::Mouse::isButtonPressed(sf::Mouse::Left)) button = Mouse::LEFT;
      if (sf::Mouse::isButtonPressed(sf::Mouse::Middle)) button = Mouse::MIDDLE;
      // A click released before this step still names its own button.
      if (button == Mouse::UNDEFINED_MOUSE_BUTTON) {
        if (event.mouseButton.button == sf::Mouse::Left) button = Mouse::LEFT;
        if (event.mouseButton.button == sf::Mouse::Middle) button = Mouse::MIDDLE;
      }
      mouse_event.setMouseButton(button);
      mouse_event.setMousePosition(pixelsToCells(event.mouseButton.x, event.mouseButton.y));
      onEvent(&mouse_event);
      break;
    }

    default: break;
  }
  return true;
}

void InputManager::pollMouse(const sf::Window &window) const {
  EventMouse mouse_event;
  mouse_event.setMouseAction(PRESSED);
  sf::Vector2i position = sf::Mouse::getPosition(window);
  mouse_event.setMousePosition(pixelsToCells(position.x, position.y));
  const sf::Mouse::Button sfml_buttons[] = {sf::Mouse::Left, sf::Mouse::Right, sf::Mouse::Middle};
  const Mouse::Button buttons[] = {Mouse::LEFT, Mouse::RIGHT, Mouse::MIDDLE};
  for (int i = 0; i < 3; i++) {
    if (!sf::Mouse::isButtonPressed(sfml_buttons[i])) continue;
    mouse_event.setMouseButton(buttons[i]);
    onEvent(&mouse_event);
  }
}

void InputManager::getTerminalInput(TerminalDisplay &terminal) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  long long now_us = static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
  const std::vector<TerminalEvent> &events = terminal_input.readStep(terminal.getInputFd(), now_us);
  // A terminal that speaks the kitty keyboard protocol reports releases.
  if (terminal_input.kittyAnswered() && !terminal.reportsKeyReleases()) {
    terminal.enableKeyReleases();
    terminal_input.setReportsReleases(true);
    LogManager::getInstance().writeLog(
        2, "InputManager::getInput(): the terminal reports key releases (kitty protocol).");
  }
  for (const TerminalEvent &event : events) {
    if (event.mouse) {
      EventMouse mouse_event;
      mouse_event.setMouseAction(event.mouse_action);
      mouse_event.setMouseButton(event.button);
      mouse_event.setMousePosition(Vector(event.x, event.y));
      onEvent(&mouse_event);
    } else {
      EventKeyboard keyboard_event;
      keyboard_event.setKey(event.key);
      keyboard_event.setKeyboardAction(event.keyboard_action);
      keyboard_event.setCharacter(event.character);
      keyboard_event.setAlt(event.alt);
      onEvent(&keyboard_event);
    }
  }
}

void InputManager::pollKeyboard() const {
  const HeldKeys &held = heldKeys();
  for (int i = 0; i < held.count; i++) {
    if (!sf::Keyboard::isKeyPressed(held.pairs[i].sfml)) continue;
    EventKeyboard keyboard_event;
    keyboard_event.setKey(held.pairs[i].engine);
    keyboard_event.setKeyboardAction(KEY_DOWN);
    onEvent(&keyboard_event);
  }
}

}  // namespace sb
