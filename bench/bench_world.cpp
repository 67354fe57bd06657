// One world update of N moving HARD objects with the default box in an
// 80 x 24 boundary, reported per object.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "BenchSupport.h"
#include "Sorbelane.h"

namespace {

// Moves in a random direction and takes a new one on every collision.
class Mover : public sb::Object {
 public:
  Mover() {
    setType("mover");
    newVelocity();
    setPosition(sb::Vector(static_cast<float>(rand() % 80), static_cast<float>(rand() % 24)));
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->typeRef() == sb::COLLISION_EVENT) {
      newVelocity();
      return 1;
    }
    if (p_e->typeRef() == sb::OUT_EVENT) {
      bounceBack();
      return 1;
    }
    return 0;
  }

 private:
  void newVelocity() {
    float x = (rand() & 1 ? -1.0f : 1.0f) / static_cast<float>(rand() % 10 + 1);
    float y = (rand() & 1 ? -1.0f : 1.0f) / static_cast<float>(rand() % 80 + 1);
    setVelocity(sb::Vector(x, y));
  }
  void bounceBack() {
    sb::Vector p = getPosition(), v = getVelocity();
    if (p.getX() < 0 || p.getX() > 79) v.setX(-v.getX()), p.setX(p.getX() < 0 ? 1 : 78);
    if (p.getY() < 0 || p.getY() > 23) v.setY(-v.getY()), p.setY(p.getY() < 0 ? 1 : 22);
    setVelocity(v);
    setPosition(p);
  }
};

using bench_support::startEngineOnce;

void BM_WorldUpdate(benchmark::State &state) {
  startEngineOnce();
  sb::WorldManager &world = sb::WorldManager::getInstance();
  srand(1);
  int count = static_cast<int>(state.range(0));
  for (int i = 0; i < count; i++) new Mover();
  for (auto _ : state) world.update();
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["ns_per_object"] = benchmark::Counter(
      static_cast<double>(state.iterations() * count),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  world.markForDelete(world.getAllObjects(true));
  world.update();
}

}  // namespace

BENCHMARK(BM_WorldUpdate)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);

// N particles of age 1 made, then all dying in the same step: per particle,
// the cost must stay flat as N grows (no list search or shift per death).
void BM_ParticlesLiveOneStep(benchmark::State &state) {
  startEngineOnce();
  sb::WorldManager &world = sb::WorldManager::getInstance();
  sb::GameManager &game = sb::GameManager::getInstance();
  int count = static_cast<int>(state.range(0));
  int step = 0;
  for (auto _ : state) {
    sb::addParticles(count, 0, sb::Vector(40, 12), 0, sb::Vector(0, 0), 0, 2, 0, 0.1f, 0, 1, 0,
                     255, 0, 200, 100, 50, 0, sb::PARTICLE);
    sb::EventStep step_event(step++);
    game.onEvent(&step_event);
    world.update();
  }
  state.counters["ns_per_particle"] = benchmark::Counter(
      static_cast<double>(state.iterations() * count),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_ParticlesLiveOneStep)->Arg(10000)->Arg(40000)->Arg(160000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
