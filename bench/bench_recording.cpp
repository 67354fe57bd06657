// What a recording costs a step: the time to write one input event, and the
// time of a step's end with a world checksum every 30 steps, for worlds of
// the sizes the example game reaches. Prints nanoseconds per call; compare
// with the game's step time (the recorder logs the processor time its steps
// took). Usage: bench-recording [objects...]
#include <time.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Sorbelane.h"

namespace {

double nowNs() {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; i++) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {50, 150, 300};
  std::string dir = "/tmp/bench-recording-" + std::to_string(getpid());
  std::string config = dir + ".cfg", log = dir + ".log", file = dir + ".rec";
  std::FILE *f = std::fopen(config.c_str(), "w");
  if (!f) return 1;
  std::fprintf(f, "headless:true,\nrecord:%s,\n", file.c_str());
  std::fclose(f);
  setenv("SORBELANE_CONFIG", config.c_str(), 1);
  setenv("SORBELANE_LOG", log.c_str(), 1);
  sb::GameManager &game = sb::GameManager::getInstance();
  if (game.startUp() != 0) return 1;
  sb::Recorder &recorder = sb::Recorder::getInstance();

  sb::EventKeyboard key;
  key.setKey(sb::Keyboard::RIGHTARROW);
  key.setKeyboardAction(sb::KEY_DOWN);
  const int events = 1000000;
  double start = nowNs();
  for (int i = 0; i < events; i++) recorder.recordInput(&key, true);
  std::printf("input event: %.0f ns\n", (nowNs() - start) / events);

  int made = 0;
  for (int objects : sizes) {
    for (; made < objects; made++) {
      sb::Object *p_o = new sb::Object;
      p_o->setPosition(sb::Vector(static_cast<float>(made % 80), static_cast<float>(made % 24)));
      p_o->setVelocity(sb::Vector(0.25f, -0.5f));
    }
    const int steps = 600000;
    start = nowNs();
    for (int i = 0; i < steps; i++) recorder.endStep();
    std::printf("step end, %d objects, a checksum every 30 steps: %.0f ns\n", objects,
                (nowNs() - start) / steps);
  }
  game.shutDown();
  std::remove(config.c_str());
  std::remove(log.c_str());
  std::remove(file.c_str());
  return 0;
}
