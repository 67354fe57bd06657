#ifndef SORBELANE_EVENT_KEYBOARD_H
#define SORBELANE_EVENT_KEYBOARD_H

#include "Event.h"

namespace sb {

/// The engine's keyboard keys.
namespace Keyboard {

/// The engine's keys. A key without a name here arrives as SFML's key code
/// plus 97, so the underlying type is fixed to hold any such number.
enum Key : int {
  UNDEFINED_KEY = -1,  ///< No key.
  SPACE = 0,           ///< Space bar.
  RETURN,              ///< Return (Enter).
  ESCAPE,              ///< Escape.
  TAB,                 ///< Tab.
  LEFTARROW,           ///< Left arrow.
  RIGHTARROW,          ///< Right arrow.
  UPARROW,             ///< Up arrow.
  DOWNARROW,           ///< Down arrow.
  PAUSE,               ///< Pause.
  MINUS,               ///< Keypad minus.
  PLUS,                ///< Keypad plus.
  TILDE,               ///< Tilde (grave accent).
  PERIOD,              ///< Period.
  COMMA,               ///< Comma.
  SLASH,               ///< Slash.
  EQUAL,               ///< Equals sign.
  BACKSLASH,           ///< Backslash.
  MULTIPLY,            ///< Keypad multiply.
  QUOTE,               ///< Quote.
  SEMICOLON,           ///< Semicolon.
  LEFTCONTROL,         ///< Left Control.
  RIGHTCONTROL,        ///< Right Control.
  LEFTSHIFT,           ///< Left Shift.
  RIGHTSHIFT,          ///< Right Shift.
  F1,                  ///< Function key F1.
  F2,                  ///< Function key F2.
  F3,                  ///< Function key F3.
  F4,                  ///< Function key F4.
  F5,                  ///< Function key F5.
  F6,                  ///< Function key F6.
  F7,                  ///< Function key F7.
  F8,                  ///< Function key F8.
  F9,                  ///< Function key F9.
  F10,                 ///< Function key F10.
  F11,                 ///< Function key F11.
  F12,                 ///< Function key F12.
  A,                   ///< Letter A.
  B,                   ///< Letter B.
  C,                   ///< Letter C.
  D,                   ///< Letter D.
  E,                   ///< Letter E.
  F,                   ///< Letter F.
  G,                   ///< Letter G.
  H,                   ///< Letter H.
  I,                   ///< Letter I.
  J,                   ///< Letter J.
  K,                   ///< Letter K.
  L,                   ///< Letter L.
  M,                   ///< Letter M.
  N,                   ///< Letter N.
  O,                   ///< Letter O.
  P,                   ///< Letter P.
  Q,                   ///< Letter Q.
  R,                   ///< Letter R.
  S,                   ///< Letter S.
  T,                   ///< Letter T.
  U,                   ///< Letter U.
  V,                   ///< Letter V.
  W,                   ///< Letter W.
  X,                   ///< Letter X.
  Y,                   ///< Letter Y.
  Z,                   ///< Letter Z.
  NUM1,                ///< Digit 1 of the main row.
  NUM2,                ///< Digit 2 of the main row.
  NUM3,                ///< Digit 3 of the main row.
  NUM4,                ///< Digit 4 of the main row.
  NUM5,                ///< Digit 5 of the main row.
  NUM6,                ///< Digit 6 of the main row.
  NUM7,                ///< Digit 7 of the main row.
  NUM8,                ///< Digit 8 of the main row.
  NUM9,                ///< Digit 9 of the main row.
  NUM0,                ///< Digit 0 of the main row.
  BACKSPACE,           ///< Backspace.
};

}  // namespace Keyboard

/// What happened to a key.
enum EventKeyboardAction : int {
  UNDEFINED_KEYBOARD_ACTION = -1,  ///< Not set.
  KEY_PRESSED = 0,                 ///< The key went down (once per press).
  KEY_RELEASED = 1,                ///< The key came up.
  KEY_DOWN = 2,                    ///< The key is held (every step while it is).
};

/// A key was pressed or released, or is held down. Sent by the input
/// manager to the objects registered for KEYBOARD_EVENT.
class EventKeyboard : public Event {
 private:
  Keyboard::Key key_val;
  EventKeyboardAction keyboard_action;
  char32_t character = 0;
  bool alt = false;

 public:
  /// A keyboard event of no key and no action.
  EventKeyboard();
  ~EventKeyboard() override;

  /// Sets the key.
  virtual void setKey(Keyboard::Key new_key);
  /// The key.
  virtual Keyboard::Key getKey() const;
  /// Sets what happened to the key.
  virtual void setKeyboardAction(EventKeyboardAction new_action);
  /// What happened to the key.
  virtual EventKeyboardAction getKeyboardAction() const;

  /// Sets the character the press typed (a Unicode code point, 0 for none).
  void setCharacter(char32_t new_character) { character = new_character; }
  /// The Unicode code point the press typed: '>' and '.' differ, 'H' and 'h'
  /// differ. 0 for keys that type nothing (arrows, Shift, Enter, Escape and
  /// other control characters) and for KEY_RELEASED and KEY_DOWN events.
  char32_t getCharacter() const { return character; }
  /// Sets whether Alt was held with the key.
  void setAlt(bool new_alt) { alt = new_alt; }
  /// Whether Alt was held with the key (in a terminal: the key came after an
  /// Escape byte, as terminals send Alt+key).
  bool getAlt() const { return alt; }

  /// Whether a code point is text a key can type: not a control character,
  /// surrogate or private-use code (where terminals put function keys), and
  /// within Unicode.
  static bool isTypedCharacter(long code);
};

}  // namespace sb

#endif
