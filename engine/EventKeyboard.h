#ifndef SORBELANE_EVENT_KEYBOARD_H
#define SORBELANE_EVENT_KEYBOARD_H

#include "Event.h"

namespace sb {

namespace Keyboard {

// The engine's keys. A key without a name here arrives as SFML's key code
// plus 97, so the underlying type is fixed to hold any such number.
enum Key : int {
  UNDEFINED_KEY = -1,
  SPACE = 0,
  RETURN,
  ESCAPE,
  TAB,
  LEFTARROW,
  RIGHTARROW,
  UPARROW,
  DOWNARROW,
  PAUSE,
  MINUS,
  PLUS,
  TILDE,
  PERIOD,
  COMMA,
  SLASH,
  EQUAL,
  BACKSLASH,
  MULTIPLY,
  QUOTE,
  SEMICOLON,
  LEFTCONTROL,
  RIGHTCONTROL,
  LEFTSHIFT,
  RIGHTSHIFT,
  F1,
  F2,
  F3,
  F4,
  F5,
  F6,
  F7,
  F8,
  F9,
  F10,
  F11,
  F12,
  A,
  B,
  C,
  D,
  E,
  F,
  G,
  H,
  I,
  J,
  K,
  L,
  M,
  N,
  O,
  P,
  Q,
  R,
  S,
  T,
  U,
  V,
  W,
  X,
  Y,
  Z,
  NUM1,
  NUM2,
  NUM3,
  NUM4,
  NUM5,
  NUM6,
  NUM7,
  NUM8,
  NUM9,
  NUM0,
  BACKSPACE,
};

}  // namespace Keyboard

enum EventKeyboardAction : int {
  UNDEFINED_KEYBOARD_ACTION = -1,
  KEY_PRESSED = 0,
  KEY_RELEASED = 1,
  KEY_DOWN = 2,
};

// A key was pressed or released, or is held down.
class EventKeyboard : public Event {
 private:
  Keyboard::Key key_val;
  EventKeyboardAction keyboard_action;

 public:
  EventKeyboard();
  ~EventKeyboard() override;

  virtual void setKey(Keyboard::Key new_key);
  virtual Keyboard::Key getKey() const;
  virtual void setKeyboardAction(EventKeyboardAction new_action);
  virtual EventKeyboardAction getKeyboardAction() const;
};

}  // namespace sb

#endif
