// Attribute strings: the input is "string\nkey"; the string is parsed, the key
// looked up in it and again in the last parse, and the value converted both ways.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "utility.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string input(reinterpret_cast<const char *>(data), size);
  size_t split = input.find('\n');
  std::string str = input.substr(0, split);
  std::string key = split == std::string::npos ? std::string() : input.substr(split + 1);

  std::string value = sb::match(str, key);
  std::string again = sb::match("", key);
  if (value != again) std::abort();  // the last parse must answer the same

  sb::toString(static_cast<int>(std::strtol(value.c_str(), nullptr, 10)));
  sb::toString(static_cast<float>(std::strtod(value.c_str(), nullptr)));
  sb::toString(value == "true");
  if (!value.empty()) sb::toString(value[0]);
  return 0;
}
