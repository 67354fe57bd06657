// The Arena example game, run as a program: its demo mode plays by scripted
// input and must show every part of the game at work; in a real window, real
// keys must move the player.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <SFML/Audio/SoundBuffer.hpp>
#include <SFML/Graphics/Image.hpp>

#include "Sorbelane.h"
#include "support/ProgramRunner.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

// The numbers of the summary line "arena: score S, enemies shot H, ...".
struct Summary {
  bool found = false;
  int score = 0, shot = 0, reached = 0, lives_lost = 0, shots = 0, particles = 0, moves = 0;
};

Summary summaryOf(const std::string &out) {
  Summary s;
  size_t at = out.find("arena: score ");
  if (at == std::string::npos) return s;
  s.found = std::sscanf(out.c_str() + at,
                        "arena: score %d, enemies shot %d, enemies that reached the player %d, "
                        "lives lost %d, shots %d, most particles %d, player moves %d",
                        &s.score, &s.shot, &s.reached, &s.lives_lost, &s.shots, &s.particles,
                        &s.moves) == 7;
  return s;
}

// The table of "arena: high scores 60 40 ..., saved and read back the same".
std::vector<int> highScoresOf(const std::string &out) {
  std::vector<int> table;
  const std::string head = "arena: high scores";
  size_t at = out.find(head);
  if (at == std::string::npos) return table;
  const char *p = out.c_str() + at + head.size();
  int value = 0, used = 0;
  while (std::sscanf(p, " %d%n", &value, &used) == 1) {
    table.push_back(value);
    p += used;
  }
  return table;
}

sbtest::ProgramRun demoRun(const std::string &scores, int steps) {
  sbtest::ProgramRun run;
  run.binary = GAME_BIN;
  run.config = "headless:true,\nrandom_seed:7,\nframe_time:5,\ndemo_steps:" +
               std::to_string(steps) + ",\nhighscore_file:" + scores + ",\n";
  run.env["ALSOFT_DRIVERS"] = "null";
  run.timeout_ms = 30000;
  return run;
}

// The loudest sample of a 16-bit mono WAV file, or -1 when it is no such file.
int loudestSample(const std::string &wav) {
  if (wav.size() < 44 || wav.compare(0, 4, "RIFF") != 0) return -1;
  int loudest = 0;
  for (size_t at = 44; at + 1 < wav.size(); at += 2) {
    int v = static_cast<int16_t>(static_cast<unsigned char>(wav[at]) |
                                 static_cast<unsigned char>(wav[at + 1]) << 8);
    loudest = std::max(loudest, std::abs(v));
  }
  return loudest;
}

// A demo fights for half its steps and then lets the enemies through: it
// shoots enemies, is reached by them until its lives run out, and the table
// of best scores written at the end is found again by the next game.
TEST(Game, DemoPlaysAndKeepsHighScores) {
  std::string scores = sbtest::tempDir() + "/demo-scores.txt";
  std::remove(scores.c_str());
  std::string wave = sbtest::tempDir() + "/demo-audio.wav";
  std::string alsoft = sbtest::tempDir() + "/demo-alsoft.conf";
  sbtest::writeFile(alsoft, "[general]\ndrivers = wave\nchannels = mono\nsample-type = int16\n"
                            "frequency = 22050\n[wave]\nfile = " + wave + "\n");
  sbtest::ProgramRun run = demoRun(scores, 500);
  run.env["ALSOFT_DRIVERS"] = "wave";
  run.env["ALSOFT_CONF"] = alsoft;
  sbtest::ProgramResult first = sbtest::runProgram(run);
  ASSERT_FALSE(first.timed_out);
  ASSERT_EQ(first.status, 0) << first.out << first.err;

  Summary s = summaryOf(first.out);
  ASSERT_TRUE(s.found) << first.out;
  EXPECT_GT(s.shot, 0) << "no shot hit an enemy";
  EXPECT_EQ(s.score, 10 * s.shot) << "the score is not 10 a hit";
  EXPECT_GT(s.reached, 0) << "no enemy found its way to the player";
  EXPECT_EQ(s.lives_lost, 3);
  EXPECT_NE(first.out.find("arena: game over (no lives)"), std::string::npos) << first.out;
  EXPECT_GT(s.particles, 20) << "explosions made no particles";
  EXPECT_GT(s.moves, 50) << "the scripted keys did not move the player";
  EXPECT_GT(s.shots, s.shot);
  // The splash came first, then the game, and it ended by itself.
  EXPECT_TRUE(sbtest::inOrder(first.log, {"arena: started", "arena: enemy shot",
                                          "arena: player hit, 0 lives left", "arena: game over"}))
      << first.log;
  EXPECT_EQ(first.log.find("Error!"), std::string::npos) << first.log;
  EXPECT_NE(first.out.find("saved and read back the same"), std::string::npos) << first.out;
  EXPECT_EQ(highScoresOf(first.out), std::vector<int>{s.score});
  // Shots, bangs and music reached the sound device.
  EXPECT_GT(loudestSample(sbtest::readFile(wave)), 3000) << "silent recording " << wave;

  // The next game starts from the saved table and adds its own score.
  sbtest::ProgramResult second = sbtest::runProgram(demoRun(scores, 300));
  ASSERT_EQ(second.status, 0) << second.out << second.err;
  Summary s2 = summaryOf(second.out);
  ASSERT_TRUE(s2.found) << second.out;
  EXPECT_NE(second.log.find("arena: 1 high scores read from"), std::string::npos) << second.log;
  std::vector<int> table = {s.score, s2.score};
  if (s2.score > s.score) std::swap(table[0], table[1]);
  if (s2.score == 0) table.pop_back();  // no score, no entry
  EXPECT_EQ(highScoresOf(second.out), table) << second.out;
  EXPECT_NE(second.out.find("saved and read back the same"), std::string::npos) << second.out;
}

// A high-score file is outside input: bad entries are left out, a file too
// large to be a table is ignored, and either way the game plays and writes
// a sound table.
TEST(Game, DemoSurvivesBrokenHighScoreFiles) {
  std::string scores = sbtest::tempDir() + "/broken-scores.txt";
  struct Case {
    std::string content;
    std::vector<int> kept;  // entries the game must keep from it
  } cases[] = {
      {"type:HighScores,high-count:999999,high-1:abc,high-2:-5,high-3:77,high-4:99999999999,", {77}},
      {"type:HighScores,high-count:2,high-1:30,high-2:20," + std::string(8000, 'x'), {}},
      {"type:Other,high-count:1,high-1:500,", {}},
      {"high-count:1,high-1:500", {}},
  };
  for (const Case &c : cases) {
    sbtest::writeFile(scores, c.content);
    sbtest::ProgramResult result = sbtest::runProgram(demoRun(scores, 120));
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    Summary s = summaryOf(result.out);
    ASSERT_TRUE(s.found) << result.out;
    std::vector<int> expected = c.kept;
    if (s.score > 0) expected.push_back(s.score);
    std::sort(expected.rbegin(), expected.rend());
    EXPECT_EQ(highScoresOf(result.out), expected) << c.content.substr(0, 80) << "\n" << result.out;
    EXPECT_NE(result.out.find("saved and read back the same"), std::string::npos) << result.out;
  }
}

bool waitForLog(const std::string &path, const std::string &text, int timeout_ms) {
  return sbtest::waitUntil(
      [&] { return sbtest::readFile(path).find(text) != std::string::npos; }, timeout_ms);
}

// The game in a window, on a thread of its own: its log, its result once the
// thread is joined, and its window once it started ("" when none was found).
struct WindowGame {
  std::string log_path;
  sbtest::ProgramResult result;
  std::thread thread;
  bool started = false;
  std::string window;
};

// Starts the game logging to NAME.log, for max_steps steps, keeping its high
// scores in scores; waits for it to start and finds its window.
void startWindowGame(WindowGame &game, const std::string &name, int max_steps,
                     const std::string &scores) {
  game.log_path = sbtest::tempDir() + "/" + name + ".log";
  sbtest::writeFile(game.log_path, "");
  sbtest::ProgramRun run;
  run.binary = GAME_BIN;
  run.config = sbtest::fontConfig() + "random_seed:7,\nmax_steps:" + std::to_string(max_steps) +
               ",\nhighscore_file:" + sbtest::tempDir() + "/" + scores + ",\n";
  run.env = {{"SORBELANE_LOG", game.log_path}, {"ALSOFT_DRIVERS", "null"}};
  run.timeout_ms = 60000;
  game.thread = std::thread([&game, run] { game.result = sbtest::runProgram(run); });
  game.started = waitForLog(game.log_path, "arena: started", 20000);
  if (!game.started) return;
  game.window =
      sbtest::commandOutput("timeout 10 xdotool search --sync --name Sorbelane 2>/dev/null");
  game.window = game.window.substr(0, game.window.find('\n'));
}

// The game in a window on an X server of its own: a held arrow key moves the
// player to the right, a click fires a shot, Escape ends the game.
TEST(GameWindow, ArrowKeysMoveThePlayer) {
  ASSERT_TRUE(sbtest::ensurePrivateDisplay()) << "no X server for the window test";
  WindowGame game;
  startWindowGame(game, "game-window", 1500, "window-scores.txt");
  const std::string &log_path = game.log_path, &window = game.window;
  const bool started = game.started;
  sbtest::ProgramResult &result = game.result;
  bool moved = false;
  if (!window.empty() && sbtest::xdotool("windowfocus --sync " + window)) {
    sbtest::keyDown("Right");
    moved = sbtest::waitUntil(
        [&] { return sbtest::lastPlayerColumn(sbtest::readFile(log_path)) >= 46; }, 5000);
    sbtest::keyUp("Right");
    // A click in the window's top left corner: a shot towards it.
    sbtest::xdotool("mousemove --window " + window + " 100 150");
    sbtest::click(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sbtest::keyDown("Escape");
    sbtest::keyUp("Escape");
  }
  game.thread.join();
  std::string log = sbtest::readFile(log_path);
  ASSERT_TRUE(started) << log;
  ASSERT_FALSE(window.empty()) << "no game window found";
  EXPECT_TRUE(moved) << log;
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("arena: game over (quit)"), std::string::npos) << result.out;
  Summary s = summaryOf(result.out);
  EXPECT_GE(s.moves, 6) << result.out;
  EXPECT_GE(s.shots, 1) << "the click fired no shot";
  // Every move logged is one column to the right of the one before, on the start row.
  EXPECT_NE(log.find("arena: player at 41 14"), std::string::npos) << log;
}

// The sounds the build synthesizes next to the game: WAV files that SFML
// reads as short mono effects at 22050 Hz and a longer tune, none silent.
TEST(Game, SynthesizedSoundsAreShortMonoWavs) {
  const char *drivers = getenv("ALSOFT_DRIVERS");
  std::string saved_drivers = drivers ? drivers : "";
  setenv("ALSOFT_DRIVERS", "null", 1);  // SFML's buffers need an OpenAL device
  std::string bin = GAME_BIN;
  std::string dir = bin.substr(0, bin.rfind('/')) + "/game-assets";
  struct Expected {
    const char *name;
    float min_seconds, max_seconds;
  } expected[] = {{"shot", 0.05f, 0.3f}, {"explode", 0.2f, 1.0f}, {"hit", 0.1f, 0.6f},
                  {"music", 4.0f, 12.0f}};
  for (const Expected &e : expected) {
    sf::SoundBuffer buffer;
    ASSERT_TRUE(buffer.loadFromFile(dir + "/" + e.name + ".wav")) << e.name;
    EXPECT_EQ(buffer.getChannelCount(), 1u) << e.name;
    EXPECT_EQ(buffer.getSampleRate(), 22050u) << e.name;
    float seconds = buffer.getDuration().asSeconds();
    EXPECT_GE(seconds, e.min_seconds) << e.name;
    EXPECT_LE(seconds, e.max_seconds) << e.name;
    int loudest = 0;
    for (std::size_t i = 0; i < buffer.getSampleCount(); i++)
      loudest = std::max(loudest, std::abs(static_cast<int>(buffer.getSamples()[i])));
    EXPECT_GT(loudest, 5000) << e.name << " is (nearly) silent";
    EXPECT_LT(loudest, 32767) << e.name << " clips";
  }
  // Programs that later tests start find the environment as it was.
  if (drivers)
    setenv("ALSOFT_DRIVERS", saved_drivers.c_str(), 1);
  else
    unsetenv("ALSOFT_DRIVERS");
}

// The demo in a window saves a picture after its fourth kill: it shows the
// player, enemies and walls in their colours, the HUD, and the sparks of the
// explosion (orange: red with about a quarter as much green, over black).
TEST(GameWindow, DemoPictureShowsSpritesHudAndParticles) {
  ASSERT_TRUE(sbtest::ensurePrivateDisplay()) << "no X server for the window test";
  std::string picture = sbtest::tempDir() + "/arena.png";
  std::remove(picture.c_str());
  sbtest::ProgramRun run;
  run.binary = GAME_BIN;
  run.config = sbtest::fontConfig() + "random_seed:7,\nframe_time:10,\ndemo_steps:600,\n"
               "highscore_file:" + sbtest::tempDir() + "/picture-scores.txt,\nscreenshot:" +
               picture + ",\n";
  run.env["ALSOFT_DRIVERS"] = "null";
  run.timeout_ms = 60000;
  sbtest::ProgramResult result = sbtest::runProgram(run);
  ASSERT_EQ(result.status, 0) << result.err;
  ASSERT_NE(result.log.find("arena: screenshot saved to"), std::string::npos) << result.log;
  sf::Image image;
  ASSERT_TRUE(image.loadFromFile(picture));
  EXPECT_EQ(image.getSize().x, 1024u);
  EXPECT_EQ(image.getSize().y, 768u);
  struct Part {
    const char *what;
    sb::Color color;
  } parts[] = {{"player", sb::GREEN}, {"enemies", sb::RED}, {"walls", sb::BLUE},
               {"score", sb::YELLOW}, {"best score", sb::CYAN}};
  for (const Part &part : parts)
    EXPECT_GT(sbtest::colorBox(image, sb::colorToSFML(part.color)).count, 20) << part.what;
  // The HUD stays in the top rows, above the arena's walls.
  sbtest::PixelBox score = sbtest::colorBox(image, sb::colorToSFML(sb::YELLOW));
  EXPECT_LT(score.top, 32 * 3);
  int sparks = 0;
  for (unsigned y = 0; y < image.getSize().y; y++)
    for (unsigned x = 0; x < image.getSize().x; x++) {
      sf::Color c = image.getPixel(x, y);
      if (c.r > 60 && c.g * 100 > c.r * 15 && c.g * 100 < c.r * 40 && c.b < 10) sparks++;
    }
  EXPECT_GT(sparks, 50) << "no explosion in the picture";
}

// Without any audio device (OpenAL Soft given only a driver that does not
// exist) the game plays as fast as with one, silently: SFML would fail every
// call, and its music thread would spin reporting errors.
TEST(Game, PlaysSilentlyWithoutAnAudioDevice) {
  sbtest::ProgramRun run = demoRun(sbtest::tempDir() + "/scores.txt", 150);
  run.env["ALSOFT_DRIVERS"] = "no-such-driver";
  run.timeout_ms = 20000;
  sbtest::ProgramResult result = sbtest::runProgram(run);
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.status, 0) << result.err.substr(0, 2000);
  EXPECT_TRUE(summaryOf(result.out).found) << result.out;
  EXPECT_EQ(sbtest::countOf(result.log, "Warning! No audio device."), 1);
  EXPECT_LT(std::count(result.err.begin(), result.err.end(), '\n'), 1000)
      << result.err.substr(0, 2000);
}

// The headless demo as run.sh plays it, in the environment a user has (no
// audio settings): standard error carries nothing, standard output the
// summary, and the demo's scores go to a table of their own, so that a first
// real game shows no best score.
TEST(Game, HeadlessDemoPrintsOnlyItsSummaryAndKeepsItsScoresApart) {
  sbtest::ProgramRun run;
  run.binary = GAME_BIN;
  run.config = "headless:true,\nframe_time:5,\ndemo_steps:600,\n";
  run.unset_env = {"ALSOFT_DRIVERS", "ALSOFT_CONF", "ALSOFT_LOGLEVEL", "DISPLAY"};
  run.timeout_ms = 30000;
  sbtest::ProgramResult result = sbtest::runProgram(run);
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(summaryOf(result.out).found) << result.out;
  EXPECT_NE(sbtest::readFile(result.dir + "/arena-demo-scores.txt").find("type:HighScores"),
            std::string::npos);
  EXPECT_EQ(sbtest::readFile(result.dir + "/arena-scores.txt"), "");
}

// Once GAME OVER is shown the game is over for the player too: a held arrow
// key no longer moves the ship while the message stays on the screen.
TEST(GameWindow, PlayerStaysStillAfterGameOver) {
  ASSERT_TRUE(sbtest::ensurePrivateDisplay()) << "no X server for the window test";
  WindowGame game;
  startWindowGame(game, "game-over-window", 300, "game-over-scores.txt");
  const std::string &log_path = game.log_path, &window = game.window;
  const bool started = game.started;
  sbtest::ProgramResult &result = game.result;
  bool moved = false, over = false;
  if (!window.empty() && sbtest::xdotool("windowfocus --sync " + window)) {
    // The held key moves the ship while the game runs...
    sbtest::keyDown("Right");
    moved = sbtest::waitUntil(
        [&] { return sbtest::lastPlayerColumn(sbtest::readFile(log_path)) >= 43; }, 5000);
    sbtest::keyUp("Right");
    // ...and not once the game is over.
    over = waitForLog(log_path, "arena: game over", 20000);
    sbtest::keyDown("Left");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    sbtest::keyUp("Left");
  }
  game.thread.join();
  std::string log = sbtest::readFile(log_path);
  ASSERT_TRUE(started) << log;
  ASSERT_FALSE(window.empty()) << "no game window found";
  EXPECT_TRUE(moved) << log;
  ASSERT_TRUE(over) << log;
  EXPECT_EQ(result.status, 0) << result.err;
  std::string after = log.substr(log.find("arena: game over"));
  EXPECT_EQ(sbtest::countOf(after, "arena: player at"), 0) << after;
}

}  // namespace
