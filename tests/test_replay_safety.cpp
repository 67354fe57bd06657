// What recording and replaying must never do: write files the recording
// names, lose a crashed game's steps, write what it will not read back, call
// a diverged replay a success, or hang on a file that is not a file. A small
// world driven by recorded keys is recorded and replayed in this process (or
// in a death test's child, for the crashes).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "Sorbelane.h"
#include "support/ProgramRunner.h"
#include "support/TestEngine.h"

namespace {

// Movers that turn recorded keys into motion; at crash_step the process
// takes crash_signal.
class KeyDriver : public sb::Object {
 public:
  KeyDriver(int last_step, int crash_step, int crash_signal)
      : last_step(last_step), crash_step(crash_step), crash_signal(crash_signal) {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::STEP_EVENT);
    registerInterest(sb::KEYBOARD_EVENT);
    for (int i = 0; i < 6; i++) {
      sb::Object *p = new sb::Object;
      p->setSolidness(sb::SPECTRAL);
      p->setPosition(sb::Vector(static_cast<float>(5 + 9 * i), 4.0f + i));
      movers.push_back(p);
    }
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->typeRef() == sb::KEYBOARD_EVENT) {
      int key = static_cast<const sb::EventKeyboard *>(p_e)->getKey();
      movers[key % movers.size()]->setVelocity(sb::Vector(0.25f * (key % 3), 0.125f));
      return 1;
    }
    if (p_e->typeRef() != sb::STEP_EVENT) return 0;
    int step = static_cast<const sb::EventStep *>(p_e)->getStepCount();
    if (step == crash_step) {
      if (crash_signal == 0) std::exit(0);  // without shutting the engine down
      raise(crash_signal);
    }
    if (!sb::Replay::getInstance().isReplaying() && step % 3 == 0) {
      sb::EventKeyboard key;  // a key as the window would hand it over
      key.setKey(static_cast<sb::Keyboard::Key>(36 + step % 26));
      key.setKeyboardAction(sb::KEY_PRESSED);
      sb::Recorder::getInstance().recordInput(&key, false);
      sb::InputManager::getInstance().Manager::onEvent(&key);
    }
    if (step >= last_step) sb::GameManager::getInstance().setGameOver();
    return 1;
  }

 private:
  std::vector<sb::Object *> movers;
  int last_step, crash_step, crash_signal;
};

// Runs the world under config (headless); the log, or "no start: LOG".
std::string runWorld(const std::string &config, int last_step = 40, int crash_step = -1,
                     int crash_signal = 0) {
  if (sbtest::startEngine(config + "headless:true,\nframe_time:0,\n") != 0)
    return "no start: " + sbtest::readLog();
  new KeyDriver(last_step, crash_step, crash_signal);
  sb::GameManager::getInstance().run();
  sb::GameManager::getInstance().shutDown();
  return sbtest::readLog();
}

std::string record(const std::string &file, const std::string &more = "") {
  return runWorld("random_seed:3,\nrecord:" + file + ",\nrecord_check:1,\n" + more);
}

// The step of the last line of a kind ("sum", "key") in a recording, or -1.
int lastStepOf(const sb::Recording &recording, sb::RecordedKind kind) {
  int last = -1;
  for (const sb::RecordedEvent &e : recording.events)
    if (e.kind == kind) last = e.step;
  return last;
}

}  // namespace

// Output files come from the replaying run alone: a cast the recording names
// (even the recording itself) is not written, a game's output key is empty,
// while a game key that shapes the game comes from the recording.
TEST(ReplaySafety, AReplayWritesNoFileItsRecordingNames) {
  sb::Config &config = sb::Config::getInstance();
  config.addKey("test_output_file", true);
  config.addKey("test_game_rule");
  std::string dir = sbtest::tempDir();
  for (std::string victim : {dir + "/victim.cast", dir + "/self.rec"}) {
    SCOPED_TRACE(victim);
    std::string file = dir + "/self.rec";
    record(file, "cast:" + victim + ",\ntest_output_file:" + dir + "/victim.txt,\n"
                 "test_game_rule:5,\n");
    if (victim != file) sbtest::writeFile(victim, "precious");
    std::string recorded = sbtest::readFile(file);
    ASSERT_NE(recorded.find("\nend 41\n"), std::string::npos) << recorded;

    ASSERT_EQ(sbtest::startEngine("headless:true,\nreplay:" + file + ",\n"), 0) << sbtest::readLog();
    EXPECT_EQ(config.match("cast"), "");
    EXPECT_EQ(config.match("test_output_file"), "");
    EXPECT_EQ(config.match("test_game_rule"), "5");
    new KeyDriver(40, -1, 0);
    sb::GameManager::getInstance().run();
    sb::GameManager::getInstance().shutDown();
    EXPECT_NE(sbtest::readLog().find("Replay matched to the end (41 steps)."), std::string::npos)
        << sbtest::readLog();
    EXPECT_EQ(sbtest::readFile(victim), victim == file ? recorded : "precious");
  }
  config.removeKey("test_output_file");
  config.removeKey("test_game_rule");
}

// A crash, a kill or an exit without shut-down after 300 steps leaves a
// recording that replays: every step up to the last checksum, and after a
// crash signal or an exit every whole line.
TEST(ReplaySafety, ACrashOrAKillLeavesEveryStepUpToTheLastChecksum) {
  for (int signal : {SIGSEGV, SIGABRT, SIGKILL, 0}) {
    SCOPED_TRACE(signal);
    std::string file = sbtest::tempDir() + "/crash-" + std::to_string(signal) + ".rec";
    // A sanitizer reports a segmentation fault and exits instead of dying by it.
    EXPECT_EXIT(runWorld("random_seed:3,\nrecord:" + file + ",\n", 1000, 300, signal),
                [](int) { return true; }, "");
    sb::Recording recording;
    std::string fault;
    ASSERT_EQ(recording.parse(sbtest::readFile(file), fault), 0) << fault;
    EXPECT_EQ(recording.end_steps, -1);
    EXPECT_EQ(lastStepOf(recording, sb::RecordedKind::CHECK), 270);
    EXPECT_EQ(lastStepOf(recording, sb::RecordedKind::KEY), signal == SIGKILL ? 270 : 297);
    std::string log = runWorld("replay:" + file + ",\n", 1000);
    EXPECT_EQ(log.find("diverged"), std::string::npos) << log;
    EXPECT_NE(log.find("Replay: the recording is cut short"), std::string::npos) << log;
  }
}

// The writer refuses, at start-up and with a log line, what the reader
// would refuse; whatever it writes replays.
TEST(ReplaySafety, WhatCannotBeReplayedIsNotRecorded) {
  struct Case {
    std::string config;
    const char *refusal;  // the log's reason, or null when it records
  };
  const std::string big(150 * 1024, 'x');
  const char *unreplayable = "could not be replayed";
  const std::vector<Case> cases = {
      {"frame_time:1000,", unreplayable},
      {"frame_time:-5,", unreplayable},
      {"long_game_key:" + big + ",", unreplayable},
      {"window_horizontal_chars:20000,", "is more than 4096 a side"},
      {"window_vertical_chars:1,", nullptr},
      {"frame_time:1,", nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.config.substr(0, 40));
    std::string file = sbtest::tempDir() + "/limits.rec";
    unlink(file.c_str());
    std::string log = runWorld("record:" + file + ",\n" + c.config + "\n", 3);
    bool refused = log.compare(0, 10, "no start: ") == 0;
    EXPECT_EQ(refused, c.refusal != nullptr) << log.substr(0, 2000);
    if (refused) {
      if (c.refusal) {
        EXPECT_NE(log.find(c.refusal), std::string::npos) << log.substr(0, 2000);
      }
      struct stat st;
      EXPECT_NE(stat(file.c_str(), &st), 0) << "a refused recording leaves no file";
      sb::GameManager::getInstance().shutDown();
      continue;
    }
    log = runWorld("replay:" + file + ",\n", 3);
    EXPECT_NE(log.find("Replay matched to the end (4 steps)."), std::string::npos) << log;
  }
}

namespace {

// Keeps the characters of the key presses it hears.
class TypedKeys : public sb::Object {
 public:
  TypedKeys() {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::KEYBOARD_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::KEYBOARD_EVENT) return 0;
    typed.push_back(static_cast<const sb::EventKeyboard *>(p_e)->getCharacter());
    return 1;
  }
  std::u32string typed;
};

}  // namespace

// Input a program reads before its first step (or after its last) belongs
// to the step the end line closes: written, read back and handed over when
// the replaying program asks for input, with nothing left over.
TEST(ReplaySafety, InputOutsideAnyStepIsRecordedAndReplayed) {
  std::string file = sbtest::tempDir() + "/no-step.rec";
  ASSERT_EQ(sbtest::startEngine("headless:true,\nrandom_seed:5,\nrecord:" + file + ",\n"), 0);
  sb::EventKeyboard key;
  key.setKey(sb::Keyboard::PERIOD);
  key.setKeyboardAction(sb::KEY_PRESSED);
  key.setCharacter('>');
  sb::Recorder::getInstance().recordInput(&key, true);  // as a key read before the loop is
  sb::GameManager::getInstance().shutDown();
  std::string text = sbtest::readFile(file);
  EXPECT_NE(text.find("\n0 key term PERIOD press U+003E\nend 0\n"), std::string::npos) << text;

  ASSERT_EQ(sbtest::startEngine("headless:true,\nreplay:" + file + ",\n"), 0) << sbtest::readLog();
  TypedKeys *p_keys = new TypedKeys;
  sb::InputManager::getInstance().getInput();
  EXPECT_EQ(p_keys->typed, U">");
  sb::GameManager::getInstance().shutDown();
  EXPECT_NE(sbtest::readLog().find("Replay matched to the end (0 steps)."), std::string::npos)
      << sbtest::readLog();
  EXPECT_EQ(sb::Replay::getInstance().getExitStatus(), 0);
}

// A world that differs at one checksum is named for what differs there: an
// object, the count alone or the order alone (every digest agreeing), and
// the replay's exit status says it diverged, also in a program's exit.
TEST(ReplaySafety, ADivergedReplayNamesWhatDiffersAndExitsNonZero) {
  std::string file = sbtest::tempDir() + "/tamper.rec";
  record(file);
  std::string text = sbtest::readFile(file);
  size_t at = text.find("\n20 sum ");
  ASSERT_NE(at, std::string::npos) << text;
  at += 8;
  size_t hash = text.find(' ', at) + 1, digests = text.find(' ', hash) + 1;
  int count = std::stoi(text.substr(at, hash - 1 - at));
  struct Case {
    std::string what;
    std::string tampered;
    std::string said;
  };
  auto flipped = [](char c) { return c == '0' ? "1" : "0"; };
  std::vector<Case> cases = {
      {"nothing", text, ""},
      {"hash", text.substr(0, hash) + flipped(text[hash]) + text.substr(hash + 1),
       "every object's digest agrees: only the objects' order differs"},
      {"count", text.substr(0, at) + std::to_string(count + 1) + text.substr(hash - 1),
       "only the object count differs"},
      {"digest 3", text.substr(0, hash) + flipped(text[hash]) + text.substr(hash + 1, digests + 5 - hash) +
                       flipped(text[digests + 6]) + text.substr(digests + 7),
       "first differing object #3: id "},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    sbtest::writeFile(file, c.tampered);
    std::string log = runWorld("replay:" + file + ",\n");
    EXPECT_EQ(sb::Replay::getInstance().getExitStatus(), c.said.empty() ? 0 : 3);
    if (c.said.empty()) {
      EXPECT_NE(log.find("Replay matched to the end"), std::string::npos) << log;
      continue;
    }
    EXPECT_NE(log.find("Replay diverged at step 20: "), std::string::npos) << log;
    EXPECT_NE(log.find(c.said), std::string::npos) << log;
    if (c.what != "digest 3") {
      EXPECT_EQ(log.find("first differing object"), std::string::npos);
    }
  }

  // A program that replayed ends with the documented status.
  sbtest::ProgramRun pingle;
  pingle.binary = PINGLE_GRID_BIN;
  pingle.config = "headless:true,\nrandom_seed:11,\nrun-time:20,\niteration-max:1,\n"
                  "frame_time:1,\nrecord:pingle.rec,\nrecord_check:5,\n";
  sbtest::ProgramResult recorded = sbtest::runProgram(pingle);
  ASSERT_EQ(recorded.status, 0) << recorded.log;
  std::string rec = sbtest::readFile(recorded.dir + "/pingle.rec");
  size_t sum = rec.find(" sum ", rec.find("\n10 sum ") + 1);
  ASSERT_NE(sum, std::string::npos);
  size_t hash_at = rec.find(' ', sum + 5) + 1;
  rec[hash_at] = rec[hash_at] == '0' ? '1' : '0';
  std::string tampered = recorded.dir + "/tampered.rec";
  sbtest::writeFile(tampered, rec);
  pingle.config = "headless:true,\nreplay:" + tampered + ",\n";
  sbtest::ProgramResult replayed = sbtest::runProgram(pingle);
  EXPECT_EQ(replayed.status, sb::Replay::DIVERGED_STATUS) << replayed.log;
  EXPECT_NE(replayed.log.find("Replay diverged at step"), std::string::npos) << replayed.log;
}

// A recording to replay that is a FIFO, a directory or a device is refused
// at once, not waited for or read for ever.
TEST(ReplaySafety, ARecordingThatIsNotARegularFileIsRefused) {
  std::string fifo = sbtest::tempDir() + "/replay.fifo", folder = sbtest::tempDir() + "/replay.d";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  for (const std::string &name : {fifo, folder, std::string("/dev/zero")}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(sbtest::startEngine("headless:true,\nreplay:" + name + ",\n"), -1);
    EXPECT_NE(sbtest::readLog().find("Recording '" + name + "' refused, line 0: not a regular file"),
              std::string::npos)
        << sbtest::readLog();
    sb::GameManager::getInstance().shutDown();
  }
  unlink(fifo.c_str());
  rmdir(folder.c_str());
}

// The cast of a replay ends as a terminal is handed back (cursor shown, the
// normal screen back); a cast named for a terminal that cannot start keeps
// the file as it was.
TEST(ReplaySafety, ACastEndsWithTheHandBackAndNeedsATerminalToStart) {
  std::string file = sbtest::tempDir() + "/cast.rec", cast = sbtest::tempDir() + "/replay.cast";
  record(file);
  runWorld("replay:" + file + ",\ncast:" + cast + ",\n");
  std::string text = sbtest::readFile(cast);
  ASSERT_GT(text.size(), 10u);
  std::string last = text.substr(text.rfind('\n', text.size() - 2) + 1);
  EXPECT_NE(last.find("\\u001b[?1049l"), std::string::npos) << last;
  EXPECT_NE(last.find("\\u001b[?25h"), std::string::npos) << last;

  if (isatty(STDOUT_FILENO) || isatty(STDERR_FILENO)) GTEST_SKIP() << "run on a terminal";
  sbtest::writeFile(cast, "precious");
  EXPECT_EQ(sbtest::startEngine("terminal:true,\ncast:" + cast + ",\n"), -1);
  EXPECT_EQ(sbtest::readFile(cast), "precious");
}
