// The recording reader: any text is read or refused with a fault naming its
// line; what it reads writes back to text that reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Recording.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);
  sb::Recording recording;
  std::string fault;
  if (recording.parse(text, fault) != 0) {
    if (fault.compare(0, 5, "line ") != 0) std::abort();
    return 0;
  }
  std::string again = sb::Recording::headerText(recording.header);
  for (const sb::RecordedEvent &e : recording.events) again += sb::Recording::eventLine(e);
  again += sb::Recording::endLine(recording.events.empty() ? 1 : recording.events.back().step + 1);
  sb::Recording reread;
  if (reread.parse(again, fault) != 0 || reread.events.size() != recording.events.size())
    std::abort();
  return 0;
}
