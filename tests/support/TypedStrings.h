// Strings typed in the key tests of both back ends: each character typed
// must arrive as one KEY_PRESSED carrying it, on the key it is typed on.
#ifndef SORBELANE_TESTS_TYPED_STRINGS_H
#define SORBELANE_TESTS_TYPED_STRINGS_H

#include <string>
#include <vector>

#include "EventKeyboard.h"

namespace sbtest {

struct TypedString {
  const char *text;                   // ASCII, as typed on a US keyboard
  std::vector<sb::Keyboard::Key> keys;  // the key of each character
};

inline const std::vector<TypedString> &typedStrings() {
  using K = sb::Keyboard::Key;
  static const std::vector<TypedString> strings = {
      {">.", {K::PERIOD, K::PERIOD}},
      {"Hh", {K::H, K::H}},
      {"?/", {K::SLASH, K::SLASH}},
      {"<,", {K::COMMA, K::COMMA}},
      {"!1", {K::NUM1, K::NUM1}},
      {"Zz:;", {K::Z, K::Z, K::SEMICOLON, K::SEMICOLON}},
      {"hhhh", {K::H, K::H, K::H, K::H}},
      {"\"' 9(", {K::QUOTE, K::QUOTE, K::SPACE, K::NUM9, K::NUM9}},
  };
  return strings;
}

}  // namespace sbtest

#endif
