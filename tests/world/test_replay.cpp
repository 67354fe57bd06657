// Recording a game and replaying it, in both scene-graph builds: a world of
// bouncing balls driven by input events is recorded, replayed to the same
// checksums, and a replay that is tampered with at one step is caught at that
// step. Pingle's seeded runs give the same checksums every time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Ball.h"
#include "Sorbelane.h"
#include "support/ProgramRunner.h"
#include "support/TestEngine.h"

namespace {

// Turns input into world changes, so that a replay without the recorded
// input could not match: a key press sends one ball off, a click moves it.
// It ends the game at a given step and, when asked, changes one ball's
// velocity at another step behind the recording's back.
class Driver : public sb::Object {
 public:
  Driver(std::vector<sb::Object *> balls, int last_step, int tamper_step)
      : balls(std::move(balls)), last_step(last_step), tamper_step(tamper_step) {
    setSolidness(sb::SPECTRAL);
    setVisible(false);
    registerInterest(sb::STEP_EVENT);
    registerInterest(sb::KEYBOARD_EVENT);
    registerInterest(sb::MSE_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    const std::string &type = p_e->typeRef();
    if (type == sb::KEYBOARD_EVENT) {
      auto p_key = static_cast<const sb::EventKeyboard *>(p_e);
      balls[p_key->getKey() % balls.size()]->setVelocity(sb::Vector(0.5f, 0.25f));
      return 1;
    }
    if (type == sb::MSE_EVENT) {
      auto p_mouse = static_cast<const sb::EventMouse *>(p_e);
      balls[0]->setPosition(p_mouse->getMousePosition());
      return 1;
    }
    if (type != sb::STEP_EVENT) return 0;
    int step = static_cast<const sb::EventStep *>(p_e)->getStepCount();
    if (step == tamper_step) balls[3]->setVelocity(balls[3]->getVelocity() + sb::Vector(0.01f, 0));
    // What a player would type and click, handed over as the window would.
    sb::InputManager &input = sb::InputManager::getInstance();
    if (inject && step % 7 == 3) {
      sb::EventKeyboard key;
      key.setKey(static_cast<sb::Keyboard::Key>(step % 40));
      key.setKeyboardAction(sb::KEY_PRESSED);
      sb::Recorder::getInstance().recordInput(&key, false);
      input.Manager::onEvent(&key);
    }
    if (inject && step % 11 == 5) {
      sb::EventMouse click;
      click.setMouseAction(sb::CLICKED);
      click.setMouseButton(sb::Mouse::LEFT);
      click.setMousePosition(sb::Vector(static_cast<float>(step % 70) + 0.5f, 7.25f));
      sb::Recorder::getInstance().recordInput(&click, false);
      input.Manager::onEvent(&click);
    }
    if (step >= last_step) sb::GameManager::getInstance().setGameOver();
    return 1;
  }
  bool inject = false;

 private:
  std::vector<sb::Object *> balls;
  int last_step, tamper_step;
};

// Runs the ball world once under config; the recording run injects input
// (written to the recording before the step's events), a replay gets it
// from the recording.
std::string runBalls(const std::string &config, bool inject, int tamper_step = -1,
                     int last_step = 89) {
  if (sbtest::startEngine("headless:true,\n" + config) != 0) return "no start: " + sbtest::readLog();
  std::vector<sb::Object *> balls;
  for (int i = 0; i < 40; i++) balls.push_back(new Ball);
  Driver *p_driver = new Driver(balls, last_step, tamper_step);
  p_driver->inject = inject;
  sb::GameManager::getInstance().run();
  sb::GameManager::getInstance().shutDown();
  return sbtest::readLog();
}

}  // namespace

TEST(Replay, ReplaysToTheSameChecksumsAndCatchesOneChangedVelocityAtItsStep) {
  std::string file = sbtest::tempDir() + "/balls.rec";
  runBalls("random_seed:5,\nframe_time:1,\nrecord:" + file + ",\nrecord_check:1,\n", true);
  std::string text = sbtest::readFile(file);
  ASSERT_NE(text.find("\n89 sum "), std::string::npos) << text;
  ASSERT_NE(text.find("\nend 90\n"), std::string::npos) << text;
  EXPECT_GT(sbtest::countOf(text, " key win "), 5);
  EXPECT_GT(sbtest::countOf(text, " mouse win clicked left "), 5);

  // The recording's seed, not this configuration's, and its input.
  std::string log = runBalls("random_seed:99,\nreplay:" + file + ",\n", false);
  EXPECT_NE(log.find("Replay matched to the end (90 steps)."), std::string::npos) << log;
  EXPECT_EQ(log.find("diverged"), std::string::npos) << log;

  // Without the recorded input the world would differ: the feed is what matched.
  for (int tamper : {0, 37, 60}) {
    log = runBalls("replay:" + file + ",\n", false, tamper);
    EXPECT_NE(log.find("Replay diverged at step " + std::to_string(tamper) + ":"),
              std::string::npos)
        << log;
    EXPECT_EQ(sbtest::countOf(log, "Replay diverged at step"), 1) << log;
    EXPECT_EQ(log.find("matched to the end"), std::string::npos);
  }

  // Stopping at the first divergence ends the loop in that step.
  log = runBalls("replay:" + file + ",\nreplay_on_divergence:stop,\n", false, 20);
  EXPECT_NE(log.find("Replay diverged at step 20:"), std::string::npos) << log;
  EXPECT_NE(log.find("stopped at the first divergence at step 20."), std::string::npos) << log;

  // A game that ends before its recording did has diverged as well.
  log = runBalls("replay:" + file + ",\n", false, -1, 50);
  EXPECT_NE(log.find("the game ended before the recording's end (90 steps)"), std::string::npos)
      << log;
}

TEST(Replay, ARecordingFromTheOtherBuildIsRefused) {
  std::string file = sbtest::tempDir() + "/build.rec";
  runBalls("random_seed:5,\nframe_time:1,\nrecord:" + file + ",\n", true, -1, 5);
  std::string text = sbtest::readFile(file);
  const std::string mine = SORBELANE_GRID ? "build GRID" : "build SIMPLE";
  const std::string other = SORBELANE_GRID ? "build SIMPLE" : "build GRID";
  ASSERT_NE(text.find(mine), std::string::npos);
  text.replace(text.find(mine), mine.size(), other);
  sbtest::writeFile(file, text);
  EXPECT_EQ(sbtest::startEngine("headless:true,\nreplay:" + file + ",\n"), -1);
  EXPECT_NE(sbtest::readLog().find("line 3: made by the " + other.substr(6) + " build"),
            std::string::npos)
      << sbtest::readLog();
}

// Pingle takes no input; its seeded runs of fixed length must put every
// ball at the same place with the same velocity, step for step, every run.
TEST(Replay, PingleSeededRunsGiveTheSameChecksumsEveryRun) {
  std::vector<std::string> sums;
  for (int run = 0; run < 2; run++) {
    sbtest::ProgramRun program;
    program.binary = SORBELANE_GRID ? PINGLE_GRID_BIN : PINGLE_SIMPLE_BIN;
    program.config = "headless:true,\nrandom_seed:11,\nrun-time:60,\niteration-max:2,\n"
                     "balls-per-step:4,\nframe_time:1,\nrecord:pingle.rec,\nrecord_check:5,\n";
    sbtest::ProgramResult result = sbtest::runProgram(program);
    ASSERT_EQ(result.status, 0) << result.log;
    std::string text = sbtest::readFile(result.dir + "/pingle.rec");
    std::string only_sums;
    for (size_t at = text.find(" sum "); at != std::string::npos; at = text.find(" sum ", at + 1))
      only_sums += text.substr(at, text.find('\n', at) - at) + "\n";
    EXPECT_GT(sbtest::countOf(only_sums, "sum"), 20);
    sums.push_back(only_sums);
  }
  EXPECT_EQ(sums[0], sums[1]);
}
