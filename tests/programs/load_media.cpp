// Loads each file named on the command line through the resource manager,
// "sound:PATH" as a sound and "music:PATH" as a music track, and prints
// "<result> <argument>" for each as soon as it is done, so that a test that
// runs it with a time limit sees how far it got. A load that hangs or grows
// without bound thus fails that test instead of hanging or killing the suite:
// outside the sanitizer build the address space is limited to 1 GB.
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "LogManager.h"
#include "ResourceManager.h"

#if defined(__SANITIZE_ADDRESS__)
#define LOAD_MEDIA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LOAD_MEDIA_SANITIZED 1
#endif
#endif

int main(int argc, char **argv) {
#ifndef LOAD_MEDIA_SANITIZED
  struct rlimit limit = {1L << 30, 1L << 30};
  setrlimit(RLIMIT_AS, &limit);
#endif
  sb::LogManager &log = sb::LogManager::getInstance();
  sb::ResourceManager &resources = sb::ResourceManager::getInstance();
  if (log.startUp() != 0 || resources.startUp() != 0) return 1;
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    std::string label = "m" + std::to_string(i);
    int result = -2;  // neither kind
    if (arg.compare(0, 6, "sound:") == 0) result = resources.loadSound(arg.substr(6), label);
    if (arg.compare(0, 6, "music:") == 0) result = resources.loadMusic(arg.substr(6), label);
    std::printf("%d %s\n", result, argv[i]);
    std::fflush(stdout);
  }
  resources.shutDown();
  log.shutDown();
  return 0;
}
