// The benchmark controller driven step by step with chosen step times.
#include <gtest/gtest.h>

#include <string>

#include "Config.h"
#include "EventStep.h"
#include "GameManager.h"
#include "ObjectList.h"
#include "WorldManager.h"

#include "Ball.h"
#include "Pingler.h"
#include "support/TestEngine.h"

namespace {

constexpr long long kFast = 33000;  // microseconds: a step that kept its frame time
constexpr long long kSlow = 40000;  // a step over the 36.3 ms threshold

class PinglerTest : public ::testing::Test {
 protected:
  int game_step = 0;

  void SetUp() override {
    ASSERT_EQ(sbtest::startEngine("headless:true,\n" + sbtest::fontConfig() + "burst:20,\n"), 0);
    Pingler::resetTally();
  }

  // Deletes every object, so tests run in one process do not share a world.
  void TearDown() override { sb::GameManager::getInstance().shutDown(); }

  // One counted step of the given duration, at the next game-loop step.
  void step(Pingler *p, long long delta_us) {
    p->beginStep(game_step++);
    p->recordStep(delta_us);
  }

  // Steps until the controller ends the iteration; the number of steps taken.
  int stepUntilStop(Pingler *p, long long delta_us, int limit) {
    int iteration = p->getIteration();
    for (int i = 1; i <= limit; i++) {
      step(p, delta_us);
      if (p->getIteration() != iteration) return i;
    }
    return -1;
  }

  // The world removes what was marked, as the game loop's update does, and
  // the controller is told the step after its stop.
  void nextIteration(Pingler *p) {
    sb::WorldManager::getInstance().update();
    game_step = p->getStartStep();
  }

  static int balls() { return sb::WorldManager::getInstance().objectsOfType("ball").getCount(); }
  static int particles() {
    return sb::WorldManager::getInstance().objectsOfType("Particle").getCount();
  }
};

// The median is the 16th smallest of the last 30 step times: with a full ring
// of fast steps, slow ones end the iteration only once they are 15.
TEST_F(PinglerTest, MedianIgnoresSingleSlowStepsAndStopsAtFifteenSlow) {
  Pingler *p = new Pingler(false, 1, 0, 0, 3);
  for (int i = 0; i < 40; i++) step(p, kFast);
  step(p, 200000);
  EXPECT_EQ(p->medianMs(), 33);
  for (int i = 0; i < 30; i++) step(p, kFast);
  EXPECT_EQ(p->getIteration(), 0);

  EXPECT_EQ(stepUntilStop(p, kSlow, 30), 15);
  EXPECT_EQ(p->getIteration(), 1);
  EXPECT_EQ(p->medianMs(), 40);
}

// Unwritten slots count as zeros: the 15th measured step is the first that
// the median can see.
TEST_F(PinglerTest, MedianIsZeroUntilFifteenStepsAreMeasured) {
  Pingler *p = new Pingler(false, 1, 0, 0, 3);
  for (int i = 0; i < 14; i++) step(p, 90000);
  EXPECT_EQ(p->medianMs(), 0);
  EXPECT_EQ(p->getIteration(), 0);
  step(p, 90000);
  EXPECT_EQ(p->getIteration(), 1);
  EXPECT_EQ(p->getStep(), 15);
}

TEST_F(PinglerTest, ThresholdIsThirtySevenWholeMilliseconds) {
  Pingler *p = new Pingler(false, 1, 0, 0, 3);
  EXPECT_EQ(stepUntilStop(p, 36999, 100), -1) << "36 ms is below 36.3";
  EXPECT_EQ(stepUntilStop(p, 37000, 100), 15);
}

TEST_F(PinglerTest, StopAtStepHundredCreditsEightyFive) {
  Pingler *p = new Pingler(false, 1, 0, 0, 3);
  for (int i = 0; i < 85; i++) step(p, kFast);
  EXPECT_EQ(stepUntilStop(p, kSlow, 30), 15);
  EXPECT_EQ(p->getStep(), 100);
  EXPECT_EQ(Pingler::getTally(), 85);
  EXPECT_NE(sbtest::readLog().find("PINGLE: Iteration 1 - balls: 85\n"), std::string::npos);
  EXPECT_FALSE(sb::GameManager::getInstance().getGameOver());
}

TEST_F(PinglerTest, RunTimeStopsAfterRunTimePlusOneStepsWhateverTheTimes) {
  Pingler *p = new Pingler(false, 2, 4, 50, 2);
  EXPECT_EQ(stepUntilStop(p, 500000, 100), 51);
  EXPECT_EQ(Pingler::getTally(), 4 + 36 * 2);
  nextIteration(p);
  EXPECT_EQ(stepUntilStop(p, 1000, 100), 51);
  EXPECT_EQ(p->getPingleMark(), 76);
}

TEST_F(PinglerTest, MarkIsTheTruncatedAverageAndEndsTheGame) {
  Pingler *p = new Pingler(false, 1, 0, 0, 3);
  for (int credit : {100, 101, 103}) {
    for (int i = 0; i < credit; i++) step(p, kFast);
    ASSERT_EQ(stepUntilStop(p, kSlow, 30), 15);
    if (credit != 103) {
      EXPECT_FALSE(sb::GameManager::getInstance().getGameOver());
      nextIteration(p);
    }
  }
  EXPECT_EQ(p->getIteration(), 3);
  EXPECT_EQ(p->getPingleMark(), 101);
  EXPECT_TRUE(sb::GameManager::getInstance().getGameOver());
  EXPECT_NE(sbtest::readLog().find("PINGLE: Average max objects: 101\n"), std::string::npos);
}

// The step after a stop begins the next iteration: ring cleared, starting
// load added, step 1 again, and the previous iteration's balls are gone.
TEST_F(PinglerTest, NextIterationStartsAfreshWithoutThePreviousBalls) {
  Pingler *p = new Pingler(false, 1, 5, 20, 3);
  EXPECT_EQ(balls(), 5);
  EXPECT_EQ(stepUntilStop(p, kFast, 100), 21);
  EXPECT_EQ(balls(), 26);

  nextIteration(p);
  EXPECT_EQ(balls(), 0);
  EXPECT_EQ(p->getStartStep(), sb::GameManager::getInstance().getStepCount() + 1);

  p->beginStep(game_step++);
  EXPECT_EQ(p->getStep(), 1);
  EXPECT_EQ(p->getFrameIndex(), 0);
  for (int slot = 0; slot < Pingler::kWindow; slot++) EXPECT_EQ(p->getFrameTime(slot), 0);
  EXPECT_EQ(balls(), 6);
  // Only the controller and the new balls are left in the world.
  EXPECT_EQ(sb::WorldManager::getInstance().getAllObjects(true).getCount(), 7);
}

TEST_F(PinglerTest, StepEventsCountOnlyFromTheStartStep) {
  Pingler *p = new Pingler(false, 1, 0, 1, 3);
  sb::EventStep event(0);
  EXPECT_EQ(p->eventHandler(&event), 1);
  EXPECT_EQ(p->getStep(), 1);
  EXPECT_EQ(p->eventHandler(&event), 1);
  EXPECT_EQ(p->getIteration(), 1) << "run time 1 stops at step 2";
  // The game loop has not moved on: the next iteration waits for step 1.
  EXPECT_EQ(p->eventHandler(&event), 0);
  EXPECT_EQ(p->getStep(), 2);
  sb::Event other;
  EXPECT_EQ(p->eventHandler(&other), 0);
}

TEST_F(PinglerTest, StepLineShowsBallsStepDeltaAndMedian) {
  Pingler *p = new Pingler(false, 2, 3, 0, 3);
  step(p, 34567);
  EXPECT_NE(sbtest::readLog().find("PINGLE: Balls 5. Step 1 - 34 of 36 msec ( median 0 )\n"),
            std::string::npos)
      << sbtest::readLog();
}

TEST_F(PinglerTest, ParticleMarkCountsParticlesWhenBurstIsSet) {
  Pingler *p = new Pingler(true, 1, 0, 0, 1);
  EXPECT_EQ(particles(), 0);
  for (int i = 0; i < 7; i++) step(p, kFast);
  EXPECT_EQ(particles(), 7 * 20);
  EXPECT_EQ(balls(), 0);
  EXPECT_EQ(stepUntilStop(p, kSlow, 30), 15);
  EXPECT_EQ(p->getPingleMark(), 7 * 20);
  std::string log = sbtest::readLog();
  EXPECT_NE(log.find("PINGLE: Average max particles: 140\n"), std::string::npos);
  EXPECT_NE(log.find("PINGLE: Balls 0. Step 3 - "), std::string::npos);
}

TEST_F(PinglerTest, ParticleMarkStaysInBurstsWithoutTheBurstKey) {
  sb::Config::getInstance().setConfig("headless:true,");
  Pingler *p = new Pingler(true, 1, 0, 0, 1);
  step(p, kFast);
  EXPECT_EQ(particles(), 50) << "default burst size";
  stepUntilStop(p, kSlow, 30);
  EXPECT_EQ(p->getPingleMark(), 1);
}

// The burst keys are read at every burst, so a changed configuration applies
// to the very next one.
TEST_F(PinglerTest, BurstKeysAreReadAtEveryBurst) {
  Pingler *p = new Pingler(true, 1, 0, 0, 3);
  step(p, kFast);
  EXPECT_EQ(particles(), 20);
  sb::Config::getInstance().setConfig("burst:3,color-r:0,color-g:0,size:2.5,");
  step(p, kFast);
  EXPECT_EQ(particles(), 23);
}

// Iterations are marked for deletion wholesale: particles as well as balls,
// and nothing else.
TEST_F(PinglerTest, StopMarksOnlyBallsAndParticles) {
  Pingler *p = new Pingler(false, 1, 0, 0, 3);
  sb::Object *bystander = new sb::Object;
  bystander->setType("wall");
  step(p, kFast);
  p->particleBurst();
  p->stopPingle();
  sb::WorldManager::getInstance().update();
  EXPECT_EQ(balls(), 0);
  EXPECT_EQ(particles(), 0);
  EXPECT_EQ(sb::WorldManager::getInstance().objectWithId(bystander->getId()), bystander);
  EXPECT_EQ(sb::WorldManager::getInstance().objectWithId(p->getId()), p);
}

}  // namespace
