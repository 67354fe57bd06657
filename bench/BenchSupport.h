// Helpers shared by the benches (and by tests that make the same traffic).
#ifndef SORBELANE_BENCH_SUPPORT_H
#define SORBELANE_BENCH_SUPPORT_H

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Sorbelane.h"

namespace bench_support {

// Starts the engine headless with random seed 1, once per process, in a
// temporary directory of its own that holds its configuration and log.
inline void startEngineOnce() {
  static bool started = false;
  if (started) return;
  started = true;
  char dir[] = "/tmp/sorbelane-bench-XXXXXX";
  if (mkdtemp(dir) && chdir(dir) == 0) {
    FILE *config = fopen("sb-config.txt", "w");
    if (config) {
      fputs("headless:true,\nrandom_seed:1,\n", config);
      fclose(config);
    }
  }
  setenv("SORBELANE_CONFIG", "sb-config.txt", 1);
  setenv("SORBELANE_LOG", "sorbelane.log", 1);
  sb::GameManager::getInstance().startUp();
}

// A message of size bytes, its length field included, whose bytes tell its
// number and place, so a lost, doubled or shifted byte shows.
inline std::string numberedMessage(int number, int size) {
  std::string message(static_cast<size_t>(size), '\0');
  sb::NetworkManager::putMessageLength(reinterpret_cast<unsigned char *>(&message[0]), size);
  for (int i = 4; i < size; i++)
    message[static_cast<size_t>(i)] = static_cast<char>((number * 131 + i * 7) & 0xff);
  return message;
}

}  // namespace bench_support

#endif
