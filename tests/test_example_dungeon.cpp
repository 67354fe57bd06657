// The dungeon example, headless, walking itself to the stairs on several
// levels, and in a terminal, played with typed keys.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>

#include "support/ProgramRunner.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

TEST(ExampleDungeon, DemoReachesTheStairsOrIsCaught) {
  for (int seed : {1, 7, 12, 40}) {
    sbtest::ProgramRun run;
    run.binary = DUNGEON_EXAMPLE_BIN;
    run.config = "headless:true,\nframe_time:5,\ndemo_steps:500,\ndungeon_seed:" +
                 std::to_string(seed) + ",\n";
    sbtest::ProgramResult result = sbtest::runProgram(run);
    EXPECT_EQ(result.status, 0) << result.err << result.log;
    bool ended = result.out.find("dungeon: stairs reached in ") != std::string::npos ||
                 result.out.find("dungeon: caught after ") != std::string::npos;
    EXPECT_TRUE(ended) << "seed " << seed << ": " << result.out;
    EXPECT_EQ(sbtest::countOf(result.log, "Error!"), 0) << result.log;
  }
}

TEST(ExampleDungeon, CavesComeFromTheEnginesSeedAndShowIt) {
  for (int seed : {3, 0}) {
    sbtest::ProgramRun run;
    run.binary = DUNGEON_EXAMPLE_BIN;
    run.config = "headless:true,\nframe_time:5,\ndemo_steps:300,\ndungeon_map:caves,\nrandom_seed:" +
                 std::to_string(seed) + ",\n";
    sbtest::ProgramResult result = sbtest::runProgram(run);
    EXPECT_EQ(result.status, 0) << result.err << result.log;
    // Seed 0 lets the clock pick: the level shows the seed picked, not 0.
    std::string shown = "dungeon: level of seed " + (seed ? std::to_string(seed) + " (caves)" : "");
    EXPECT_NE(result.out.find(shown), std::string::npos) << result.out;
    if (seed == 0) {
      EXPECT_EQ(result.out.find("dungeon: level of seed 0 "), std::string::npos) << result.out;
    }
    EXPECT_EQ(sbtest::countOf(result.log, "Error!"), 0) << result.log;
  }
}

}  // namespace

// Played in a real terminal (tmux): keys by the character typed. '>' away
// from the stairs and '.' on them do nothing; '?' shows and hides the help;
// '>' on the stairs goes down to a new level, shown on the bottom line. The
// hero walks to the stairs by itself (demo_steps) and waits there; each
// check waits for '?' to show the help, which comes after the keys before it.
TEST(ExampleDungeon, TypedGreaterThanTakesTheStairsAndQuestionMarkShowsTheHelp) {
  std::string dir = sbtest::tempDir() + "/dungeon-keys";
  mkdir(dir.c_str(), 0700);
  std::string log_path = dir + "/dungeon.log", status_path = dir + "/status";
  std::string config = dir + "/sb-config.txt";
  sbtest::writeFile(log_path, "");
  sbtest::writeFile(
      config,
      "terminal:true,\nframe_time:100,\ndungeon_map:caves,\ndungeon_seed:1,\ndemo_steps:3000,\n");
  std::string command = "cd '" + dir + "' && SORBELANE_CONFIG='" + config + "' SORBELANE_LOG='" +
                        log_path + "' " + DUNGEON_EXAMPLE_BIN + "; echo \\$? > '" + status_path +
                        "'; sleep 60";
  sbtest::Tmux tmux("dungeon");
  tmux.run("-f /dev/null new-session -d -s game -x 80 -y 24 \"" + command + "\"");
  auto screen = [&] { return tmux.run("capture-pane -p -t game"); };
  auto log = [&] { return sbtest::readFile(log_path); };
  auto waitFor = [](const std::function<std::string()> &text, const std::string &part, bool there) {
    return sbtest::waitUntil([&] { return (text().find(part) != std::string::npos) == there; },
                             10000);
  };
  const std::string help = "take the stairs (standing on them)";
  // Types a key, then '?' and waits for the help: the key has been read.
  auto typeThenHelp = [&](const std::string &key) {
    tmux.run("send-keys -t game -l '" + key + "?'");
    bool shown = waitFor(screen, help, true);
    tmux.run("send-keys -t game -l '?'");
    return shown && waitFor(screen, help, false);
  };

  ASSERT_TRUE(waitFor(log, "dungeon: level of seed 1 (caves), depth 1", true)) << log();
  ASSERT_TRUE(waitFor(screen, "depth 1  seed 1", true)) << screen();
  EXPECT_TRUE(typeThenHelp(">")) << screen();
  EXPECT_EQ(log().find("down to depth"), std::string::npos) << "'>' off the stairs";
  ASSERT_TRUE(waitFor(log, "dungeon: stairs reached in ", true)) << log();
  EXPECT_TRUE(waitFor(screen, "type > to take them", true)) << screen();
  EXPECT_TRUE(typeThenHelp(".")) << screen();
  EXPECT_EQ(log().find("down to depth"), std::string::npos) << "'.' is not '>'";

  tmux.run("send-keys -t game -l '>'");
  EXPECT_TRUE(waitFor(log, "dungeon: down to depth 2 after ", true)) << log();
  EXPECT_TRUE(waitFor(log, "dungeon: level of seed 1 (caves), depth 2", true)) << log();
  EXPECT_TRUE(waitFor(screen, "depth 2  seed 1", true)) << screen();

  tmux.run("send-keys -t game q");
  EXPECT_TRUE(waitFor([&] { return sbtest::readFile(status_path); }, "0", true));
  // What the game said is printed once the terminal is back.
  EXPECT_TRUE(waitFor(screen, "dungeon: left after ", true)) << screen();
  EXPECT_EQ(sbtest::countOf(log(), "Error!"), 0) << log();
}
