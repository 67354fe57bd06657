// Bytes from a terminal (with or without kitty release reports): decoded whole, and again cut into pieces at points
// the bytes themselves choose (each piece a step well within the Escape
// wait), then after every key has had time to be released. Both must give
// the same keys and mouse events, and no more events than bytes allow.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "TerminalInput.h"

namespace {

// Every key press (key, character, Alt), then every mouse event.
struct Decoded {
  std::vector<int> keys;
  std::vector<float> mouse;
  std::size_t events = 0;
};

void collect(const std::vector<sb::TerminalEvent> &events, Decoded &decoded) {
  decoded.events += events.size();
  for (const sb::TerminalEvent &e : events) {
    if (e.mouse && e.mouse_action != sb::PRESSED) {
      decoded.mouse.insert(decoded.mouse.end(), {static_cast<float>(e.mouse_action),
                                                 static_cast<float>(e.button), e.x, e.y});
    } else if (!e.mouse && e.keyboard_action == sb::KEY_PRESSED) {
      decoded.keys.insert(decoded.keys.end(),
                          {e.key, static_cast<int>(e.character), e.alt ? 1 : 0});
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static sb::TerminalInput input;
  const char *bytes = reinterpret_cast<const char *>(data);
  // The second byte's low bit: keys as a terminal with release reports sends them.
  input.setReportsReleases(size > 1 && (data[1] & 1));

  input.reset();
  Decoded whole;
  collect(input.step(bytes, size, 0), whole);
  collect(input.step(nullptr, 0, 10000000), whole);

  // Cuts after every byte whose low bits are 0 or 1, and after the point the
  // first byte names.
  input.reset();
  Decoded pieces;
  size_t from = 0;
  long long now = 0;
  size_t named = size > 0 ? data[0] % (size + 1) : 0;
  for (size_t at = 1; at < size; at++) {
    if ((data[at - 1] & 7) > 1 && at != named) continue;
    collect(input.step(bytes + from, at - from, now++), pieces);
    from = at;
  }
  collect(input.step(bytes + from, size - from, now), pieces);
  collect(input.step(nullptr, 0, 10000000), pieces);

  if (whole.keys != pieces.keys || whole.mouse != pieces.mouse) __builtin_trap();
  // Every byte gives at most a press and a release; held keys and buttons
  // at most one event each a step.
  if (whole.events > 2 * size + 2 * (73 + 3)) __builtin_trap();
  return 0;
}
