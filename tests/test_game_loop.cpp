// The game manager: start-up and shut-down order, the random seed, step
// events, game over and the timing of the loop.
#include <gtest/gtest.h>

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "EventStep.h"
#include "GameManager.h"
#include "LogManager.h"
#include "LoopState.h"
#include "Object.h"
#include "WorldManager.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using Clock = std::chrono::steady_clock;

void busyWait(int ms) {
  Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) {
  }
}

// Receives steps; records the count each carries and runs a per-step action.
class Stepper : public sb::Object {
 public:
  std::vector<int> counts;
  std::function<void(int)> action;
  Stepper() {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::STEP_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::STEP_EVENT) return 0;
    int n = static_cast<const sb::EventStep *>(p_e)->getStepCount();
    counts.push_back(n);
    if (action) action(n);
    return 1;
  }
};

std::string seedLine(int seed) { return "GameManager()::startUp(): seed is " + std::to_string(seed); }

TEST(GameLoop, SeedZeroUsesTheTime) {
  sb::LogManager::getInstance().setLogLevel(10);
  time_t before = time(nullptr);
  ASSERT_EQ(sbtest::startEngine("headless:true,\nrandom_seed:0,\n"), 0);
  time_t after = time(nullptr);
  std::string log = sbtest::readLog();
  bool found = false;
  for (time_t t = before; t <= after; t++)
    found = found || sbtest::hasMessage(log, seedLine(static_cast<int>(t)));
  EXPECT_TRUE(found) << log;
}

TEST(GameLoop, SeedMinusOneLeavesTheGeneratorAlone) {
  sb::LogManager::getInstance().setLogLevel(10);
  srand(1);  // the C library's initial state, as a fresh process has it
  ASSERT_EQ(sbtest::startEngine("headless:true,\nrandom_seed:-1,\n"), 0);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(), seedLine(-1)));
  // Never seeded: the sequence goes on from the state before (seed 1).
  int first = rand();
  srand(1);
  EXPECT_EQ(first, rand());
}

TEST(GameLoop, SeedSevenRepeatsTheSequence) {
  sb::LogManager::getInstance().setLogLevel(10);
  ASSERT_EQ(sbtest::startEngine("headless:true,\nrandom_seed:7,\n"), 0);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(), seedLine(7)));
  std::vector<int> engine_seq;
  for (int i = 0; i < 5; i++) engine_seq.push_back(rand());
  srand(7);
  std::vector<int> expected;
  for (int i = 0; i < 5; i++) expected.push_back(rand());
  EXPECT_EQ(engine_seq, expected);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "seed is"), 1);
}

TEST(GameLoop, GameOverFromStepHandlerEndsAfterThatIteration) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:5,\n"), 0);
  sb::LogManager::getInstance().setLogLevel(1);
  sb::GameManager &gm = sb::GameManager::getInstance();
  EXPECT_EQ(gm.getFrameTime(), 5);
  EXPECT_FALSE(gm.getGameOver());

  Stepper *s = new Stepper;
  Stepper *other = new Stepper;  // registered after s: still gets the last step
  s->action = [](int n) {
    if (n == 2) sb::GameManager::getInstance().setGameOver();
  };
  gm.run();
  EXPECT_EQ(s->counts, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(other->counts, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(gm.getStepCount(), 3);
  EXPECT_TRUE(gm.getGameOver());

  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::messagesInOrder(
      log, {"GameManager::run(): starting game loop", "GameManager::run(): end of game loop"}));
  // The loop's own lines show the step count: 0 at its start, 3 at its end.
  for (const sbtest::LogLine &line : sbtest::parseLog(log)) {
    if (line.message == "GameManager::run(): starting game loop") {
      EXPECT_EQ(line.step, 0);
    }
    if (line.message == "GameManager::run(): end of game loop") {
      EXPECT_EQ(line.step, 3);
    }
  }

  // A second run starts counting afresh.
  s->counts.clear();
  s->action = [](int n) {
    if (n == 0) sb::GameManager::getInstance().setGameOver();
  };
  gm.run();
  EXPECT_EQ(s->counts, (std::vector<int>{0}));
  EXPECT_EQ(gm.getStepCount(), 1);
}

// The loop state is what the path, network and recording code see of the
// loop: it follows the game manager step by step, game over set through
// either ends the loop, and its shut-down is the game manager's.
TEST(GameLoop, LoopStateFollowsTheGameManager) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:7,\n"), 0);
  sb::GameManager &gm = sb::GameManager::getInstance();
  sb::LoopState &loop = sb::LoopState::getInstance();
  EXPECT_EQ(loop.getFrameTime(), 7);
  for (bool through_loop_state : {false, true}) {
    Stepper *s = new Stepper;
    std::vector<int> seen;  // the loop state's step at each step event
    s->action = [&](int n) {
      seen.push_back(loop.getStepCount());
      if (n == 3 && through_loop_state) loop.setGameOver(true);  // as a replay's end does
      if (n == 3 && !through_loop_state) gm.setGameOver(true);
      EXPECT_EQ(loop.getGameOver(), gm.getGameOver());
    };
    gm.run();
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3})) << through_loop_state;
    EXPECT_EQ(loop.getStepCount(), 4);
    s->action = nullptr;  // it still gets the next run's first step
    sb::WorldManager::getInstance().markForDelete(s);
  }
  loop.shutDownEngine();  // what the network manager's Ctrl-C handler runs
  EXPECT_FALSE(gm.isStarted());
  EXPECT_FALSE(sb::WorldManager::getInstance().isStarted());
  EXPECT_TRUE(loop.getGameOver());
}

TEST(GameLoop, CannotKeepUpWarningOnlyAfterAWholeSlowStep) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:20,\n"), 0);
  Stepper *s = new Stepper;
  // Too slow in steps 0, 3 and 4; step 3 follows a sleeping step, step 4 does not.
  s->action = [](int n) {
    if (n == 0 || n == 3 || n == 4) busyWait(35);
    if (n == 5) sb::GameManager::getInstance().setGameOver();
  };
  sb::GameManager::getInstance().run();

  std::regex warning(R"(GameManager::run\(\): Can't keep up! frame_time 20 ms, split (\d+) ms)");
  std::vector<int> warned_steps;
  for (const sbtest::LogLine &line : sbtest::parseLog(sbtest::readLog())) {
    std::smatch m;
    if (std::regex_match(line.message, m, warning)) {
      warned_steps.push_back(line.step);
      EXPECT_GE(std::stoi(m[1]), 35);
    }
  }
  // Never in step 0; always in step 4; never in the steps that kept up.
  for (int step : warned_steps) EXPECT_TRUE(step == 3 || step == 4) << step;
  EXPECT_NE(std::find(warned_steps.begin(), warned_steps.end(), 4), warned_steps.end());
}

TEST(GameLoop, StartUpAndShutDownLinesInOrder) {
  sb::LogManager::getInstance().setLogLevel(1);
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::GameManager::getInstance().shutDown();
  std::string log = sbtest::readLog();
  std::vector<std::string> messages = sbtest::logMessages(log);

  const std::string stars = "****************************************************";
  ASSERT_GE(messages.size(), 7u);
  EXPECT_EQ(messages[0], stars);
  EXPECT_EQ(messages[1], "** Sorbelane version 4.13 **");
  EXPECT_EQ(messages[2], "** Game engine started **");
  EXPECT_EQ(messages[3], stars);
  EXPECT_EQ(messages[4], "Log Manager started.");
  EXPECT_EQ(messages[5], "-----------------------------------");
  EXPECT_EQ(messages[6], "Sorbelane configuration:");

  EXPECT_TRUE(sbtest::messagesInOrder(
      log, {"Log Manager started.", "Sorbelane configuration:", "  Quadtree depth: 10",
            "-----------------------------------", "Display manager started.",
            "Input manager started.", "Resource manager started.", "World manager started.",
            "Path manager started.", "Path manager stopped", "World manager stopped",
            "Resource manager stopped", "Input manager stopped", "Display manager stopped",
            stars, "** Game engine stopped **"}))
      << log;
  EXPECT_EQ(messages.back(), "** Game engine stopped **");
  // Networking is off.
  EXPECT_EQ(sbtest::countOf(log, "Network manager"), 0);
  EXPECT_FALSE(sb::GameManager::getInstance().isStarted());
  EXPECT_TRUE(sb::GameManager::getInstance().getGameOver());
}

TEST(GameLoop, SecondStartUpOnlyLogs) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EXPECT_EQ(sb::GameManager::getInstance().startUp(), 0);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(), "GameManager::startup(): Already started."));
  EXPECT_TRUE(sb::GameManager::getInstance().isValid(sb::STEP_EVENT));
  EXPECT_FALSE(sb::GameManager::getInstance().isValid(sb::KEYBOARD_EVENT));
}

// One step of a long frame: the whole frame is slept and nanosleep never fails.
void runOneLongStep(int frame_time_ms) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:" + std::to_string(frame_time_ms) +
                                ",\n"),
            0);
  Stepper *s = new Stepper;
  s->action = [](int) { sb::GameManager::getInstance().setGameOver(); };
  Clock::time_point start = Clock::now();
  sb::GameManager::getInstance().run();
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_GE(seconds, frame_time_ms / 1000.0 - 0.02);
  EXPECT_LT(seconds, frame_time_ms / 1000.0 + 0.4);
  std::string log = sbtest::readLog();
  EXPECT_EQ(sbtest::countOf(log, "Error in nanosleep()"), 0) << log;
  EXPECT_EQ(sbtest::countOf(log, "tv_nsec"), 0);
}

TEST(GameLoop, FrameTimeOfOneSecondStillSleeps) { runOneLongStep(1000); }

TEST(GameLoop, FrameTimeAboveOneSecondSleepsTheWholeFrame) { runOneLongStep(1250); }

void onStormSignal(int) {}

// A storm of signals the game goes on after (resizes, resumes) neither
// shortens the steps nor fills the log: each interrupted sleep sleeps the rest.
TEST(GameLoop, SignalsDuringTheSleepDoNotShortenTheStep) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:40,\n"), 0);
  struct sigaction storm = {}, before = {};
  storm.sa_handler = onStormSignal;  // caught, as the terminal catches them
  sigemptyset(&storm.sa_mask);
  ASSERT_EQ(sigaction(SIGWINCH, &storm, &before), 0);
  Stepper *s = new Stepper;
  s->action = [](int n) {
    if (n == 10) sb::GameManager::getInstance().setGameOver();
  };
  std::atomic<bool> running{true};
  pthread_t loop_thread = pthread_self();
  std::thread sender([&] {
    while (running) {
      pthread_kill(loop_thread, SIGWINCH);
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  });
  Clock::time_point start = Clock::now();
  sb::GameManager::getInstance().run();
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  running = false;
  sender.join();
  sigaction(SIGWINCH, &before, nullptr);
  EXPECT_GE(seconds, 9 * 0.040 - 0.01);  // nine whole sleeps at least
  std::string log = sbtest::readLog();
  EXPECT_EQ(sbtest::countOf(log, "nanosleep"), 0) << log;
}

}  // namespace

namespace {

// Runs the loop until a step handler raises SIGINT at step 3; the process ends there.
void interruptAtStepThree() {
  sb::LogManager::getInstance().setLogLevel(1);
  if (sbtest::startEngine("headless:true,\nframe_time:5,\n") != 0) exit(10);
  Stepper *p_stepper = new Stepper;
  p_stepper->action = [](int n) {
    if (n == 3) raise(SIGINT);
  };
  sb::GameManager::getInstance().run();
  exit(11);  // not reached: Ctrl-C ends the process
}

}  // namespace

// Ctrl-C during the loop finishes the step, shuts every manager down in order
// and exits with the signal number.
TEST(GameLoop, CtrlCShutsDownAndExitsWithTheSignal) {
  sbtest::tempDir();  // made here, so the child process writes its log where we read
  EXPECT_EXIT(interruptAtStepThree(), testing::ExitedWithCode(2), "");
  std::string log = sbtest::readLog();
  size_t signal_at = log.find("doShutDown(): Signal is 2.  Shutting down.");
  ASSERT_NE(signal_at, std::string::npos) << log;
  size_t previous = signal_at;
  for (const char *line : {"Path manager stopped", "World manager stopped",
                           "Resource manager stopped", "Input manager stopped",
                           "Display manager stopped", "** Game engine stopped **"}) {
    size_t at = log.find(line, previous);
    EXPECT_NE(at, std::string::npos) << line;
    previous = at;
  }
  EXPECT_EQ(sbtest::countOf(log, "Error in nanosleep()"), 0);
}

namespace {

// Counts its deletions; the destructor can run an action during shut-down.
class Tripwire : public sb::Object {
 public:
  std::function<void()> on_destroy;
  Tripwire() { setSolidness(sb::SPECTRAL); }
  ~Tripwire() override {
    if (on_destroy) on_destroy();
  }
};

// A step that never ends after Ctrl-C: a second Ctrl-C ends the process at
// once with status 2, without running shut-down inside the handler.
void secondCtrlCInANeverEndingStep() {
  if (sbtest::startEngine("headless:true,\nframe_time:5,\n") != 0) exit(10);
  sb::LogManager::getInstance().setFlush(true);  // _exit() drops buffered lines
  sb::LogManager::getInstance().setLogLevel(1);
  Stepper *p_stepper = new Stepper;
  p_stepper->action = [](int n) {
    if (n != 2) return;
    raise(SIGINT);  // recorded: the loop acts on it at the end of the step
    raise(SIGINT);  // the step has not ended: this one ends the process
    exit(12);       // not reached
  };
  sb::GameManager::getInstance().run();
  exit(11);
}

// A Ctrl-C during shut-down (here from a destructor) ends the process at once
// instead of running shut-down a second time inside the signal handler.
void ctrlCDuringShutDown() {
  if (sbtest::startEngine("headless:true,\nframe_time:5,\n") != 0) exit(10);
  sb::LogManager::getInstance().setFlush(true);
  sb::LogManager::getInstance().setLogLevel(1);
  Tripwire *p_wire = new Tripwire;
  p_wire->on_destroy = [] { raise(SIGINT); };
  Stepper *p_stepper = new Stepper;
  p_stepper->action = [](int n) {
    if (n == 2) raise(SIGINT);
  };
  sb::GameManager::getInstance().run();
  exit(11);
}

}  // namespace

TEST(GameLoop, SecondCtrlCEndsTheProcessAtOnce) {
  sbtest::tempDir();
  EXPECT_EXIT(secondCtrlCInANeverEndingStep(), testing::ExitedWithCode(2), "");
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "doShutDown()"), 0);

  EXPECT_EXIT(ctrlCDuringShutDown(), testing::ExitedWithCode(2), "");
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "doShutDown(): Signal is 2."), 1);
}

namespace {

// run() before startUp() (or after shutDown()) would spin without a frame
// wait: it refuses with one line on standard error and returns at once.
TEST(GameLoop, RunBeforeStartUpRefusesWithOneLine) {
  sb::GameManager &gm = sb::GameManager::getInstance();
  if (gm.isStarted()) gm.shutDown();
  sbtest::StderrCapture capture;
  Clock::time_point start = Clock::now();
  gm.run();
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::vector<std::string> lines = sbtest::logMessages(capture.text());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "GameManager::run(): Error! GameManager not started; call startUp() first.");
  EXPECT_LT(seconds, 0.5);
}

}  // namespace
