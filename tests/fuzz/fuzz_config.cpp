// The configuration text: every engine key parsed and applied with its
// mistakes warned of, then the settings the display and world would start
// from read back, and a misspelt key looked up.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // An empty text means "read the file", which is not what is fuzzed here.
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char *>(data), size);
  sb::Config &config = sb::Config::getInstance();
  config.loadConfig(text);
  config.match("iteration-max");
  config.nearestKey(text.substr(0, 64));
  config.match("");
  volatile float keep = config.getFontScale() + static_cast<float>(config.getFrameTime()) +
                        static_cast<float>(config.getGridWidth()) +
                        static_cast<float>(config.getGridHeight());
  (void)keep;
  return 0;
}
