#include "EventKeyboard.h"

namespace sb {

EventKeyboard::EventKeyboard()
    : key_val(Keyboard::UNDEFINED_KEY), keyboard_action(UNDEFINED_KEYBOARD_ACTION) {
  setType(KEYBOARD_EVENT);
}

EventKeyboard::~EventKeyboard() {}

void EventKeyboard::setKey(Keyboard::Key new_key) { key_val = new_key; }

Keyboard::Key EventKeyboard::getKey() const { return key_val; }

void EventKeyboard::setKeyboardAction(EventKeyboardAction new_action) {
  keyboard_action = new_action;
}

EventKeyboardAction EventKeyboard::getKeyboardAction() const { return keyboard_action; }

bool EventKeyboard::isTypedCharacter(long code) {
  if (code < 0x20 || code == 0x7f || (code >= 0x80 && code < 0xa0)) return false;
  if (code >= 0xd800 && code <= 0xdfff) return false;
  if (code >= 0xe000 && code <= 0xf8ff) return false;
  return code <= 0x10ffff;
}

}  // namespace sb
