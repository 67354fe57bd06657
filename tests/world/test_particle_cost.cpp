// The cost of particles in bulk, in both scene-graph configurations.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "EventStep.h"
#include "GameManager.h"
#include "WorldManager.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

// Thousands of particles dying in one step cost less than making them: a
// deletion that searched or shifted a list per particle would cost far more.
TEST(ParticleCost, MassDeathCostsLessThanMaking) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &world_manager = sb::WorldManager::getInstance();
  using Clock = std::chrono::steady_clock;
  const int count = 40000;
  double best_make = 1e9, best_death = 1e9;
  for (int round = 0; round < 3; round++) {  // best of three, to keep other load out
    Clock::time_point t0 = Clock::now();
    sb::addParticles(count, 0, sb::Vector(40, 12), 0, sb::Vector(0, 0), 0, 2, 0, 0.1f, 0, 1, 0, 255,
                     0, 200, 100, 50, 0, sb::PARTICLE);
    Clock::time_point t1 = Clock::now();
    sb::EventStep step_event(round);
    sb::GameManager::getInstance().onEvent(&step_event);  // age 1: all die in this step
    world_manager.update();
    Clock::time_point t2 = Clock::now();
    ASSERT_EQ(world_manager.getAllObjects(true).getCount(), 0);
    best_make = std::min(best_make, std::chrono::duration<double>(t1 - t0).count());
    best_death = std::min(best_death, std::chrono::duration<double>(t2 - t1).count());
  }
  EXPECT_LT(best_death, best_make * 3) << "make " << best_make << " s, die " << best_death << " s";
}

}  // namespace
