// The recording reader: random recordings read back as written, and a table
// of malformed and hostile files, each refused with its own line or replayed
// as far as it is whole, never a crash or a hang.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Sorbelane.h"
#include "support/TestEngine.h"

namespace {

std::string header(const std::string &version = "1", const std::string &build = "") {
  std::string b = build.empty() ? (SORBELANE_GRID ? "GRID" : "SIMPLE") : build;
  return "sorbelane-recording " + version + "\nengine 4.13\nbuild " + b +
         "\nseed 3\nids 1\ncells 80 24\nframe_time 1\ncheck 30\nconfig headless:true,\nsteps\n";
}

// Ends the game after a few steps, in case a replay would not.
class RecordingStopper : public sb::Object {
 public:
  RecordingStopper() {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::STEP_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->typeRef() == sb::STEP_EVENT &&
        static_cast<const sb::EventStep *>(p_e)->getStepCount() >= 200)
      sb::GameManager::getInstance().setGameOver();
    return 1;
  }
};

}  // namespace

TEST(Recording, RandomRecordingsReadBackAsWritten) {
  std::mt19937 rng(32);
  for (int trial = 0; trial < 200; trial++) {
    sb::Recording written;
    written.header.version = 1;
    written.header.engine = "4.13";
    written.header.build = trial % 2 ? "GRID" : "SIMPLE";
    written.header.seed = static_cast<int>(rng()) - 1000;
    written.header.first_id = 1 + static_cast<int>(rng() % 1000);
    written.header.columns = 1 + static_cast<int>(rng() % 300);
    written.header.rows = 1 + static_cast<int>(rng() % 100);
    written.header.frame_time = static_cast<int>(rng() % 100);
    written.header.check_every = 1 + static_cast<int>(rng() % 60);
    for (int i = 0; i < 12; i++) written.header.config.push_back(static_cast<char>(rng() % 256));
    if (trial % 3 == 0) {  // recorded in a terminal of another size
      written.header.terminal_columns = 1 + static_cast<int>(rng() % 4096);
      written.header.terminal_rows = 1 + static_cast<int>(rng() % 4096);
    }
    std::string text = sb::Recording::headerText(written.header);
    int step = 0;
    for (int i = 0; i < 40; i++) {
      step += static_cast<int>(rng() % 3);
      sb::RecordedEvent e;
      e.step = step;
      int kind = static_cast<int>(rng() % 5);
      e.kind = static_cast<sb::RecordedKind>(kind);
      e.from_terminal = rng() % 2;
      if (kind == 0) {
        int keys[] = {-1, 0, 5, 36, 72, 153};
        e.key = keys[rng() % 6];
        e.action = static_cast<int>(rng() % 3);
        char32_t characters[] = {0, 0, '>', 'H', 0xe9, 0x1f642, 0x10ffff};
        e.character = characters[rng() % 7];
        e.alt = rng() % 4 == 0;
      } else if (kind == 1) {
        e.action = static_cast<int>(rng() % 3);
        e.button = static_cast<int>(rng() % 4) - 1;
        e.x = static_cast<float>(rng() % 100000) / 97.0f;
        e.y = -static_cast<float>(rng() % 1000) / 7.0f;
      } else if (kind == 2) {
        e.label = static_cast<int>(rng() % 4);
        e.socket = static_cast<int>(rng() % 3);
        for (int b = static_cast<int>(rng() % 20); b > 0; b--)
          e.message.push_back(static_cast<char>(rng()));
      } else if (kind == 4) {
        e.columns = 1 + static_cast<int>(rng() % 4096);
        e.rows = 1 + static_cast<int>(rng() % 4096);
      } else {
        e.count = static_cast<int>(rng() % 50);
        e.hash = (static_cast<std::uint64_t>(rng()) << 32) | rng();
        for (int b = 0; b < e.count; b++) e.digests.push_back(static_cast<char>(rng()));
      }
      // Within a step: one resize, input, network, then one sum.
      auto rank = [](sb::RecordedKind k) {
        const int ranks[] = {1, 1, 2, 3, 0};  // KEY, MOUSE, NETWORK, CHECK, RESIZE
        return ranks[static_cast<int>(k)];
      };
      if (!written.events.empty() && written.events.back().step == e.step) {
        int before = rank(written.events.back().kind), now = rank(e.kind);
        if (now < before || (now == before && (now == 0 || now == 3))) e.step = ++step;
      }
      written.events.push_back(e);
      text += sb::Recording::eventLine(e);
    }
    // Input after the last whole step belongs to the step the end line closes.
    int end = written.events.back().kind == sb::RecordedKind::CHECK || trial % 2 ? step + 1 : step;
    text += sb::Recording::endLine(end);

    sb::Recording read;
    std::string fault;
    ASSERT_EQ(read.parse(text, fault), 0) << fault << "\n" << text;
    EXPECT_EQ(read.end_steps, end);
    EXPECT_EQ(sb::Recording::headerText(read.header), sb::Recording::headerText(written.header));
    ASSERT_EQ(read.events.size(), written.events.size());
    for (size_t i = 0; i < read.events.size(); i++) {
      EXPECT_EQ(sb::Recording::eventLine(read.events[i]), sb::Recording::eventLine(written.events[i]));
      EXPECT_EQ(read.events[i].character, written.events[i].character);
      EXPECT_EQ(read.events[i].alt, written.events[i].alt);
      EXPECT_EQ(read.events[i].columns, written.events[i].columns);
    }
    EXPECT_EQ(read.header.terminal_rows, written.header.terminal_rows);
    EXPECT_EQ(read.events.back().x, written.events.back().x);  // floats exactly

    // Cut anywhere after the header: what is whole reads, nothing more.
    size_t body = sb::Recording::headerText(written.header).size();
    size_t cut = body + rng() % (text.size() - body - 1);
    ASSERT_EQ(read.parse(text.substr(0, cut), fault), 0) << fault;
    EXPECT_EQ(read.end_steps, -1);
    EXPECT_LE(read.events.size(), written.events.size());
  }
}

TEST(Recording, HostileRecordingsAreRefusedWithTheirLineOrReplayedAsFarAsWhole) {
  const std::string h = header();
  std::string noise;
  std::mt19937 rng(7);
  for (int i = 0; i < 5000; i++) noise.push_back(static_cast<char>(rng()));
  struct Case {
    const char *name;
    std::string text;
    bool starts;          // replayed as far as it is whole
    std::string logged;   // the log line's telling part
  };
  const Case cases[] = {
      {"empty", "", false, "line 1: the recording is empty"},
      {"not a recording", "hello\n", false, "line 1: not a Sorbelane recording"},
      {"cut in the header", h.substr(0, 40), false, "the recording ends inside its header"},
      {"header only", h, true, "cut short at line 11"},
      {"wrong version", header("2"), false,
       "line 1: recording format version 2, this engine reads version 1"},
      {"other engine", std::string(h).replace(h.find("4.13"), 4, "4.12"), false,
       "line 2: made by engine version 4.12"},
      {"bad build", header("1", "QUADTREE"), false, "line 3: bad build 'QUADTREE'"},
      {"window beyond any screen",
       std::string(h).replace(h.find("cells 80 24"), 11, "cells 4097 24"), false,
       "line 6: bad cells"},
      {"events out of order", h + "5 sum 0 0000000000000000 -\n5 key win A press\nend 6\n", false,
       "line 12: event out of order within step 5"},
      {"steps in the past", h + "9 key win A press\n4 key win B press\nend 10\n", false,
       "line 12: step 4 is in the past (after step 9)"},
      {"unknown key", h + "3 key win HYPER press\nend 4\n", false, "line 11: unknown key 'HYPER'"},
      {"unknown action", h + "3 key term A tap\nend 4\n", false,
       "line 11: unknown key action 'tap'"},
      {"huge step", h + "99999999999999 key win A press\nend 4\n", false,
       "line 11: step '99999999999999' is not a number"},
      {"huge seed", std::string(h).replace(h.find("seed 3"), 6, "seed 4294967296"), false,
       "line 4: bad seed"},
      {"huge mouse", h + "3 mouse win moved none 1e30 2 0x0\nend 4\n", false,
       "line 11: mouse position is not two numbers"},
      {"huge object count", h + "3 sum 999999999999 0000000000000000 -\nend 4\n", false,
       "line 11: object count is not a number"},
      {"end before its steps", h + "8 key win A press\nend 3\n", false,
       "line 12: the end line's 3 steps do not cover step 8"},
      {"text after the end", h + "end 3\n1 key win A press\n", false,
       "line 12: text after the end line"},
      {"megabyte line", h + "1 key win " + std::string(1 << 20, 'A') + " press\nend 3\n", false,
       "line 11: line longer than"},
      {"binary noise", noise, false, "line 1:"},
      {"noise in the body", h + "2 key win A press\n" + noise + "\nend 3\n", false, "line 12:"},
      {"two blanks", h + "2  key win A press\nend 3\n", false, "line 11: fields not separated"},
      {"typed control character", h + "3 key term A press U+0001\nend 4\n", false,
       "line 11: typed character 'U+0001' is not"},
      {"typed beyond Unicode", h + "3 key term A press U+110000\nend 4\n", false,
       "line 11: typed character 'U+110000' is not"},
      {"typed lower-case hex", h + "3 key term A press U+3e\nend 4\n", false,
       "line 11: typed character 'U+3e' is not"},
      {"alt twice", h + "3 key term A press alt alt\nend 4\n", false,
       "line 11: unknown key field 'alt'"},
      {"typed and alt", h + "3 key term PERIOD press U+003E alt\n3 key term A press\nend 4\n", true,
       ""},
      {"cut in a line", h + "2 key win A press\n3 key wi", true, "cut short at line 12"},
      {"no end line", h + "2 key win A press\n3 mouse term clicked left 4 5 4x5\n", true,
       "cut short at line 13"},
      {"resizes and the terminal's size",
       h + "0 terminal 100 30\n0 resize 90 20\n0 key term A press\n"
           "5 resize 50 10\n5 key term B press\nend 6\n",
       true, ""},
      {"resize after input", h + "4 key term A press\n4 resize 30 10\nend 5\n", false,
       "line 12: event out of order within step 4"},
      {"two resizes in a step", h + "4 resize 30 10\n4 resize 31 10\nend 5\n", false,
       "line 12: event out of order within step 4"},
      {"resize beyond any terminal", h + "4 resize 4097 10\nend 5\n", false,
       "line 11: terminal size is not two numbers from 1 to 4096"},
      {"resize to no rows", h + "4 resize 30 0\nend 5\n", false, "line 11: terminal size is not"},
      {"resize without rows", h + "4 resize 30\nend 5\n", false, "line 11: a resize line has 4"},
      {"terminal size after input", h + "0 key win A press\n0 terminal 30 10\nend 1\n", false,
       "line 12: a terminal line comes first"},
      {"terminal size at a later step", h + "3 terminal 30 10\nend 4\n", false,
       "line 11: a terminal line comes first"},
      {"terminal size twice", h + "0 terminal 30 10\n0 terminal 30 10\nend 4\n", false,
       "line 12: a terminal line comes first"},
      {"huge terminal size", h + "0 terminal 30 99999999999\nend 4\n", false,
       "line 11: terminal size is not"},
      {"input in the step the end line closes",
       h + "0 key term A press\n0 net connect 0 -\nend 0\n", true, ""},
      {"sum in the step the end line closes",
       h + "3 key win A press\n3 sum 0 0000000000000000 -\nend 3\n", false,
       "line 13: the end line's 3 steps do not cover step 3"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::string file = sbtest::tempDir() + "/hostile.rec";
    ASSERT_TRUE(sbtest::writeFile(file, c.text));
    int started = sbtest::startEngine("headless:true,\nreplay:" + file + ",\n");
    if (c.starts) {
      ASSERT_EQ(started, 0) << sbtest::readLog();
      new RecordingStopper;
      sb::GameManager::getInstance().run();
      EXPECT_LT(sb::GameManager::getInstance().getStepCount(), 200);  // the replay ended it
      sb::GameManager::getInstance().shutDown();
    } else {
      EXPECT_EQ(started, -1);
      EXPECT_FALSE(sb::Replay::getInstance().isReplaying());
    }
    std::string log = sbtest::readLog();
    EXPECT_NE(log.find(c.logged), std::string::npos) << log.substr(0, 3000);
    if (!c.starts) {
      EXPECT_NE(log.find("Recording '" + file + "' refused, line"), std::string::npos);
      sb::GameManager::getInstance().shutDown();
    }
  }
  // A missing file is named, with line 0.
  EXPECT_EQ(sbtest::startEngine("headless:true,\nreplay:/nonexistent/x.rec,\n"), -1);
  EXPECT_NE(sbtest::readLog().find("Recording '/nonexistent/x.rec' refused, line 0: cannot open"),
            std::string::npos);
}

// A game recorded in a window replays headless: the screen shake must take
// its random numbers whether or not anything is shown.
TEST(DeterminismGaps, AHeadlessShakeTakesItsRandomNumbersAsAWindowDoes) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nrandom_seed:4,\n"), 0);
  srand(4);
  sb::DisplayManager::getInstance().shake(3, 2, 4, false);
  for (int i = 0; i < 6; i++) sb::DisplayManager::getInstance().swapBuffers();
  int after = rand();
  srand(4);
  for (int i = 0; i < 8; i++) rand();  // two a step for the four shaken steps
  EXPECT_EQ(after, rand());
}
