// The configuration file and settings, attribute-string matching and the
// text conversions used to build attribute strings.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>
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

// Each mistake in a configuration file gets one warning naming its line,
// and the value still becomes what it always did.
TEST(Config, MistakesGetOneWarningNamingTheirLine) {
  sb::Config &cfg = sb::Config::getInstance();
  struct Case {
    std::string file;
    std::function<bool()> holds;  // what the values became
    std::string warning;          // "" when none is expected
  };
  const std::string at1 = " Line 1 of '", at2 = " Line 2 of '";
  const std::vector<Case> cases = {
      {"headles:true,\n", [&] { return !cfg.getHeadless(); },
       "Unknown key 'headles'; did you mean 'headless'?" + at1},
      {"frame_time:20,\nwindow_titel:x,\n", [&] { return cfg.getFrameTime() == 20; },
       "Unknown key 'window_titel'; did you mean 'window_title'?" + at2},
      {"my_own_option:3,\n", [&] { return cfg.match("my_own_option") == "3"; },
       "Unknown key 'my_own_option' (kept for the game to read)." + at1},
      {"headless:yes,\n", [&] { return !cfg.getHeadless(); },
       "Value 'yes' of key 'headless' is neither true nor false; using false." + at1},
      {"# a comment\nshow_mouse:TRUE,\n", [&] { return !cfg.getShowMouse(); },
       "Value 'TRUE' of key 'show_mouse' is neither true nor false; using false." + at2},
      {"headless:1,\n", [&] { return !cfg.getHeadless(); }, "Value '1' of key 'headless'"},
      {"frame_time:20\nheadless:true,\n",
       [&] { return cfg.getFrameTime() == 20 && !cfg.getHeadless(); },
       "The line does not end in a comma, so line 2 runs into its value." + at1},
      {std::string("frame_time:1\0" "000,\n", 18),
       [&] { return cfg.getFrameTime() == 1; },
       "Value '1\\x00000' of key 'frame_time' is not a number; using 1." + at1},
      {"frame_time:-5,\n", [&] { return cfg.getFrameTime() == -5; },
       "Value -5 of key 'frame_time' is less than 0." + at1},
      {"grid_width:0,\n", [&] { return cfg.getGridWidth() == 0; },
       "Value 0 of key 'grid_width' is less than 1." + at1},
      {"headless:true,\nframe_time:20,\nrecord_check:5,\n",
       [&] { return cfg.getHeadless() && cfg.getFrameTime() == 20; }, ""},
  };
  // Those of start-up, read before the log opens, are in the log all the same.
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_tme:20,\n"), 0);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "Unknown key 'frame_tme'; did you mean "
                                               "'frame_time'?" + at2),
            1)
      << sbtest::readLog();
  std::string path = sbtest::tempDir() + "/mistakes.txt";
  setenv("SORBELANE_CONFIG", path.c_str(), 1);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    sbtest::writeFile(path, c.file);
    cfg.setHeadless(false);
    size_t logged = sbtest::readLog().size();
    cfg.loadConfig("");
    std::string text = sbtest::readLog().substr(logged);
    EXPECT_TRUE(c.holds());
    EXPECT_EQ(sbtest::countOf(text, "Config::loadConfig(): Warning! "), c.warning.empty() ? 0 : 1)
        << text;
    if (!c.warning.empty()) {
      EXPECT_EQ(sbtest::countOf(text, c.warning), 1) << text;
    }
  }
}

// A key with one letter changed, dropped or added is answered with the key
// it came from; keys the game declares are known and suggested too.
TEST(Config, AMisspeltKeyNamesTheNearestKnownKey) {
  sb::Config &cfg = sb::Config::getInstance();
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  cfg.addKey("dungeon_depth");
  const std::vector<std::string> keys = {"frame_time", "headless", "window_vertical_chars",
                                         "font_file", "random_seed", "grid_height",
                                         "replay_on_divergence", "dungeon_depth"};
  std::mt19937 random(40);
  for (int i = 0; i < 200; i++) {
    std::string key = keys[random() % keys.size()], typo = key;
    size_t at = random() % key.size();
    switch (random() % 3) {
      case 0: typo[at] = static_cast<char>('a' + random() % 26); break;
      case 1: typo.erase(at, 1); break;
      default: typo.insert(at, 1, static_cast<char>('a' + random() % 26));
    }
    if (typo == key) continue;
    size_t logged = sbtest::readLog().size();
    cfg.loadConfig(typo + ":1,");
    std::string text = sbtest::readLog().substr(logged);
    EXPECT_EQ(sbtest::countOf(text, "Unknown key '" + typo + "'; did you mean '" + key + "'?"), 1)
        << text;
  }
  // A file of nothing but mistakes shows twenty of them and counts the rest.
  std::string many;
  for (int i = 0; i < 5000; i++) many += "unknown_" + std::to_string(i) + ":1,\n";
  size_t logged = sbtest::readLog().size();
  cfg.loadConfig(many);
  std::string text = sbtest::readLog().substr(logged);
  EXPECT_EQ(sbtest::countOf(text, "Warning!"), 21) << text.substr(0, 3000);
  EXPECT_EQ(sbtest::countOf(text, "Warning! 4980 more mistakes in the configuration string not "
                                  "shown."),
            1);
  logged = sbtest::readLog().size();
  cfg.loadConfig("dungeon_depth:3,");
  EXPECT_EQ(sbtest::readLog().find("Warning!", logged), std::string::npos);
  cfg.removeKey("dungeon_depth");
}

// Lookups answer as match() on the whole text does, from one parse made when
// the configuration is loaded: no lookup parses the text again.
TEST(Config, LookupsAnswerAsMatchFromOneParse) {
  sb::Config &cfg = sb::Config::getInstance();
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::mt19937 random(10);
  const std::string alphabet = "abk_:,: ,9x";
  sb::LogManager &log = sb::LogManager::getInstance();
  for (int i = 0; i < 300; i++) {
    std::string text;
    for (int n = random() % 40; n > 0; n--) text += alphabet[random() % alphabet.size()];
    if (text.empty()) continue;
    log.setLogLevel(25);
    size_t logged = sbtest::readLog().size();
    cfg.loadConfig(text, false);
    for (const char *key : {"a", "b", "k_", "ab", "x", "9"}) cfg.match(key);
    std::string traced = sbtest::readLog().substr(logged);
    log.setLogLevel(0);
    EXPECT_EQ(sbtest::countOf(traced, "match(): parsed."), 0) << text;
    for (const char *key : {"a", "b", "k_", "ab", "x", "9", "bk"})
      EXPECT_EQ(cfg.match(key), sb::match(text, key)) << text << " / " << key;
  }
}

// A configuration that is a FIFO, a directory or a device, or a file larger
// than the bound, is refused at once with an error, and every default holds.
TEST(Config, AFileThatIsNotRegularOrTooLargeIsRefused) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::string dir = sbtest::tempDir();
  std::string fifo = dir + "/config.fifo", folder = dir + "/config.d", large = dir + "/large.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  sbtest::writeFile(large, "frame_time:20,\n");
  ASSERT_EQ(truncate(large.c_str(), sb::Config::MAX_FILE_SIZE + 1), 0);  // sparse
  const std::vector<std::pair<std::string, std::string>> cases = {
      {fifo, "is not a regular file"}, {folder, "is not a regular file"},
      {"/dev/zero", "is not a regular file"},
      {large, "is larger than " + std::to_string(sb::Config::MAX_FILE_SIZE) + " bytes"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.first);
    setenv("SORBELANE_CONFIG", c.first.c_str(), 1);
    size_t logged = sbtest::readLog().size();
    EXPECT_EQ(sb::Config::getInstance().readConfig(), "");
    EXPECT_NE(sbtest::readLog().find("Config::readConfig(): Error! Configuration file '" +
                                         c.first + "' " + c.second + "; not read.",
                                     logged),
              std::string::npos)
        << sbtest::readLog().substr(logged);
  }
  unlink(fifo.c_str());
  rmdir(folder.c_str());
  unlink(large.c_str());
}

// The seed in use is in the log at the default level, for a player to report.
TEST(Config, TheSeedInUseIsLoggedAtTheDefaultLevel) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nrandom_seed:77,\n"), 0);
  EXPECT_EQ(sb::LogManager::getInstance().getLogLevel(), 0);
  EXPECT_NE(sbtest::readLog().find("GameManager()::startUp(): seed is 77"), std::string::npos)
      << sbtest::readLog();
}


}  // namespace
