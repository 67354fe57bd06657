// Helpers shared by the benches (and by tests that make the same traffic).
#ifndef SORBELANE_BENCH_SUPPORT_H
#define SORBELANE_BENCH_SUPPORT_H

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Sorbelane.h"

namespace bench_support {

// The temporary directory a bench runs in, removed with its configuration and
// log when the process ends (the engine may still hold the log open).
inline char *benchDirectory() {
  static char dir[64];
  return dir;
}

inline void removeBenchDirectory() {
  const std::string dir = benchDirectory();
  if (dir.empty()) return;
  unlink((dir + "/sb-config.txt").c_str());
  unlink((dir + "/sorbelane.log").c_str());
  rmdir(dir.c_str());
}

// Starts the engine with config in a new directory "/tmp/<prefix>-XXXXXX"
// that holds its configuration and log; false when it does not start.
inline bool startEngineIn(const char *prefix, const std::string &config) {
  char *dir = benchDirectory();
  if (std::snprintf(dir, 64, "/tmp/%s-XXXXXX", prefix) >= 64 || !mkdtemp(dir) || chdir(dir) != 0) {
    dir[0] = '\0';
    return false;
  }
  std::atexit(removeBenchDirectory);
  FILE *file = fopen("sb-config.txt", "w");
  if (!file) return false;
  fputs(config.c_str(), file);
  fclose(file);
  setenv("SORBELANE_CONFIG", "sb-config.txt", 1);
  setenv("SORBELANE_LOG", "sorbelane.log", 1);
  return sb::GameManager::getInstance().startUp() == 0;
}

// Starts the engine headless with random seed 1, once per process.
inline void startEngineOnce() {
  static bool started = false;
  if (started) return;
  started = true;
  startEngineIn("sorbelane-bench", "headless:true,\nrandom_seed:1,\n");
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
