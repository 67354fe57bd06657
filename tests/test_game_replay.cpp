// The Arena example game recorded and replayed: the demo's committed
// recording replays to the demo's score, and a game played in tmux with real
// keys (arrows, firing, a restart) replays headless to the same score with
// no divergence, in both engine builds, its terminal cast as it went.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <thread>

#include "support/ProgramRunner.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

// "arena: score ..." of a run's summary, or "" when it has none.
std::string scoreLine(const std::string &out) {
  size_t at = out.find("arena: score ");
  return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
}

sbtest::ProgramResult replay(const std::string &binary, const std::string &file,
                             const std::string &more = "") {
  sbtest::ProgramRun run;
  run.binary = binary;
  run.config = "replay:" + file + ",\nheadless:true,\n" + more;
  run.env["ALSOFT_DRIVERS"] = "null";
  run.timeout_ms = 60000;
  return sbtest::runProgram(run);
}

}  // namespace

TEST(GameReplay, TheDemosCommittedRecordingReplaysToTheDemosScore) {
  std::string recording = std::string(SORBELANE_SOURCE_DIR) + "/examples/game/demo.rec";
  sbtest::ProgramResult replayed = replay(GAME_BIN, recording);
  ASSERT_EQ(replayed.status, 0) << replayed.log;
  EXPECT_NE(replayed.log.find("Replay matched to the end ("), std::string::npos) << replayed.log;
  EXPECT_EQ(replayed.log.find("diverged"), std::string::npos) << replayed.log;

  // The demo played live with the recorded configuration scores the same,
  // its path searches given the fixed work per step that recordings use
  // (with a share of the frame's time they would find paths at steps that
  // depend on the machine's speed).
  sbtest::ProgramRun live;
  live.binary = GAME_BIN;
  live.config = "headless:true,\nrandom_seed:7,\nframe_time:5,\ndemo_steps:600,\n"
                "highscore_file:arena-demo-scores.txt,\npath_step_work:20000,\n";
  live.env["ALSOFT_DRIVERS"] = "null";
  sbtest::ProgramResult played = sbtest::runProgram(live);
  ASSERT_FALSE(scoreLine(played.out).empty()) << played.out;
  EXPECT_EQ(scoreLine(replayed.out), scoreLine(played.out));
}

TEST(GameReplay, AGamePlayedInTmuxWithRealKeysReplaysHeadlessToTheSameScore) {
  for (const char *binary : {GAME_BIN, GAME_SIMPLE_BIN}) {
    SCOPED_TRACE(binary);
    std::string name = std::string(binary).find("simple") != std::string::npos ? "simple" : "grid";
    std::string dir = sbtest::tempDir() + "/tmux-play-" + name;
    mkdir(dir.c_str(), 0700);
    std::string log = dir + "/arena.log", status = dir + "/status", out = dir + "/out.txt";
    std::string recording = dir + "/game.rec", cast = dir + "/game.cast";
    sbtest::writeFile(log, "");
    std::string config = dir + "/sb-config.txt";
    sbtest::writeFile(config, "terminal:true,\nrandom_seed:9,\nmax_steps:150,\nhighscore_file:" +
                                  dir + "/scores.txt,\nrecord:" + recording + ",\ncast:" + cast +
                                  ",\n");
    // Drawn on standard error (the pane); standard output keeps the summary.
    std::string command = "cd '" + dir + "' && SORBELANE_CONFIG='" + config + "' SORBELANE_LOG='" +
                          log + "' ALSOFT_DRIVERS=null " + binary + " > '" + out +
                          "'; echo \\$? > '" + status + "'; sleep 60";
    sbtest::Tmux tmux(name);
    tmux.run("-f /dev/null new-session -d -s game -x 80 -y 24 \"" + command + "\"");
    // Playing starts once the score line shows (the log is written in blocks).
    ASSERT_TRUE(sbtest::waitUntil(
        [&] { return tmux.run("capture-pane -p -t game").find("Score") != std::string::npos; },
        20000))
        << tmux.run("capture-pane -p -t game");

    const char *keys[] = {"Right", "Right", "Space", "Down", "Down", "Space", "Left", "Up",
                          "Space", "r",     "Left",  "Left", "Space", "Up",  "Right", "Space"};
    for (const char *key : keys) {
      tmux.run(std::string("send-keys -t game ") + key);
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    ASSERT_TRUE(sbtest::waitUntil([&] { return !sbtest::readFile(status).empty(); }, 30000));
    EXPECT_EQ(sbtest::readFile(status), "0\n");
    std::string played = sbtest::readFile(out);
    EXPECT_NE(played.find("arena: restarted"), std::string::npos) << played;
    ASSERT_FALSE(scoreLine(played).empty()) << played;

    std::string text = sbtest::readFile(recording);
    for (const char *event : {" key term RIGHTARROW press", " key term LEFTARROW release",
                              " key term SPACE press", " key term R press", " key term UPARROW down"})
      EXPECT_NE(text.find(event), std::string::npos) << event << "\n" << text.substr(0, 4000);
    EXPECT_NE(text.find("\nend "), std::string::npos);

    sbtest::ProgramResult replayed = replay(binary, recording, "cast:replay.cast,\n");
    ASSERT_EQ(replayed.status, 0) << replayed.log;
    EXPECT_NE(replayed.log.find("Replay matched to the end ("), std::string::npos) << replayed.log;
    EXPECT_EQ(replayed.log.find("diverged"), std::string::npos) << replayed.log;
    EXPECT_EQ(scoreLine(replayed.out), scoreLine(played));
    EXPECT_NE(replayed.out.find("arena: restarted"), std::string::npos);
    // The replayed score is the recorded game's: the high-score table does not get it twice.
    EXPECT_NE(replayed.out.find(", not saved (a replay)"), std::string::npos) << replayed.out;

    // The live cast and the replay's cast: asciicast v2 of an 80 x 24 terminal.
    for (const std::string &file : {cast, replayed.dir + "/replay.cast"}) {
      std::string frames = sbtest::readFile(file);
      const std::string head = "{\"version\": 2, \"width\": 80, \"height\": 24";
      EXPECT_EQ(frames.compare(0, head.size(), head), 0) << file;
      EXPECT_GT(sbtest::countOf(frames, "\n["), 20) << file;
      EXPECT_NE(frames.find("\"o\", \"\\u001b[?1049h"), std::string::npos) << file;
    }
  }
}

// One side of a networked game replays without its peer: the client's
// recording holds every message the server sent, and its replay alone gets
// the same pongs in the same order.
TEST(GameReplay, TheClientOfANetworkedGameReplaysWithoutItsServer) {
  const std::string config = "headless:true,\nnetworking:true,\nframe_time:10,\n";
  std::string server_log = sbtest::tempDir() + "/replay-net-server.log";
  sbtest::ProgramRun server_run = sbtest::netPeerServer(NET_PEER_BIN, config, server_log);
  sbtest::ProgramResult server_result;
  std::thread server_thread([&] { server_result = sbtest::runProgram(server_run); });
  std::string port = sbtest::waitForServerPort(server_log, 10000);
  ASSERT_FALSE(port.empty());

  sbtest::ProgramRun client_run;
  client_run.binary = NET_PEER_BIN;
  client_run.config = config + "record:client.rec,\nrecord_check:1,\n";
  client_run.env = {{"NET_ROLE", "client"}, {"NET_PORT", port}, {"NET_COUNT", "4"}};
  sbtest::ProgramResult client = sbtest::runProgram(client_run);
  server_thread.join();
  ASSERT_EQ(client.status, 0) << client.out << client.log;
  std::string recording = sbtest::readFile(client.dir + "/client.rec");
  EXPECT_EQ(sbtest::countOf(recording, " net data 0 "), 4) << recording;
  EXPECT_NE(recording.find(" net connect 0 -\n"), std::string::npos) << recording;

  sbtest::ProgramRun alone;
  alone.binary = NET_PEER_BIN;
  alone.config = "replay:" + client.dir + "/client.rec,\nheadless:true,\n";
  alone.env = {{"NET_ROLE", "client"}, {"NET_PORT", "1"}, {"NET_COUNT", "4"}};
  sbtest::ProgramResult replayed = sbtest::runProgram(alone);
  EXPECT_EQ(replayed.status, 0) << replayed.out << replayed.log;
  EXPECT_TRUE(sbtest::inOrder(replayed.out, {"connected 0\n", "got pong 0\n", "got pong 3\n",
                                             "closed 0\n", "done\n"}))
      << replayed.out;
  EXPECT_NE(replayed.log.find("Replay matched to the end ("), std::string::npos) << replayed.log;
}

// A replay in a terminal runs in real time and ignores the keys it is sent,
// except Escape, which stops it.
TEST(GameReplay, ATerminalReplayIgnoresRealKeysButEscape) {
  std::string recording = std::string(SORBELANE_SOURCE_DIR) + "/examples/game/demo.rec";
  for (bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Escape" : "arrows");
    std::string dir = sbtest::tempDir() + (escape ? "/replay-escape" : "/replay-keys");
    mkdir(dir.c_str(), 0700);
    std::string log = dir + "/arena.log", status = dir + "/status";
    std::string config = dir + "/sb-config.txt";
    sbtest::writeFile(config, "replay:" + recording + ",\nterminal:true,\n");
    std::string command = "cd '" + dir + "' && SORBELANE_CONFIG='" + config + "' SORBELANE_LOG='" +
                          log + "' ALSOFT_DRIVERS=null " + GAME_BIN + " > '" + dir +
                          "/out.txt'; echo \\$? > '" + status + "'; sleep 60";
    sbtest::Tmux tmux(escape ? "replay-escape" : "replay-keys");
    tmux.run("-f /dev/null new-session -d -s game -x 80 -y 24 \"" + command + "\"");
    ASSERT_TRUE(sbtest::waitUntil(
        [&] { return tmux.run("capture-pane -p -t game").find("Score") != std::string::npos; },
        20000));
    for (const char *key : {"Right", "Space", "r", "Down", "Left"}) {
      tmux.run(std::string("send-keys -t game ") + (escape ? "Escape" : key));
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_TRUE(sbtest::waitUntil([&] { return !sbtest::readFile(status).empty(); }, 30000));
    std::string text = sbtest::readFile(log);
    if (escape) {
      EXPECT_NE(text.find("Replay: stopped by the player at step "), std::string::npos) << text;
      EXPECT_EQ(text.find("matched to the end"), std::string::npos);
    } else {
      EXPECT_NE(text.find("Replay matched to the end (525 steps)."), std::string::npos) << text;
    }
  }
}
