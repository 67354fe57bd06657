// End-to-end runs of the real benchmark programs, headless and in a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/CoreChecks.h"
#include "support/ProgramRunner.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

using sbtest::countLines;
using sbtest::inOrder;
using sbtest::ProgramResult;
using sbtest::ProgramRun;
using sbtest::runProgram;

const char kBanner[] = "Pingle - a Sorbelane Benchmark (v3.4)\n";

struct Program {
  const char *name;
  const char *binary;
  const char *scene_graph;  // what the world manager's start-up reports
};

void PrintTo(const Program &program, std::ostream *out) { *out << program.name; }

const Program kGrid = {"grid", PINGLE_GRID_BIN, "Scenegraph configuration: GRID"};
const Program kSimple = {"simple", PINGLE_SIMPLE_BIN, "Scenegraph configuration: SIMPLE"};

std::string headless(const std::string &options) {
  return "headless:true,\n" + sbtest::fontConfig() + options;
}

ProgramResult runWith(const Program &program, const std::string &config) {
  ProgramRun run;
  run.binary = program.binary;
  run.config = config;
  return runProgram(run);
}

// Step lines, not the "Balls per step" option line.
int stepLines(const std::string &log) { return countLines(log, {"PINGLE: Balls ", ". Step "}); }

class PingleProgram : public ::testing::TestWithParam<Program> {};

// A fixed run length makes the mark the same on every machine: each of the
// three iterations stops at step 51 and credits 51 - 15 balls.
TEST_P(PingleProgram, RunTimeFiftyScoresThirtySixAndLogsEveryStep) {
  ProgramResult result = runWith(GetParam(), headless("run-time:50,\n"));
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            std::string(kBanner) + "** Objects pinglemark (average of 3 iterations): 36 **\n");

  const std::string &log = result.log;
  EXPECT_TRUE(
      inOrder(log, {"PINGLE: Type of test: Object\n", "PINGLE: Balls per step: 1\n",
                    "PINGLE: Iteration max: 3\n", "PINGLE: Starting balls: 0\n",
                    "PINGLE: Run time (frames): 50\n", "GameManager::run(): starting game loop"}));
  EXPECT_EQ(stepLines(log), 3 * 51);
  // Every step line carries its measured time and the median in whole
  // milliseconds; their values depend on the machine, so only their form is checked.
  std::regex step_line(R"(PINGLE: Balls \d+\. Step \d+ - \d+ of 36 msec \( median \d+ \))");
  int well_formed = 0;
  for (const std::string &message : sbtest::logMessages(log))
    if (std::regex_match(message, step_line)) well_formed++;
  EXPECT_EQ(well_formed, 3 * 51);
  EXPECT_EQ(countLines(log, {"PINGLE: Balls 51. Step 51 - "}), 3);
  EXPECT_EQ(countLines(log, {". Step 52 - "}), 0);
  EXPECT_TRUE(
      inOrder(log, {"PINGLE: Iteration 1 - balls: 36\n", "PINGLE: Iteration 2 - balls: 36\n",
                    "PINGLE: Iteration 3 - balls: 36\n", "PINGLE: Average max objects: 36\n",
                    "GameManager::run(): end of game loop", "** Game engine stopped **"}));
  // The balls of an iteration are gone when the next one begins.
  EXPECT_EQ(countLines(log, {"PINGLE: Balls 1. Step 1 - "}), 3);
}

TEST_P(PingleProgram, StartUpLogShowsBannerConfigurationAndManagersInOrder) {
  ProgramResult result = runWith(GetParam(), headless("frame_time:10,\nrun-time:1,\n"
                                                      "iteration-max:1,\n"));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(inOrder(result.log, {"****************************************************\n",
                                   "** Sorbelane version 4.13 **\n",
                                   "** Game engine started **\n",
                                   "****************************************************\n",
                                   "Log Manager started.\n",
                                   "-----------------------------------\n",
                                   "Sorbelane configuration:\n",
                                   "  Window horizontal pixels: 1024\n",
                                   "  Window vertical pixels: 768\n",
                                   "  Window horizontal characters: 80\n",
                                   "  Window vertical characters: 24\n",
                                   "  Frame time: 10\n",
                                   "  Headless: true\n",
                                   "  Font file: " + sbtest::fontPath() + "\n",
                                   "  Networking: false\n",
                                   "  Grid width: 20\n",
                                   "  Grid height: 8\n",
                                   "-----------------------------------\n",
                                   "Display manager started.\n",
                                   "Input manager started.\n",
                                   "Resource manager started.\n",
                                   GetParam().scene_graph,
                                   "World manager started.\n",
                                   "Path manager started.\n",
                                   "PINGLE: Type of test: Object\n"}))
      << result.log;
  EXPECT_EQ(result.log.find("Network manager"), std::string::npos);
  // run-time 1 stops at step 2, crediting 2 - 15.
  EXPECT_EQ(result.out,
            std::string(kBanner) + "** Objects pinglemark (average of 1 iteration): -13 **\n");
}

// An empty configuration means the defaults: object test, 1 ball a step, no
// starting balls, 3 iterations, no run time. Such a run only ends by Ctrl-C.
TEST_P(PingleProgram, InterruptStopsEveryManagerInOrderWithStatusTwo) {
  ProgramRun run;
  run.binary = GetParam().binary;
  run.config = headless("");
  run.interrupt_when = "PINGLE: Balls 5. Step 5 - ";
  run.timeout_ms = 30000;
  ProgramResult result = runProgram(run);
  ASSERT_TRUE(result.interrupted) << result.log;
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, kBanner);
  EXPECT_TRUE(inOrder(result.log, {"PINGLE: Type of test: Object\n", "PINGLE: Balls per step: 1\n",
                                   "PINGLE: Iteration max: 3\n", "PINGLE: Starting balls: 0\n",
                                   "GameManager::run(): starting game loop"}));
  EXPECT_EQ(result.log.find("Run time (frames)"), std::string::npos);
  EXPECT_TRUE(inOrder(result.log, {"doShutDown(): Signal is 2.  Shutting down.\n",
                                   "Path manager stopped\n", "World manager stopped\n",
                                   "Resource manager stopped\n", "Input manager stopped\n",
                                   "Display manager stopped\n", "** Game engine stopped **\n"}))
      << result.log;
}

TEST_P(PingleProgram, UnopenableLogFileEndsWithStatusOneAfterTheBanner) {
  ProgramRun run;
  run.binary = GetParam().binary;
  run.config = headless("");
  run.env["SORBELANE_LOG"] = "/nonexistent/dir/x.log";
  run.timeout_ms = 20000;
  ProgramResult result = runProgram(run);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, kBanner);
  EXPECT_TRUE(inOrder(
      result.err, {"LogManager::startup(): Warning! Unable to open file '/nonexistent/dir/x.log'.",
                   "Error starting log manager!", "Error starting game manager!"}))
      << result.err;
}

// The program's frame rate display and window; drawing happens every step.
TEST_P(PingleProgram, RunsInAWindowWithTheFrameRateDisplay) {
  ASSERT_TRUE(sbtest::ensureDisplay());
  ProgramResult result = runWith(GetParam(), sbtest::fontConfig() +
                                                 "frame_time:20,\nrun-time:20,\n"
                                                 "iteration-max:1,\nfraps:true,\n");
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.status, 0) << result.err << result.log;
  EXPECT_EQ(result.out,
            std::string(kBanner) + "** Objects pinglemark (average of 1 iteration): 6 **\n");
  EXPECT_EQ(result.log.find("headless"), std::string::npos) << result.log;
  EXPECT_TRUE(inOrder(result.log, {"  Headless: false\n", "Display manager started.\n"}));
  EXPECT_EQ(stepLines(result.log), 21);
}

// A font that cannot be loaded gives way to the engine's own, with a warning;
// a window that cannot be made stops start-up: the banner, the quoted reason
// in the log, status 1 and no result line.
// The report of a run agrees with its log: every iteration's credit, steps
// and step times (the log has them in whole milliseconds) and the mark; the
// standard output is what it is without a report. A report that cannot be
// written stops the run before it starts.
TEST_P(PingleProgram, ReportAgreesWithTheLog) {
  ProgramResult result = runWith(GetParam(), headless("particle:true,\nburst:3,\nrun-time:40,\n"
                                                      "iteration-max:2,\nreport:report.json,\n"));
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,  // each iteration credits 41 - 15 bursts of 3
            std::string(kBanner) + "** Particles pinglemark (average of 2 iterations): 78 **\n");
  std::string json = sbtest::readFile(result.dir + "/report.json");

  // The log's step times of each iteration, closed by its credit line.
  struct Logged {
    std::vector<int> ms;
    int credited = 0;
  };
  std::vector<Logged> logged(1);
  std::regex step_line(R"(PINGLE: Balls \d+\. Step \d+ - (\d+) of)"),
      credit_line(R"(PINGLE: Iteration \d+ - balls: (-?\d+))");
  std::istringstream lines(result.log);
  std::smatch match;
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_search(line, match, step_line)) logged.back().ms.push_back(std::stoi(match[1]));
    if (std::regex_search(line, match, credit_line)) {
      logged.back().credited = std::stoi(match[1]);
      logged.emplace_back();
    }
  }
  logged.pop_back();
  ASSERT_EQ(logged.size(), 2u) << result.log;

  std::regex iteration(R"(\{"iteration": (\d+), "credited": (-?\d+), "load": (-?\d+), "steps": (\d+), )"
                       R"("median_us": (\d+), "p90_us": (\d+), "p99_us": (\d+), "max_us": (\d+)\})");
  std::size_t index = 0;
  for (auto it = std::sregex_iterator(json.begin(), json.end(), iteration);
       it != std::sregex_iterator(); ++it, ++index) {
    ASSERT_LT(index, logged.size()) << json;
    const std::smatch &m = *it;
    std::vector<int> ms = logged[index].ms;
    std::sort(ms.begin(), ms.end());
    auto rank = [&ms](int percent) { return ms[(percent * ms.size() + 99) / 100 - 1]; };
    EXPECT_EQ(std::stoi(m[1]), static_cast<int>(index) + 1);
    EXPECT_EQ(std::stoi(m[2]), logged[index].credited);
    EXPECT_EQ(std::stoi(m[3]), logged[index].credited * 3);
    EXPECT_EQ(std::stoi(m[4]), static_cast<int>(ms.size()));
    EXPECT_EQ(std::stoi(m[5]) / 1000, rank(50));
    EXPECT_EQ(std::stoi(m[6]) / 1000, rank(90));
    EXPECT_EQ(std::stoi(m[7]) / 1000, rank(99));
    EXPECT_EQ(std::stoi(m[8]) / 1000, ms.back());
  }
  EXPECT_EQ(index, logged.size()) << json;
  for (const std::string &part :
       {std::string("\"build\": \"") + GetParam().name + "\"", std::string("\"pinglemark\": 78"),
        std::string("\"burst\": \"3\""), std::string("\"report\": \"report.json\""),
        std::string("\"test\": \"particle\""), std::string("\"cores\": ")})
    EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
  EXPECT_EQ(sbtest::commandOutput("python3 -c 'import json,sys; json.load(open(sys.argv[1])); "
                                  "print(\"ok\")' " + result.dir + "/report.json"),
            "ok\n");

  ProgramResult unwritable =
      runWith(GetParam(), headless("run-time:5,\nreport:no-such-folder/report.json,\n"));
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.out, kBanner);
  EXPECT_NE(unwritable.err.find("pingle: cannot write the report file 'no-such-folder/report.json'."),
            std::string::npos)
      << unwritable.err;
  EXPECT_EQ(stepLines(unwritable.log), 0);
}

TEST(PingleWindow, MissingFontFallsBackImpossibleWindowEndsWithStatusOne) {
  ASSERT_TRUE(sbtest::ensureDisplay());
  ProgramResult no_font = runWith(kGrid, "font_file:/nonexistent/sb-font.ttf,\nframe_time:20,\n"
                                         "run-time:5,\niteration-max:1,\n");
  EXPECT_EQ(no_font.status, 0) << no_font.err << no_font.log;
  EXPECT_NE(no_font.log.find("DisplayManager::startUp(): Warning! Unable to load font from file "
                             "'/nonexistent/sb-font.ttf'; using the engine's font '"),
            std::string::npos)
      << no_font.log;
  EXPECT_EQ(no_font.err, "");

  ProgramResult no_window =
      runWith(kGrid, sbtest::fontConfig() + "window_horizontal_pixels:0,\n");
  EXPECT_EQ(no_window.status, 1) << no_window.err << no_window.log;
  EXPECT_EQ(no_window.out, kBanner);
  EXPECT_TRUE(inOrder(no_window.log, {"DisplayManager::startUp(): Unable to allocate window!",
                                      "Error starting display manager!"}))
      << no_window.log;
}

INSTANTIATE_TEST_SUITE_P(Programs, PingleProgram, ::testing::Values(kGrid, kSimple),
                         [](const ::testing::TestParamInfo<Program> &info) {
                           return std::string(info.param.name);
                         });

// The particle test counts bursts; with "burst" set the mark is in particles.
TEST(PingleOptions, ParticleTestScoresBurstsTimesBurstSize) {
  ProgramResult result = runWith(kGrid, headless("frame_time:10,\nparticle:true,\nburst:20,\n"
                                                 "run-time:20,\niteration-max:1,\n"));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            std::string(kBanner) + "** Particles pinglemark (average of 1 iteration): 120 **\n");
  EXPECT_TRUE(
      inOrder(result.log, {"PINGLE: Type of test: Particle\n", "PINGLE: Iteration 1 - balls: 6\n",
                           "PINGLE: Average max particles: 120\n"}));
  // No balls in the particle test.
  EXPECT_EQ(countLines(result.log, {"PINGLE: Balls 0. Step "}), 21);
}

TEST(PingleOptions, ParticleValueIsCaseSensitiveAndStartingBallsAreCredited) {
  ProgramResult result =
      runWith(kSimple, headless("frame_time:10,\nparticle:True,\nrun-time:20,\n"
                                "iteration-max:2,\nballs-per-step:3,\nstarting-balls:7,\n"));
  EXPECT_EQ(result.status, 0) << result.err;
  // 7 + 3 x (21 - 15) per iteration.
  EXPECT_EQ(result.out,
            std::string(kBanner) + "** Objects pinglemark (average of 2 iterations): 25 **\n");
  EXPECT_TRUE(inOrder(result.log, {"PINGLE: Type of test: Object\n", "PINGLE: Balls per step: 3\n",
                                   "PINGLE: Starting balls: 7\n", "PINGLE: Balls 10. Step 1 - ",
                                   "PINGLE: Balls 13. Step 2 - ", "PINGLE: Iteration 1 - balls: 25",
                                   "PINGLE: Balls 10. Step 1 - "}));
}

// Neither an iteration count below 1 nor a negative run time could ever end
// the run: both are refused at start.
TEST(PingleOptions, RefusesOptionsThatWouldNeverEnd) {
  for (const char *option : {"iteration-max:0,\n", "iteration-max:-2,\n", "run-time:-5,\n"}) {
    ProgramRun run;
    run.binary = PINGLE_GRID_BIN;
    run.config = headless(option);
    run.timeout_ms = 20000;
    ProgramResult result = runProgram(run);
    EXPECT_FALSE(result.timed_out) << option;
    EXPECT_EQ(result.status, 1) << option;
    EXPECT_EQ(result.out, kBanner) << option;
    EXPECT_NE(result.err.find("pingle: "), std::string::npos) << option;
    EXPECT_NE(result.log.find("main(): Error! "), std::string::npos) << option;
    EXPECT_NE(result.log.find("** Game engine stopped **"), std::string::npos) << option;
    EXPECT_EQ(result.log.find("starting game loop"), std::string::npos) << option;
  }
}

}  // namespace
