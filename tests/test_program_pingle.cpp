// End-to-end runs of the real benchmark programs, headless and in a window.
#include <gtest/gtest.h>

#include <ostream>
#include <regex>
#include <string>

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
