// Arena: a small arcade game on the engine. Enemies come in from the
// corners and find their way round the walls to the player, who shoots them
// (space shoots ahead, a left click towards the pointer; R starts again).
// Three lives; the best scores are kept in a file.
//
// Game keys in the engine's configuration file, besides the engine's own:
//   demo_steps:N,        scripted input plays N steps, then the game ends
//   max_steps:N,         the game ends after N steps
//   highscore_file:F,    the high-score table (default arena-scores.txt, or
//                        arena-demo-scores.txt for the demo)
//   screenshot:F,        saves a picture of the window as F (PNG) after the fourth kill
//   game_assets:DIR,     sprites and sounds (default: game-assets next to the program)
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "Arena.h"
#include "Sorbelane.h"

namespace {

// The directory of the running program, from /proc/self/exe.
std::string programDir() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string text(path, static_cast<size_t>(n));
  size_t slash = text.rfind('/');
  return slash == std::string::npos ? "." : text.substr(0, slash);
}

int configInt(const std::string &key) {
  int value = 0;
  if (!sb::readInt(sb::Config::getInstance().match(key), value) || value < 0) value = 0;
  return value;
}

// Sprites, sounds and music under their labels; -1 when a sprite is missing
// (the game cannot be drawn). Missing sounds only make the game quiet.
int loadAssets(const std::string &dir) {
  sb::ResourceManager &resources = sb::ResourceManager::getInstance();
  for (const char *name : {"player", "enemy", "shot"})
    if (resources.loadSprite(dir + "/" + name + ".txt", name) != 0) {
      std::fprintf(stderr, "arena: cannot load sprite %s/%s.txt\n", dir.c_str(), name);
      return -1;
    }
  for (const char *name : {"shot", "explode", "hit"})
    if (resources.loadSound(dir + "/" + name + ".wav", name) != 0)
      sb::LogManager::getInstance().writeLog("arena: Warning! no sound %s", name);
  if (resources.loadMusic(dir + "/music.wav", "music") != 0)
    sb::LogManager::getInstance().writeLog("arena: Warning! no music");
  return 0;
}

}  // namespace

int main() {
  sb::GameManager &game_manager = sb::GameManager::getInstance();
  // The game's own keys; the files it writes and its assets' folder are
  // this run's, never a replayed recording's.
  sb::Config &config = sb::Config::getInstance();
  for (const char *key : {"demo_steps", "max_steps"}) config.addKey(key);
  for (const char *key : {"highscore_file", "screenshot", "game_assets"}) config.addKey(key, true);
  if (game_manager.startUp() != 0) {
    std::fprintf(stderr, "arena: the engine did not start (see its log)\n");
    return 1;
  }
  ArenaOptions options;
  options.demo_steps = configInt("demo_steps");
  // Scores the demo made are nobody's best: they go to a table of their own.
  if (!config.match("highscore_file").empty())
    options.high_score_file = config.match("highscore_file");
  else if (options.demo_steps > 0)
    options.high_score_file = "arena-demo-scores.txt";
  options.max_steps = configInt("max_steps");
  options.screenshot_file = config.match("screenshot");
  std::string assets = config.match("game_assets");
  if (assets.empty()) assets = programDir() + "/game-assets";

  if (loadAssets(assets) != 0) {
    game_manager.shutDown();
    return 1;
  }

  // The engine's title first; its loop ends by setting game over, so that
  // flag is cleared before the game's own loop.
  sb::splash();
  game_manager.setGameOver(false);

  new Arena(options);
  game_manager.run();
  game_manager.shutDown();
  std::fputs(terminalTranscript().c_str(), stdout);
  return sb::Replay::getInstance().getExitStatus();
}
