// The Arena example game played in a real terminal: tmux runs it in a pane,
// its keys come from send-keys and its screen from capture-pane. Escape and
// Ctrl-C both end it with the terminal back on its normal screen.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/ProgramRunner.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

using sbtest::Tmux;

// "alternate_on cursor_flag" of the game's pane: "1 0" while the game runs.
std::string paneState(const Tmux &tmux) {
  std::string state = tmux.run("display-message -p -t game '#{alternate_on} #{cursor_flag}'");
  return state.substr(0, state.find('\n'));
}

struct TerminalGame {
  std::string dir, log_path, status_path;
};

// Starts the game in an 80 x 24 pane; once it has ended, the pane's shell
// writes its exit status to a file and waits, so that the terminal's state
// can be read.
TerminalGame startGame(const Tmux &tmux, const std::string &name) {
  TerminalGame game;
  game.dir = sbtest::tempDir() + "/" + name;
  mkdir(game.dir.c_str(), 0700);
  game.log_path = game.dir + "/arena.log";
  game.status_path = game.dir + "/status";
  sbtest::writeFile(game.log_path, "");
  std::string config = game.dir + "/sb-config.txt";
  sbtest::writeFile(config, "terminal:true,\nrandom_seed:7,\nmax_steps:3000,\nhighscore_file:" +
                                game.dir + "/scores.txt,\n");
  std::string command = "cd '" + game.dir + "' && SORBELANE_CONFIG='" + config +
                        "' SORBELANE_LOG='" + game.log_path + "' ALSOFT_DRIVERS=null " + GAME_BIN +
                        "; echo \\$? > '" + game.status_path + "'; sleep 60";
  tmux.run("-f /dev/null new-session -d -s game -x 80 -y 24 \"" + command + "\"");
  return game;
}

bool logHas(const TerminalGame &game, const std::string &text, int timeout_ms) {
  return sbtest::waitUntil(
      [&] { return sbtest::readFile(game.log_path).find(text) != std::string::npos; },
      timeout_ms);
}

// The game's exit status once it has ended, or -1.
int gameStatus(const TerminalGame &game) {
  std::string status;
  sbtest::waitUntil(
      [&] {
        status = sbtest::readFile(game.status_path);
        return !status.empty();
      },
      10000);
  return status.empty() ? -1 : std::atoi(status.c_str());
}

}  // namespace

TEST(GameTerminal, ShowsTheGameMovesThePlayerAndQuitsOnEscape) {
  Tmux tmux("escape");
  TerminalGame game = startGame(tmux, "terminal-escape");
  ASSERT_TRUE(logHas(game, "arena: started", 20000)) << sbtest::readFile(game.log_path);
  // The screen: walls, the player's ship, the HUD, in colour.
  std::string screen;
  bool drawn = sbtest::waitUntil(
      [&] {
        screen = tmux.run("capture-pane -p -e -t game");
        return screen.find("Score") != std::string::npos && screen.find("A") != std::string::npos;
      },
      5000);
  EXPECT_TRUE(drawn) << screen;
  EXPECT_NE(screen.find("###"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Lives"), std::string::npos) << screen;
  // The ship's four frames are =A=, -A-, =A= and ~A~.
  bool ship = screen.find("=A=") != std::string::npos || screen.find("-A-") != std::string::npos ||
              screen.find("~A~") != std::string::npos;
  EXPECT_TRUE(ship) << screen;
  EXPECT_NE(screen.find("\x1b[38;5;21m"), std::string::npos) << "no blue walls";
  EXPECT_EQ(paneState(tmux), "1 0");  // alternate screen, no cursor

  // A held arrow: repeats every 40 ms, as a keyboard's auto-repeat sends them.
  int before = sbtest::lastPlayerColumn(sbtest::readFile(game.log_path));
  for (int i = 0; i < 12; i++) {
    tmux.run("send-keys -t game Right");
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  bool moved = sbtest::waitUntil(
      [&] { return sbtest::lastPlayerColumn(sbtest::readFile(game.log_path)) >= 45; }, 3000);
  EXPECT_TRUE(moved) << "from column " << before << "\n" << sbtest::readFile(game.log_path);

  tmux.run("send-keys -t game Escape");
  EXPECT_EQ(gameStatus(game), 0) << tmux.run("capture-pane -p -t game");
  EXPECT_EQ(paneState(tmux), "0 1");  // normal screen, cursor shown
  EXPECT_TRUE(logHas(game, "arena: game over (quit)", 1000));
  // The game's summary is printed once the terminal is back.
  screen = tmux.run("capture-pane -p -t game");
  EXPECT_NE(screen.find("arena: game over (quit)"), std::string::npos) << screen;
}

TEST(GameTerminal, CtrlCMidGameGivesTheTerminalBack) {
  Tmux tmux("interrupt");
  TerminalGame game = startGame(tmux, "terminal-interrupt");
  ASSERT_TRUE(logHas(game, "arena: started", 20000)) << sbtest::readFile(game.log_path);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(paneState(tmux), "1 0");
  tmux.run("send-keys -t game C-c");
  EXPECT_EQ(gameStatus(game), 2);  // the signal's number
  EXPECT_EQ(paneState(tmux), "0 1");
  EXPECT_TRUE(logHas(game, "** Game engine stopped **", 1000));
}
