#include "TestEngine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "GameManager.h"
#include "LogManager.h"
#include "WorldManager.h"

namespace sbtest {

std::string tempDir() {
  static std::string dir;
  if (dir.empty()) {
    char pattern[] = "/tmp/sorbelane-test-XXXXXX";
    const char *made = mkdtemp(pattern);
    dir = made ? made : "/tmp";
  }
  return dir;
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

namespace {

// A test may end with the engine still running and the world still owning its
// objects. Shutting down after the last test deletes them, as a game's
// shut-down does, so the leak check of the sanitizer build sees real leaks only.
class ShutDownAfterTheTests : public testing::Environment {
 public:
  void TearDown() override {
    sb::GameManager &game = sb::GameManager::getInstance();
    if (game.isStarted()) game.shutDown();
    sb::WorldManager::getInstance().shutDown();
  }
};

testing::Environment *const shut_down_after_the_tests =
    testing::AddGlobalTestEnvironment(new ShutDownAfterTheTests);

}  // namespace

int startEngine(const std::string &config_text) {
  std::string dir = tempDir();
  std::string config_path = dir + "/sb-config.txt";
  writeFile(config_path, config_text);
  if (chdir(dir.c_str()) != 0) return -1;
  setenv("SORBELANE_CONFIG", config_path.c_str(), 1);
  setenv("SORBELANE_LOG", logPath().c_str(), 1);
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

}  // namespace sbtest
