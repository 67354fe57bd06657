// The particle test's rules at fixed loads, in nanoseconds per particle-step,
// in three forms: packed arrays (the floor), heap objects reached through one
// virtual call each (walked in allocation order, then in shuffled order), and
// the engine itself (a headless engine holding N particles from
// addParticles(), timing whole steps: step events, world update, drawing and
// the buffer swap). The rules: each step every particle ages by one and dies
// at 0, moves by its velocity, dies when it leaves the 80 x 24 world and
// marks its cell in a frame buffer. Particles start at the centre and drift
// slowly, so the load stays fixed while it is timed.
//
// Usage: bench-particleloop-grid|simple [engine] [COUNT...]
//   (default 10000 100000 1000000; "engine" times only the engine, for profiles)
// Prints one table; the engine column also gives the heap bytes per particle
// (every list included), measured with mallinfo2().
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "EventStep.h"
#include "GameManager.h"
#include "DisplayManager.h"
#include "WorldManager.h"
#include "utility.h"

namespace {

constexpr int kWorldW = 80, kWorldH = 24;
constexpr int kAge = 100000;
constexpr float kSpeed = 0.002f;

using Clock = std::chrono::steady_clock;

// Steps to time at a load: about 20 million particle-steps, at least 5.
int stepsFor(int count) { return std::max(5, 20000000 / count); }

double nsPerParticleStep(Clock::duration elapsed, int count, int steps) {
  return std::chrono::duration<double, std::nano>(elapsed).count() / count / steps;
}

struct Frame {
  unsigned char cells[kWorldH][kWorldW];
  void mark(float x, float y) {
    int col = static_cast<int>(x), row = static_cast<int>(y);
    if (col >= 0 && col < kWorldW && row >= 0 && row < kWorldH) cells[row][col] = 1;
  }
};

bool outside(float x, float y) {
  return x + 0.49f < 0 || x - 0.5f > kWorldW || y + 0.49f < 0 || y - 0.5f > kWorldH;
}

// The same random start for every form: centre, random direction, fixed speed.
void startOf(std::mt19937 &random, float &x, float &y, float &vx, float &vy) {
  std::uniform_real_distribution<float> angle(0, 6.2831853f);
  float a = angle(random);
  x = kWorldW * 0.5f;
  y = kWorldH * 0.5f;
  vx = std::cos(a) * kSpeed;
  vy = std::sin(a) * kSpeed;
}

double packedArrays(int count) {
  std::vector<float> x(count), y(count), vx(count), vy(count);
  std::vector<int> age(count, kAge);
  std::mt19937 random(1);
  for (int i = 0; i < count; i++) startOf(random, x[i], y[i], vx[i], vy[i]);
  Frame frame{};
  int steps = stepsFor(count);
  auto start = Clock::now();
  for (int s = 0; s < steps; s++) {
    int n = static_cast<int>(x.size());
    for (int i = 0; i < n; i++) {
      x[i] += vx[i];
      y[i] += vy[i];
      if (--age[i] <= 0 || outside(x[i], y[i])) {  // dies: the last one takes its place
        n--;
        x[i] = x[n], y[i] = y[n], vx[i] = vx[n], vy[i] = vy[n], age[i] = age[n];
        i--;
        continue;
      }
      frame.mark(x[i], y[i]);
    }
    x.resize(n), y.resize(n), vx.resize(n), vy.resize(n), age.resize(n);
  }
  double ns = nsPerParticleStep(Clock::now() - start, count, steps);
  if (frame.cells[kWorldH / 2][kWorldW / 2] != 1) std::fprintf(stderr, "packed: no marks\n");
  return ns;
}

struct HeapParticle {
  virtual ~HeapParticle() = default;
  virtual bool step(Frame &frame) = 0;  // false when the particle dies
};

// A particle padded to Size bytes, like an engine object of that size.
template <size_t Size>
struct PaddedParticle : HeapParticle {
  float x, y, vx, vy;
  int age = kAge;
  char rest[Size - sizeof(void *) - 5 * sizeof(float)];
  bool step(Frame &frame) override {
    x += vx;
    y += vy;
    if (--age <= 0 || outside(x, y)) return false;
    frame.mark(x, y);
    return true;
  }
};

template <size_t Size>
double heapObjects(int count, bool shuffled) {
  std::vector<HeapParticle *> all;
  all.reserve(count);
  std::mt19937 random(1);
  for (int i = 0; i < count; i++) {
    auto *p = new PaddedParticle<Size>();
    startOf(random, p->x, p->y, p->vx, p->vy);
    all.push_back(p);
  }
  if (shuffled) std::shuffle(all.begin(), all.end(), random);
  Frame frame{};
  int steps = stepsFor(count);
  auto start = Clock::now();
  for (int s = 0; s < steps; s++) {
    size_t kept = 0;
    for (HeapParticle *p : all) {
      if (p->step(frame))
        all[kept++] = p;
      else
        delete p;
    }
    all.resize(kept);
  }
  double ns = nsPerParticleStep(Clock::now() - start, count, steps);
  for (HeapParticle *p : all) delete p;
  return ns;
}

size_t heapInUse() {
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Whole engine steps with count particles; also the heap bytes per particle.
double engineSteps(int count, double &bytes_per_particle) {
  sb::WorldManager &world = sb::WorldManager::getInstance();
  sb::GameManager &game = sb::GameManager::getInstance();
  sb::DisplayManager &display = sb::DisplayManager::getInstance();
  size_t before = heapInUse();
  sb::addParticles(count, 0, sb::Vector(kWorldW * 0.5f, kWorldH * 0.5f), 0, sb::Vector(0, 0), 0,
                   1, 0, kSpeed, 0, kAge, 0, 255, 0, 255, 255, 255, 0, sb::PARTICLE);
  int steps = stepsFor(count);
  // One step first, so that every list has grown to the load.
  auto oneStep = [&](int s) {
    display.swapBuffers();
    sb::EventStep step_event(s);
    game.onEvent(&step_event);
    world.update();
    world.draw();
  };
  oneStep(0);
  bytes_per_particle = static_cast<double>(heapInUse() - before) / count;
  auto start = Clock::now();
  for (int s = 1; s <= steps; s++) oneStep(s);
  double ns = nsPerParticleStep(Clock::now() - start, count, steps);
  world.markForDelete(world.getAllObjects(true));
  world.update();
  return ns;
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<int> counts;
  bool engine_only = argc > 1 && std::string(argv[1]) == "engine";
  for (int i = engine_only ? 2 : 1; i < argc; i++) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {10000, 100000, 1000000};
  if (!bench_support::startEngineIn("sorbelane-particleloop", "headless:true,\nrandom_seed:1,\n")) {
    std::fprintf(stderr, "bench-particleloop: the engine did not start\n");
    return 1;
  }
#if SORBELANE_GRID
  const char *build = "grid";
#else
  const char *build = "simple";
#endif
  std::printf("ns per particle-step (%s engine)\n", build);
  std::printf("%10s %8s %10s %10s %10s %10s %8s %8s %12s\n", "particles", "packed", "heap256",
              "heap256-sh", "heap512", "heap512-sh", "engine", "eng/h256", "bytes/part");
  for (int count : counts) {
    if (count <= 0) continue;
    double packed = 0, h256 = 1, h256s = 0, h512 = 0, h512s = 0;
    if (!engine_only) {
      packed = packedArrays(count);
      h256 = heapObjects<256>(count, false), h256s = heapObjects<256>(count, true);
      h512 = heapObjects<512>(count, false), h512s = heapObjects<512>(count, true);
    }
    double bytes = 0;
    double engine = engineSteps(count, bytes);
    std::printf("%10d %8.2f %10.2f %10.2f %10.2f %10.2f %8.2f %8.2f %12.0f\n", count, packed,
                h256, h256s, h512, h512s, engine, engine / h256, bytes);
    std::fflush(stdout);
  }
  sb::GameManager::getInstance().shutDown();
  return 0;
}
