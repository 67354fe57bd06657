// The log: level filtering, line prefixes, extra named files, standard error
// before start-up and a log file that cannot be opened.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "Config.h"
#include "EventStep.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Object.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

std::string lastLine(const std::string &text) {
  std::vector<sbtest::LogLine> lines = sbtest::parseLog(text);
  return lines.empty() ? "" : lines.back().raw;
}

TEST(Log, LevelFilteringAndResult) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager &log = sb::LogManager::getInstance();
  log.setLogLevel(0);
  EXPECT_EQ(log.getLogLevel(), 0);

  EXPECT_EQ(log.writeLog(1, "hidden %d", 1), 0);
  EXPECT_EQ(log.writeLog("shown %d", 7), 7);  // characters of the message body
  log.setLogLevel(3);
  EXPECT_EQ(log.writeLog(3, "at three"), 8);
  EXPECT_EQ(log.writeLog(4, "hidden at four"), 0);
  EXPECT_EQ(log.writeLog(-2, "negative %s", "level"), 14);

  std::string text = sbtest::readLog();
  EXPECT_EQ(sbtest::countOf(text, "hidden"), 0);
  EXPECT_TRUE(sbtest::hasMessage(text, "shown 7"));
  EXPECT_TRUE(sbtest::hasMessage(text, "at three"));
  EXPECT_TRUE(sbtest::hasMessage(text, "negative level"));
}

TEST(Log, PrefixesTimeAndStepCount) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager &log = sb::LogManager::getInstance();

  log.writeLog("both prefixes");
  EXPECT_TRUE(std::regex_match(lastLine(sbtest::readLog()),
                               std::regex(R"(\d\d:\d\d:\d\d    0 both prefixes)")))
      << lastLine(sbtest::readLog());

  log.setLogTimeString(false);
  log.writeLog("step only");
  EXPECT_EQ(lastLine(sbtest::readLog()), "   0 step only");

  log.setLogTimeString(true);
  log.setLogStepCount(false);
  log.writeLog("time only");
  EXPECT_TRUE(std::regex_match(lastLine(sbtest::readLog()),
                               std::regex(R"(\d\d:\d\d:\d\d time only)")));

  // Both off: exactly the message and a newline; a message's own newline
  // gives an empty line after it.
  log.setLogTimeString(false);
  std::string before = sbtest::readLog();
  log.writeLog("plain %s", "text");
  log.writeLog("own newline\n");
  std::string after = sbtest::readLog();
  EXPECT_EQ(after.substr(before.size()), "plain text\nown newline\n\n");

  std::string time = sb::getTimeString();
  EXPECT_TRUE(std::regex_match(time, std::regex(R"(\d\d:\d\d:\d\d)"))) << time;
}

// Writes one line from inside the 10,000th step and ends the game there.
class WideStep : public sb::Object {
 public:
  WideStep() {
    registerInterest(sb::STEP_EVENT);
    setSolidness(sb::SPECTRAL);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::STEP_EVENT) return 0;
    int step = static_cast<const sb::EventStep *>(p_e)->getStepCount();
    if (step == 9999) sb::LogManager::getInstance().writeLog("four digits");
    if (step == 10000) {
      sb::LogManager::getInstance().writeLog("five digits");
      sb::GameManager::getInstance().setGameOver();
    }
    return 1;
  }
};

TEST(Log, StepCountWidensBeyondFourColumns) {
  // Frame time 0: the loop never sleeps, so 10,001 steps take very little time.
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:0,\n"), 0);
  new WideStep;
  sb::GameManager::getInstance().run();
  std::string text = sbtest::readLog();
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n\d\d:\d\d:\d\d 9999 four digits\n)")));
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n\d\d:\d\d:\d\d 10000 five digits\n)")));
}

TEST(Log, NamedLogFiles) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager &log = sb::LogManager::getInstance();
  log.setLogLevel(5);
  log.setLogTimeString(false);
  log.setLogStepCount(false);

  // The configured log name is the main log, and so is the name the
  // environment gave it (or any other path to that file): the open main log is
  // appended to, never reopened and truncated.
  std::string main_name = sb::Config::getInstance().getLogFile();
  EXPECT_EQ(log.writeMyLog(main_name, "into main %d", 1), 11);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(), "into main 1"));
  std::string env_name = sbtest::logPath();
  ASSERT_NE(env_name, main_name);
  std::string other_path = sbtest::tempDir() + "/./sorbelane.log";
  for (const std::string &name : {env_name, other_path})
    EXPECT_EQ(log.writeMyLog(name, "via %s", "another name"), 16);
  std::string after = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(after, "into main 1"));
  EXPECT_EQ(sbtest::countMessage(after, "via another name"), 2);

  // A new name is truncated on first use and reused afterwards.
  std::string extra = sbtest::tempDir() + "/extra.log";
  ASSERT_TRUE(sbtest::writeFile(extra, "old content\n"));
  EXPECT_EQ(log.writeMyLog(extra, "first %d", 1), 7);
  EXPECT_EQ(log.writeMyLog(extra, 6, "filtered"), 0);
  EXPECT_EQ(log.writeMyLog(extra, 5, "second"), 6);
  fflush(nullptr);
  EXPECT_EQ(sbtest::readFile(extra), "first 1\nsecond\n");

  std::string main_text = sbtest::readLog();
  EXPECT_EQ(sbtest::countMessage(main_text, "File " + extra + " is new."), 1);
  EXPECT_EQ(sbtest::countOf(main_text, "first 1"), 0);

  // Shut-down closes the extra file; the text is all there.
  sb::GameManager::getInstance().shutDown();
  EXPECT_EQ(sbtest::readFile(extra), "first 1\nsecond\n");
}

TEST(Log, LinesGoToStandardErrorWhenNotStarted) {
  sbtest::StderrCapture capture;
  int n = sb::LogManager::getInstance().writeLog("early %d", 3);
  std::string text = capture.text();
  EXPECT_EQ(n, 7);
  EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d\d:\d\d:\d\d    0 early 3\n)"))) << text;

  // And again once the log has been stopped.
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::GameManager::getInstance().shutDown();
  sbtest::StderrCapture after;
  sb::LogManager::getInstance().writeLog("late");
  std::string late = after.text();
  EXPECT_TRUE(sbtest::hasMessage(late, "late")) << late;
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "late"), 0);
}

TEST(Log, UnopenableLogFileFailsStartUp) {
  std::string dir = sbtest::tempDir();
  std::string config = dir + "/sb-config.txt";
  ASSERT_TRUE(sbtest::writeFile(config, "headless:true,\n"));
  std::string bad = dir + "/no-such-dir/sorbelane.log";
  setenv("SORBELANE_CONFIG", config.c_str(), 1);
  setenv("SORBELANE_LOG", bad.c_str(), 1);

  sbtest::StderrCapture capture;
  int log_result = sb::LogManager::getInstance().startUp();
  int game_result = sb::GameManager::getInstance().startUp();
  std::string text = capture.text();

  EXPECT_EQ(log_result, -1);
  EXPECT_EQ(game_result, -1);
  EXPECT_FALSE(sb::LogManager::getInstance().isStarted());
  EXPECT_EQ(sbtest::countMessage(
                text, "LogManager::startup(): Warning! Unable to open file '" + bad + "'."),
            2)
      << text;
  EXPECT_TRUE(sbtest::hasMessage(text, "Error starting log manager!")) << text;
}

TEST(Log, SecondStartUpIsRefused) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EXPECT_EQ(sb::LogManager::getInstance().startUp(), -1);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(),
                                 "LogManager::startup(): Warning! LogManager already started."));
  EXPECT_TRUE(sb::LogManager::getInstance().isStarted());
}

}  // namespace
