// The configuration file and settings, attribute-string matching and the
// text conversions used to build attribute strings.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "Config.h"
#include "LogManager.h"
#include "utility.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

TEST(Config, FileLinesCommentsAndLineEndings) {
  std::string text =
      "headless:true,\r\n"
      "# a comment line without a comma\r\n"
      "frame_time:20,\r\n"
      "#frame_time:99,\n"
      "  #not_a_comment:5,\n"
      "window_title:My Great  Game,\r\n"
      "pingle_iterations:3,\n"
      "window_background_color:yellow,\n";
  ASSERT_EQ(sbtest::startEngine(text), 0);
  sb::Config &cfg = sb::Config::getInstance();

  EXPECT_TRUE(cfg.getHeadless());
  EXPECT_EQ(cfg.getFrameTime(), 20);
  EXPECT_EQ(cfg.getWindowTitle(), "MyGreatGame");
  EXPECT_EQ(cfg.getWindowBackgroundColor(), sb::YELLOW);
  // Lines are joined without separators, carriage returns and comments dropped.
  EXPECT_EQ(cfg.getConfig(),
            "headless:true,frame_time:20,  #not_a_comment:5,window_title:My Great  Game,"
            "pingle_iterations:3,window_background_color:yellow,");
  // Keys the engine does not know are still there.
  EXPECT_EQ(cfg.match("pingle_iterations"), "3");
  EXPECT_EQ(cfg.match("#not_a_comment"), "5");
  EXPECT_EQ(cfg.match("Pingle_iterations"), "");
  EXPECT_EQ(cfg.match("absent"), "");
  // Untouched keys keep their defaults.
  EXPECT_EQ(cfg.getWindowHorizontalPixels(), 1024);
  EXPECT_EQ(cfg.getWindowVerticalChars(), 24);
  EXPECT_FLOAT_EQ(cfg.getFontScale(), 2.0f);
  EXPECT_EQ(cfg.getGridWidth(), 20);
  EXPECT_EQ(cfg.getGridHeight(), 8);
  EXPECT_EQ(cfg.getConfiguredRandomSeed(), 0);
  EXPECT_FALSE(cfg.getNetworking());
}

TEST(Config, MissingCommaJoinsTwoSettings) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:20\nshow_mouse:true,\n"), 0);
  sb::Config &cfg = sb::Config::getInstance();
  EXPECT_EQ(cfg.getFrameTime(), 20);
  EXPECT_FALSE(cfg.getShowMouse());
  EXPECT_EQ(cfg.match("frame_time"), "20show_mouse");
  EXPECT_EQ(cfg.match("show_mouse"), "");
}

TEST(Config, ValuesColoursStylesAndBooleans) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Config &cfg = sb::Config::getInstance();

  const std::vector<std::pair<std::string, sb::Color>> colours = {
      {"black", sb::BLACK},   {"red", sb::RED},       {"green", sb::GREEN},
      {"yellow", sb::YELLOW}, {"blue", sb::BLUE},     {"magenta", sb::MAGENTA},
      {"cyan", sb::CYAN},     {"white", sb::WHITE}};
  for (const auto &c : colours) {
    cfg.loadConfig("window_background_color:" + c.first + ",");
    EXPECT_EQ(cfg.getWindowBackgroundColor(), c.second) << c.first;
  }
  cfg.loadConfig("window_background_color:Red,window_style:Fullscreen,");
  EXPECT_EQ(cfg.getWindowBackgroundColor(), sb::WHITE);
  EXPECT_EQ(cfg.getWindowStyle(), 5);
  cfg.loadConfig("window_style:fullscreen,");
  EXPECT_EQ(cfg.getWindowStyle(), 8);
  cfg.loadConfig("window_style:default,");
  EXPECT_EQ(cfg.getWindowStyle(), 5);
  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(log, "loadConfig(): Unsupported window color 'Red'"));
  EXPECT_TRUE(sbtest::hasMessage(log, "loadConfig(): Unsupported window style 'Fullscreen'"));

  cfg.loadConfig("show_mouse:TRUE,");
  EXPECT_FALSE(cfg.getShowMouse());
  cfg.loadConfig("show_mouse:true,networking:true,");
  EXPECT_TRUE(cfg.getShowMouse());
  EXPECT_TRUE(cfg.getNetworking());
  cfg.loadConfig("show_mouse:yes,networking:false,");
  EXPECT_FALSE(cfg.getShowMouse());
  EXPECT_FALSE(cfg.getNetworking());

  // Numbers: leading digits count, no digits read as 0, an empty value keeps the field.
  cfg.loadConfig("frame_time:12ms,random_seed:-4,grid_width:abc,font_scale:1.5,");
  EXPECT_EQ(cfg.getFrameTime(), 12);
  EXPECT_EQ(cfg.getRandomSeed(), -4);
  EXPECT_EQ(cfg.getGridWidth(), 0);
  EXPECT_FLOAT_EQ(cfg.getFontScale(), 1.5f);
  // Numbers beyond the int range give the nearest limit.
  cfg.loadConfig("frame_time:99999999999,random_seed:-99999999999999999999,");
  EXPECT_EQ(cfg.getFrameTime(), INT_MAX);
  EXPECT_EQ(cfg.getRandomSeed(), INT_MIN);
  cfg.loadConfig("frame_time:12,random_seed:-4,");
  cfg.loadConfig("frame_time:,random_seed,");
  EXPECT_EQ(cfg.getFrameTime(), 12);
  EXPECT_EQ(cfg.getRandomSeed(), -4);
  // First occurrence of a key wins; the stored string is the new one.
  cfg.loadConfig("frame_time:40,frame_time:50,logfile:other.log,font_file:f.ttf,");
  EXPECT_EQ(cfg.getFrameTime(), 40);
  EXPECT_EQ(cfg.getLogFile(), "other.log");
  EXPECT_EQ(cfg.getFontFile(), "f.ttf");
  EXPECT_EQ(cfg.getConfig(), "frame_time:40,frame_time:50,logfile:other.log,font_file:f.ttf,");
}

TEST(Config, MissingFileNamedInFailureAndDefaultsHold) {
  std::string missing = sbtest::tempDir() + "/missing-config.txt";
  setenv("SORBELANE_CONFIG", missing.c_str(), 1);
  sb::LogManager::getInstance().setLogLevel(1);
  sbtest::StderrCapture capture;
  sb::Config &cfg = sb::Config::getInstance();
  cfg.loadConfig("");
  std::string text = capture.text();

  EXPECT_TRUE(sbtest::hasMessage(
      text, "Config::readConfig(): Cannot open Sorbelane configuration file '" + missing + "'."))
      << text;
  EXPECT_EQ(cfg.getConfig(), "");
  EXPECT_EQ(cfg.getWindowHorizontalPixels(), 1024);
  EXPECT_EQ(cfg.getWindowVerticalPixels(), 768);
  EXPECT_EQ(cfg.getWindowHorizontalChars(), 80);
  EXPECT_EQ(cfg.getWindowVerticalChars(), 24);
  EXPECT_EQ(cfg.getWindowStyle(), 5);
  EXPECT_EQ(cfg.getWindowBackgroundColor(), sb::BLACK);
  EXPECT_EQ(cfg.getFrameTime(), 33);
  EXPECT_FLOAT_EQ(cfg.getFontScale(), 2.0f);
  EXPECT_EQ(cfg.getWindowTitle(), "Sorbelane");
  EXPECT_FALSE(cfg.getShowMouse());
  EXPECT_FALSE(cfg.getHeadless());
  EXPECT_EQ(cfg.getFontFile(), "sb-font.ttf");
  EXPECT_EQ(cfg.getLogFile(), "sorbelane.log");
  EXPECT_EQ(cfg.getConfiguredRandomSeed(), 0);
  EXPECT_FALSE(cfg.getNetworking());
  EXPECT_EQ(cfg.getQuadtreeThreshold(), 1);
  EXPECT_EQ(cfg.getQuadtreeDepth(), 10);
  EXPECT_EQ(cfg.getGridWidth(), 20);
  EXPECT_EQ(cfg.getGridHeight(), 8);
}

// A file that SORBELANE_CONFIG names is expected: its absence is reported
// whatever the log level. A missing default file is only told at level 1.
TEST(Config, MissingNamedFileReportedAtEveryLevel) {
  sb::LogManager &log = sb::LogManager::getInstance();
  int level = log.getLogLevel();
  log.setLogLevel(0);
  std::string missing = sbtest::tempDir() + "/missing-config.txt";
  setenv("SORBELANE_CONFIG", missing.c_str(), 1);
  sbtest::StderrCapture named;
  sb::Config::getInstance().readConfig();
  std::string named_text = named.text();

  unsetenv("SORBELANE_CONFIG");
  std::string dir = sbtest::tempDir() + "/no-config-here";
  mkdir(dir.c_str(), 0700);
  char *previous = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  sbtest::StderrCapture unnamed;
  sb::Config::getInstance().readConfig();
  std::string unnamed_text = unnamed.text();
  if (previous && chdir(previous) != 0) ADD_FAILURE() << "cannot return to " << previous;
  free(previous);
  rmdir(dir.c_str());
  log.setLogLevel(level);

  EXPECT_TRUE(sbtest::hasMessage(
      named_text, "Config::readConfig(): Cannot open Sorbelane configuration file '" + missing +
                      "'."))
      << named_text;
  EXPECT_EQ(unnamed_text, "");
}

// A value that is not wholly a number counts as its leading digits (0
// without any) and a warning names the key and the text.
TEST(Config, UnreadableNumbersWarnWithKeyAndText) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Config &cfg = sb::Config::getInstance();
  struct Case {
    std::string setting;
    std::function<double()> field;
    double value;
    std::string warning;  // "" when none is expected
  };
  const std::vector<Case> cases = {
      {"frame_time:ten,", [&] { return cfg.getFrameTime(); }, 0,
       "Value 'ten' of key 'frame_time' is not a number; using 0."},
      {"grid_width:12cells,", [&] { return cfg.getGridWidth(); }, 12,
       "Value '12cells' of key 'grid_width' is not a number; using 12."},
      {"font_scale:big,", [&] { return cfg.getFontScale(); }, 0,
       "Value 'big' of key 'font_scale' is not a number; using 0."},
      {"frame_time:20show_mouse:true,", [&] { return cfg.getFrameTime(); }, 20,
       "Value '20show_mouse' of key 'frame_time' is not a number; using 20."},
      {"frame_time:25,", [&] { return cfg.getFrameTime(); }, 25, ""},
      {"random_seed:-1,", [&] { return cfg.getRandomSeed(); }, -1, ""},
      {"font_scale:1.5,", [&] { return cfg.getFontScale(); }, 1.5, ""},
  };
  for (const Case &c : cases) {
    size_t logged = sbtest::readLog().size();
    sbtest::StderrCapture capture;
    cfg.loadConfig(c.setting);
    std::string text = capture.text() + sbtest::readLog().substr(logged);
    EXPECT_DOUBLE_EQ(c.field(), c.value) << c.setting;
    std::string prefix = "Config::loadConfig(): Warning! ";
    if (c.warning.empty())
      EXPECT_EQ(text.find(prefix), std::string::npos) << c.setting << "\n" << text;
    else
      EXPECT_EQ(sbtest::countOf(text, prefix + c.warning), 1) << c.setting << "\n" << text;
  }
}

TEST(Config, WriteToLogLines) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:25,\nwindow_style:fullscreen,\n"
                                "window_title:Test Game,\nrandom_seed:7,\ngrid_width:10,\n"
                                "grid_height:5,\nwindow_background_color:blue,\n"
                                "quadtree_depth:3,\nquadtree_threshold:2,\n"
                                "window_horizontal_chars:100,\nwindow_vertical_chars:30,\n"
                                "window_horizontal_pixels:800,\nwindow_vertical_pixels:600,\n"
                                "show_mouse:true,\nfont_file:mono.ttf,\n"),
            0);
  sb::LogManager::getInstance().setLogLevel(1);
  std::string before = sbtest::readLog();
  sb::Config::getInstance().writeToLog();
  std::vector<std::string> lines = sbtest::logMessages(sbtest::readLog().substr(before.size()));
  std::vector<std::string> expected = {
      "-----------------------------------",
      "Sorbelane configuration:",
      "  Window horizontal pixels: 800",
      "  Window vertical pixels: 600",
      "  Window horizontal characters: 100",
      "  Window vertical characters: 30",
      "  Window background color: 4",
      "  Frame time: 25",
      "  Window style: fullscreen",
      "  Window title: TestGame",
      "  Show mouse: true",
      "  Headless: true",
      "  Font file: mono.ttf",
      "  Log file: sorbelane.log",
      "  Random seed: 7",
      "  Networking: false",
      "  Grid width: 10",
      "  Grid height: 5",
      "  Quadtree threshold: 2",
      "  Quadtree depth: 3",
      "  Batch drawing: true",
      "  Terminal: false",
      "  Charset: latin1",
      "-----------------------------------"};
  EXPECT_EQ(lines, expected);

  // Nothing at level 0.
  sb::LogManager::getInstance().setLogLevel(0);
  before = sbtest::readLog();
  sb::Config::getInstance().writeToLog();
  EXPECT_EQ(sbtest::readLog(), before);
}

TEST(Match, ElementsKeysAndValues) {
  EXPECT_EQ(sb::match("a:1,b,c:3", "b"), "");
  EXPECT_EQ(sb::match("a:1,b,c:3", "c"), "3");
  EXPECT_EQ(sb::match("a:1,b,c:3", "d"), "");
  EXPECT_EQ(sb::match("a:1,b,c:3", "a"), "1");

  // Blanks anywhere are removed, also inside keys and values.
  EXPECT_EQ(sb::match("  frame_time  :  33 , x:1", "frame_time"), "33");
  EXPECT_EQ(sb::match("key one:va lue", "keyone"), "value");
  EXPECT_EQ(sb::match("a:\t1\n,b:\r2\f", "b"), "2");

  EXPECT_EQ(sb::match("k:1,k:2", "k"), "1");
  EXPECT_EQ(sb::match(",,a:1,,b:2,", "b"), "2");

  // A lone colon ends the parse; elements after it are not seen.
  EXPECT_EQ(sb::match("a:1,:,b:2", "a"), "1");
  EXPECT_EQ(sb::match("a:1,:,b:2", "b"), "");
  EXPECT_EQ(sb::match("a:1,:::,b:2", "b"), "");

  // Leading colons are skipped, doubled colons are one separator, a second
  // separate colon ends the value.
  EXPECT_EQ(sb::match(":lead,x:1", "lead"), "");
  EXPECT_EQ(sb::match(":lead,x:1", "x"), "1");
  EXPECT_EQ(sb::match("::lead:val", "lead"), "val");
  EXPECT_EQ(sb::match("k::v", "k"), "v");
  EXPECT_EQ(sb::match("k:v:w,z:9", "k"), "v");
  EXPECT_EQ(sb::match("k:v:w,z:9", "z"), "9");

  // Case-sensitive keys.
  EXPECT_EQ(sb::match("frame_time:33", "Frame_time"), "");
}

TEST(Match, EmptyStringSearchesThePreviousParse) {
  EXPECT_EQ(sb::match("k:5,j:6", "j"), "6");
  EXPECT_EQ(sb::match("", "k"), "5");
  EXPECT_EQ(sb::match("", "j"), "6");
  EXPECT_EQ(sb::match("", "nothing"), "");
  // A string of blanks is parsed (to nothing) and replaces the kept elements.
  EXPECT_EQ(sb::match("   ", "k"), "");
  EXPECT_EQ(sb::match("", "k"), "");
  // A parse cut short by a lone colon keeps what came before it.
  EXPECT_EQ(sb::match("p:1,:,q:2", "q"), "");
  EXPECT_EQ(sb::match("", "p"), "1");
  EXPECT_EQ(sb::match("", "q"), "");
}

TEST(Match, TraceLinesAtHighLevels) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager::getInstance().setLogLevel(28);
  std::string before = sbtest::readLog();
  EXPECT_EQ(sb::match("a:1, b:2", "b"), "2");
  std::string log = sbtest::readLog().substr(before.size());
  EXPECT_TRUE(sbtest::messagesInOrder(
      log, {"match(\"a:1, b:2\", \"b\")", "match(): number of elements allocated is 2",
            "\titem number 0", "\tkey a", "\tval 1", "\titem number 1", "\tkey b", "\tval 2",
            "match(): parsed.", "\t0  a : 1", "\t1  b : 2",
            "match(): Looking for match 'b' among 2 items.", "match(): 0: a == b?",
            "match(): 1: b == b?"}))
      << log;
}

TEST(ToString, Conversions) {
  EXPECT_EQ(sb::toString(true), "true");
  EXPECT_EQ(sb::toString(false), "false");
  EXPECT_EQ(sb::toString('x'), "x");
  EXPECT_EQ(sb::toString(0), "0");
  EXPECT_EQ(sb::toString(42), "42");
  EXPECT_EQ(sb::toString(-42), "-42");
  EXPECT_EQ(sb::toString(INT_MIN), "-2147483648");
  EXPECT_EQ(sb::toString(INT_MAX), "2147483647");
  EXPECT_EQ(sb::toString(0.5f), "0.5");
  EXPECT_EQ(sb::toString(2.0f), "2");
  EXPECT_EQ(sb::toString(1.0f / 3.0f), "0.333333");
  EXPECT_EQ(sb::toString(10000000.0f), "1e+07");
  EXPECT_EQ(sb::toString(-1.5f), "-1.5");
  EXPECT_EQ(sb::toString(0.0f), "0");
  EXPECT_EQ(sb::toString(123456.0f), "123456");
  EXPECT_EQ(sb::toString(1234567.0f), "1.23457e+06");
  EXPECT_EQ(sb::toString(0.0001f), "0.0001");
  EXPECT_EQ(sb::toString(0.00001f), "1e-05");
}

}  // namespace
