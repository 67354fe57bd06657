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

}  // namespace
