#include "EventKeyboard.h"

#include "utility.h"

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

std::string toString(Keyboard::Key key) {
  if (key >= Keyboard::A && key <= Keyboard::Z)
    return std::string(1, static_cast<char>('A' + (key - Keyboard::A)));
  if (key >= Keyboard::NUM1 && key <= Keyboard::NUM9)
    return std::string(1, static_cast<char>('1' + (key - Keyboard::NUM1)));
  switch (key) {
    case Keyboard::NUM0: return "0";
    case Keyboard::SPACE: return " ";
    case Keyboard::MINUS: return "-";
    case Keyboard::PLUS: return "+";
    case Keyboard::TILDE: return "~";
    case Keyboard::PERIOD: return ".";
    case Keyboard::COMMA: return ",";
    case Keyboard::SLASH: return "/";
    case Keyboard::EQUAL: return "=";
    case Keyboard::BACKSLASH: return "\\";
    case Keyboard::MULTIPLY: return "*";
    case Keyboard::QUOTE: return "\"";
    case Keyboard::SEMICOLON: return ";";
    default: return "";
  }
}

bool EventKeyboard::isTypedCharacter(long code) {
  if (code < 0x20 || code == 0x7f || (code >= 0x80 && code < 0xa0)) return false;
  if (code >= 0xd800 && code <= 0xdfff) return false;
  if (code >= 0xe000 && code <= 0xf8ff) return false;
  return code <= 0x10ffff;
}

}  // namespace sb
