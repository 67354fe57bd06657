// The dungeon example, headless, walking itself to the stairs on several levels.
#include <gtest/gtest.h>

#include <string>

#include "support/ProgramRunner.h"
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
