// Particles in bulk, in both scene-graph configurations. Their cost is measured
// by bench/bench_world.cpp; here, that a mass death leaves nothing behind.
#include <gtest/gtest.h>

#include "EventStep.h"
#include "GameManager.h"
#include "WorldManager.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

// Thousands of particles dying in the same step all leave the world and the
// step interest row; the next wave starts from empty lists.
TEST(ParticleMass, DeathInOneStepLeavesNothingBehind) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &world_manager = sb::WorldManager::getInstance();
  sb::GameManager &game_manager = sb::GameManager::getInstance();
  for (int wave = 0; wave < 2; wave++) {
    sb::addParticles(20000, 0, sb::Vector(40, 12), 0, sb::Vector(0, 0), 0, 2, 0, 0.1f, 0, 1, 0,
                     255, 0, 200, 100, 50, 0, sb::PARTICLE);
    EXPECT_EQ(world_manager.getAllObjects(true).getCount(), 20000);
    EXPECT_EQ(game_manager.getEventListCount(), 1);
    sb::EventStep step_event(wave);
    EXPECT_EQ(game_manager.onEvent(&step_event), 20000);  // age 1: all die in this step
    world_manager.update();
    EXPECT_EQ(world_manager.getAllObjects(true).getCount(), 0);
    EXPECT_EQ(world_manager.getSceneGraph().visibleObjects(3).getCount(), 0);
    EXPECT_EQ(game_manager.getEventListCount(), 0);
  }
}

}  // namespace
