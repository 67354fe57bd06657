// Bytes from a terminal: decoded in two steps, cut at a point the first byte
// chooses, then again after every key has had time to be released.
#include <cstddef>
#include <cstdint>

#include "TerminalInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static sb::TerminalInput input;
  input.reset();
  const char *bytes = reinterpret_cast<const char *>(data);
  size_t cut = size > 0 ? data[0] % (size + 1) : 0;
  size_t events = input.step(bytes, cut, 0).size();
  events += input.step(bytes + cut, size - cut, 1000).size();
  events += input.step(nullptr, 0, 10000000).size();
  // Every byte gives at most a press and a release; held keys and buttons
  // at most one event each a step.
  if (events > 2 * size + 3 * (73 + 3)) __builtin_trap();
  return 0;
}
