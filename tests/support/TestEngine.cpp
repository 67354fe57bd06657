#include "TestEngine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <poll.h>
#include <sstream>
#include <unistd.h>

#include "Config.h"
#include "DisplayManager.h"
#include "GameManager.h"
#if SORBELANE_GRID
#include "Grid.h"
#endif
#include "InputManager.h"
#include "LogManager.h"
#include "NetworkManager.h"
#include "Object.h"
#include "ObjectList.h"
#include "PathManager.h"
#include "ResourceManager.h"
#include "WorldManager.h"

namespace sbtest {

namespace {

std::string temp_dir;
pid_t temp_dir_owner = 0;

int removeEntry(const char *path, const struct stat *, int, struct FTW *) {
  remove(path);
  return 0;
}

// Removes the temporary directory and everything in it when the test program
// ends, passed or failed. A forked child that calls exit() runs this too:
// only the process that made the directory removes it.
void removeTempDir() {
  if (temp_dir.empty() || getpid() != temp_dir_owner) return;
  nftw(temp_dir.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
  temp_dir.clear();
}

}  // namespace

std::string tempFolder() {
  const char *tmp = getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

std::string tempDir() {
  if (temp_dir.empty()) {
    // A death test's child process, started afresh by the test program,
    // shares its parent's directory, which the parent removes.
    const char *inherited = getenv("SORBELANE_TEST_DIR");
    if (inherited && *inherited) {
      temp_dir = inherited;
      return temp_dir;
    }
    std::string pattern = tempFolder() + "/sorbelane-test-XXXXXX";
    if (mkdtemp(&pattern[0])) {
      temp_dir = pattern;
      temp_dir_owner = getpid();
      atexit(removeTempDir);
      setenv("SORBELANE_TEST_DIR", temp_dir.c_str(), 1);
    } else {
      return tempFolder();
    }
  }
  return temp_dir;
}

std::string logPath() { return tempDir() + "/sorbelane.log"; }

bool writeFile(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string readUntilQuiet(int fd) {
  std::string bytes;
  char buffer[8192];
  struct pollfd ready = {fd, POLLIN, 0};
  while (poll(&ready, 1, 100) > 0) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

namespace {

// The configuration's settings as a fresh process has them.
void resetConfig() {
  sb::Config &config = sb::Config::getInstance();
  config.setConfig("");
  config.setWindowHorizontalPixels(1024);
  config.setWindowVerticalPixels(768);
  config.setWindowHorizontalChars(80);
  config.setWindowVerticalChars(24);
  config.setWindowStyle(5);
  config.setWindowBackgroundColor(sb::BLACK);
  config.setFrameTime(33);
  config.setFontScale(2.0f);
  config.setWindowTitle(sb::WINDOW_TITLE_DEFAULT);
  config.setShowMouse(false);
  config.setHeadless(false);
  config.setFontFile(sb::FONT_FILE_DEFAULT);
  config.setLogFile(sb::LOGFILE_DEFAULT);
  config.setRandomSeed(0);
  config.setNetworking(false);
  config.setQuadtreeThreshold(1);
  config.setQuadtreeDepth(10);
  config.setGridWidth(20);
  config.setGridHeight(8);
  config.setBatchDrawing(true);
  config.setTerminal(false);
  config.setCharset("latin1");
}

// Stops whatever a test left running: the whole engine, or the managers that
// a failed start-up left started; the world's objects are deleted, as a
// game's shut-down does, and the log's settings are those of a fresh process.
void leaveTheEngineAsFound() {
  sb::GameManager &game = sb::GameManager::getInstance();
  if (game.isStarted()) {
    game.shutDown();
  } else {
    // The network manager is only asked for when networking is configured:
    // creating it would install its own Ctrl-C handler.
    bool networking = sb::Config::getInstance().getNetworking();
    sb::Manager *managers[] = {&sb::PathManager::getInstance(),
                               &sb::WorldManager::getInstance(),
                               &sb::ResourceManager::getInstance(),
                               networking ? &sb::NetworkManager::getInstance() : nullptr,
                               &sb::InputManager::getInstance(),
                               &sb::DisplayManager::getInstance(),
                               &sb::LogManager::getInstance()};
    for (sb::Manager *p_manager : managers)
      if (p_manager && p_manager->isStarted()) p_manager->shutDown();
  }
  sb::WorldManager &world = sb::WorldManager::getInstance();
  if (world.getAllObjects(true).getCount() > 0) world.shutDown();  // deletes them
  sb::Object::setMaxId(1);  // no object is left to hold an id
  sb::LogManager &log = sb::LogManager::getInstance();
  log.setLogLevel(0);
  log.setFlush(false);
  log.setLogTimeString(true);
  log.setLogStepCount(true);
  resetConfig();
}

// After every test, passed or failed, so that each test finds the engine as
// a fresh process has it, whichever tests ran before it in the same process.
class LeaveTheEngineAsFound : public testing::EmptyTestEventListener {
 public:
  void OnTestEnd(const testing::TestInfo &) override { leaveTheEngineAsFound(); }
};

// Also after the last test, so that the leak check of the sanitizer build
// sees real leaks only.
class ShutDownAfterTheTests : public testing::Environment {
 public:
  // A death test's child starts as a fresh process running that test alone:
  // a forked copy of a process whose earlier tests made windows and sound
  // devices would run their destructors without the threads behind them.
  // (Set here, once gtest's own flags are initialized and parsed.)
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
  void TearDown() override { leaveTheEngineAsFound(); }
};

testing::Environment *const shut_down_after_the_tests =
    testing::AddGlobalTestEnvironment(new ShutDownAfterTheTests);

const bool engine_reset_after_each_test = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new LeaveTheEngineAsFound);
  return true;
}();


}  // namespace

int startEngine(const std::string &config_text) {
  std::string dir = tempDir();
  std::string config_path = dir + "/sb-config.txt";
  writeFile(config_path, config_text);
  if (chdir(dir.c_str()) != 0) return -1;
  setenv("SORBELANE_CONFIG", config_path.c_str(), 1);
  setenv("SORBELANE_LOG", logPath().c_str(), 1);
  resetConfig();
#if SORBELANE_GRID
  // The grid takes its size from the configuration only when it is made,
  // once per process: give it the size this configuration asks for.
  sb::Config &config = sb::Config::getInstance();
  config.loadConfig("");
  sb::Grid &grid = sb::WorldManager::getInstance().getSceneGraph().getGrid();
  // (A size that is not positive logs its error here and again at start-up.)
  if (!sb::WorldManager::getInstance().isStarted() &&
      (grid.getWidth() != config.getGridWidth() || grid.getHeight() != config.getGridHeight())) {
    grid.setDimensions(config.getGridWidth(), config.getGridHeight());
    grid.shutDown();  // world start-up allocates it
  }
  resetConfig();
#endif
  sb::LogManager::getInstance().setFlush(true);
  return sb::GameManager::getInstance().startUp();
}

std::string readLog() {
  fflush(nullptr);
  return readFile(logPath());
}

std::string fontPath() {
  const char *candidates[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
                              "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                              "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
  for (const char *candidate : candidates)
    if (access(candidate, R_OK) == 0) return candidate;
  return candidates[0];
}

std::string fontConfig() { return "font_file:" + fontPath() + ",\n"; }

int countOf(const std::string &haystack, const std::string &needle) {
  if (needle.empty()) return 0;
  int count = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + needle.size()))
    count++;
  return count;
}

sb::WorldManager &world() { return sb::WorldManager::getInstance(); }

sb::ResourceManager &resources() { return sb::ResourceManager::getInstance(); }

bool contains(const sb::ObjectList &list, const sb::Object *p_o) {
  for (int i = 0; i < list.getCount(); i++)
    if (list[i] == p_o) return true;
  return false;
}

void clearWorld() {
  world().markForDelete(world().getAllObjects(true));
  world().update();
}

}  // namespace sbtest
