// Sprites: animation timing, boxes, frames refused, sprite files on disk
// (good, malformed and hostile) with their log lines, the sprite limit and
// unloading while objects still show the sprite.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "Animation.h"
#include "Frame.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Object.h"
#include "ResourceManager.h"
#include "Sprite.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using sb::Vector;

sb::ResourceManager &resources() { return sb::ResourceManager::getInstance(); }

// A sprite of frames 1 x 1 frames "a", "b", "c", ... with this slowdown.
sb::Sprite *letters(int frames, int slowdown) {
  sb::Sprite *p_s = new sb::Sprite(frames);
  p_s->setWidth(1);
  p_s->setHeight(1);
  p_s->setSlowdown(slowdown);
  for (int i = 0; i < frames; i++) p_s->addFrame(sb::Frame(1, 1, std::string(1, 'a' + i)));
  return p_s;
}

// The indices an animation shows over draws draws.
std::vector<int> shown(sb::Animation &a, int draws) {
  std::vector<int> indices;
  for (int i = 0; i < draws; i++) {
    indices.push_back(a.getIndex());
    a.draw(Vector(5, 5));
  }
  return indices;
}

TEST(Animation, TimingBySlowdownFrozenAndWrap) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  struct Case {
    int frames, slowdown, start_index, start_count;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {3, 2, 0, 0, {0, 0, 1, 1, 2, 2, 0}},
      {2, 1, 0, 0, {0, 1, 0, 1, 0}},
      {2, 0, 0, 0, {0, 1, 0, 1}},          // 0 advances like 1
      {2, -5, 0, 0, {0, 1, 0, 1}},         // so does a negative slowdown
      {3, 3, 0, 0, {0, 0, 0, 1, 1, 1, 2, 2, 2, 0}},
      {3, 2, 0, -1, {0, 0, 0, 0, 0, 0}},   // frozen
      {3, 2, 2, -1, {2, 2, 2, 2}},         // frozen on another frame
      {1, 1, 0, 0, {0, 0, 0}},
      // Out of range, as a setter or a peer may leave them: back on the
      // frames at the next change, never stuck or overflowing.
      {2, 1, 100, 0, {100, 0, 1, 0}},
      {2, 1, -7, 0, {-7, 0, 1}},
      {2, 1, INT_MAX, 0, {INT_MAX, 0, 1}},
      {2, 3, 0, INT_MAX, {0, 1, 1, 1, 0}},
      {2, 3, 1, -9, {1, 1, 1, 0}},         // a count below -1 restarts, it does not freeze
  };
  for (const Case &c : cases) {
    sb::Sprite *p_s = letters(c.frames, c.slowdown);
    sb::Animation a;
    a.setSprite(p_s);
    a.setIndex(c.start_index);
    a.setSlowdownCount(c.start_count);
    EXPECT_EQ(shown(a, static_cast<int>(c.expected.size())), c.expected)
        << c.frames << " frames, slowdown " << c.slowdown << ", from " << c.start_index << "/"
        << c.start_count;
    delete p_s;
  }

  // setSprite restarts the index, keeps the count and takes the label as name.
  sb::Sprite *p_s = letters(3, 4);
  p_s->setLabel("abc");
  sb::Animation a;
  a.setIndex(2);
  a.setSlowdownCount(3);
  a.setSprite(p_s);
  EXPECT_EQ(a.getIndex(), 0);
  EXPECT_EQ(a.getSlowdownCount(), 3);
  EXPECT_EQ(a.getName(), "abc");
  sb::Animation none;
  EXPECT_EQ(none.draw(Vector(1, 1)), 0);
  EXPECT_EQ(none.getIndex(), 0);
  delete p_s;
}

TEST(Animation, BoxOfTheSpriteOrOfOneCell) {
  struct Case {
    int width, height;
    sb::Box expected;
  };
  const Case cases[] = {
      {5, 3, sb::Box(Vector(-2.5f, -1.5f), 5, 3)},
      {4, 2, sb::Box(Vector(-2, -1), 4, 2)},
      {1, 1, sb::Box(Vector(-0.5f, -0.5f), 1, 1)},
  };
  for (const Case &c : cases) {
    sb::Sprite s(1);
    s.setWidth(c.width);
    s.setHeight(c.height);
    sb::Animation a;
    a.setSprite(&s);
    EXPECT_EQ(a.getBox(), c.expected) << c.width << "x" << c.height;
  }
  EXPECT_EQ(sb::Animation().getBox(), sb::Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f));
}

TEST(Sprite, CapacityFramesOutOfRangeAndShortStrings) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Sprite s(2);
  EXPECT_EQ(s.getLabel(), "[Undefined]");
  EXPECT_EQ(s.getColor(), sb::WHITE);
  EXPECT_EQ(s.getSlowdown(), 1);
  EXPECT_EQ(s.addFrame(sb::Frame(1, 1, "x")), 0);
  EXPECT_EQ(s.addFrame(sb::Frame(1, 1, "y")), 0);
  EXPECT_EQ(s.addFrame(sb::Frame(1, 1, "z")), -1);
  EXPECT_EQ(s.getFrameCount(), 2);
  EXPECT_EQ(s.getFrame(1).getString(), "y");
  for (int index : {-1, 2, INT_MIN}) {
    sb::Frame f = s.getFrame(index);
    EXPECT_EQ(f.getWidth(), 0);
    EXPECT_EQ(f.getString(), "");
    EXPECT_EQ(s.draw(index, Vector(3, 3), 0), 0);
  }

  // Claimed capacity costs nothing; an impossible one holds no frames.
  sb::Sprite huge(2000000000);
  EXPECT_EQ(huge.addFrame(sb::Frame(1, 1, "x")), 0);
  sb::Sprite negative(-2);
  EXPECT_EQ(negative.getMaxFrameCount(), 0);
  EXPECT_EQ(negative.addFrame(sb::Frame(1, 1, "x")), -1);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(),
                                 "Sprite::Sprite(): Error! Unable to allocate -2 frames."));

  // A frame whose string is shorter than its size is refused, not read past.
  sb::Frame short_frame(4, 3, "abcd");
  EXPECT_EQ(short_frame.draw(Vector(5, 5), sb::RED, 0), -1);
  sb::Frame overflowing(INT_MAX, INT_MAX, "ab");
  EXPECT_EQ(overflowing.draw(Vector(5, 5), sb::RED, 0), -1);
  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(
      log, "Frame::draw(): Error! Frame string has 4 characters, 4 x 3 needs 12."));
  EXPECT_TRUE(sbtest::hasMessage(log, "Frame::draw(): Error! Frame string has 2 characters, "
                                      "2147483647 x 2147483647 needs 4611686014132420609."));
}

// The example sprite: two 3 x 2 frames, yellow, transparency '#', slowdown 4.
const char *const EXAMPLE =
    "<HEADER>\nframes 2\nwidth 3\nheight 2\ncolor yellow\ntransparency #\nslowdown 4\n"
    "</HEADER>\n<BODY>\n(o)\n#^#\nend\n(-)\n#^#\nend\n</BODY>\n<FOOTER>\nversion 1\n"
    "</FOOTER>\n";

// text with the first occurrence of from replaced by to.
std::string replaced(std::string text, const std::string &from, const std::string &to) {
  if (!from.empty()) text.replace(text.find(from), from.size(), to);
  return text;
}

std::string example(const std::string &from = "", const std::string &to = "") {
  return replaced(EXAMPLE, from, to);
}

std::string withCrLf(std::string text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

const std::string NOT_LOADED = "ResourceManager::loadSprite(): Sprite 's' not loaded.";

TEST(SpriteFile, GoodAndMalformedFilesWithTheirLogLines) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager::getInstance().setLogLevel(5);
  std::string dir = sbtest::tempDir();

  struct Case {
    const char *name;
    std::string text;
    int result;
    std::vector<std::string> messages;  // in this order in the log
  };
  const std::string three_frames =
      example("</BODY>", "(+)\n#^#\nend\n</BODY>");
  const Case cases[] = {
      {"example", EXAMPLE, 0,
       {"ResourceManager::loadSprite(): Loading sprite '" + dir + "/example'.",
        "ResourceManager::loadSprite(): Opened file '" + dir + "/example'.",
        "\t      Frames: 2", "\t       Width: 3", "\t      Height: 2", "\t    Slowdown: 4",
        "\tTransparency: #", "\t       Color: yellow",
        "ResourceManager::loadSprite(): Sprite 's' loaded."}},
      {"crlf", withCrLf(EXAMPLE), 0, {"ResourceManager::loadSprite(): Sprite 's' loaded."}},
      {"no-final-newline", example("</FOOTER>\n", "</FOOTER>"), -1,
       {"getLine(): Error! Unexpected end of file.",
        "readData(): Error! Never encountered '</FOOTER>'.", NOT_LOADED}},
      {"long-row", example("#^#\nend\n(-)", "#^##\nend\n(-)"), -1,
       {"\tError! Line 11: Line length is 4 (frame width is 3).", "\tLine 11: '#^##'",
        "ResourceManager::loadSprite(): Error! No frame data to add.", NOT_LOADED}},
      {"defaults", example("color yellow\ntransparency #\nslowdown 4\n"), 0,
       {"ResourceManager::loadSprite(): Warning! No 'color' in header.",
        "ResourceManager::loadSprite(): Warning! No 'transparency' in header.",
        "ResourceManager::loadSprite(): Warning! No 'slowdown' in header.",
        "\t    Slowdown: 0", "\tTransparency: (none)", "\t       Color: default"}},
      {"capital-red", example("yellow", "Red"), -1,
       {"ResourceManager::loadSprite(): Error! Unrecognized color 'Red'.",
        "  Valid colors are: black, red, green, yellow,",
        "                    blue, magenta, cyan and white.", NOT_LOADED}},
      {"two-frames-lines", example("frames 2", "frames 1\nframes 2"), 0,
       {"matchLineInt(): Warning! 'frames 2' matches multiple lines.", "\t      Frames: 2"}},
      {"extra-body", three_frames, -1,
       {"ResourceManager::loadSprite(): Error! Extra BODY:", "\tline 16: (+)",
        "\tline 17: #^#", "\tline 18: end", NOT_LOADED}},
      {"missing-frame", example("(-)\n#^#\nend\n"), -1,
       {"\tError! Line 13: No more frame data.",
        "ResourceManager::loadSprite(): Error! No frame data to add.", NOT_LOADED}},
      {"ends-inside-frame", example("(-)\n#^#\nend\n", "(-)\n"), -1,
       {"\tError! Line 14: No more frame data.",
        "ResourceManager::loadSprite(): Error! No frame data to add."}},
      {"no-end", example("#^#\nend\n(-)", "#^#\nfin\n(-)"), -1,
       {"\tError! Line 12: Expected 'end'.", "\tLine 12: 'fin'", NOT_LOADED}},
      {"missing-width", example("width 3\n"), -1,
       {"ResourceManager::loadSprite(): Error! Missing 'width' in header.", NOT_LOADED}},
      {"height-minus-one", example("height 2", "height -1"), -1,
       {"ResourceManager::loadSprite(): Error! Missing 'height' in header."}},
      {"wrong-tag", example("<HEADER>", "HEADER"), -1,
       {"readData(): Error line 1! Expected '<HEADER>', have 'HEADER'.", NOT_LOADED}},
      {"body-tag", example("<BODY>", "<BODI>"), -1,
       {"readData(): Error line 9! Expected '<BODY>', have '<BODI>'.", NOT_LOADED}},
      {"blank-in-header", example("width 3\n", "width 3\n\n"), -1,
       {"readData(): Error! Never encountered '</HEADER>'.", NOT_LOADED}},
      {"empty-header", "<HEADER>\n</HEADER>\n", -1, {NOT_LOADED}},
      {"no-version", example("version 1", "edition 1"), -1,
       {"ResourceManager::loadSprite(): Error! Missing 'version' in FOOTER (line 18).",
        NOT_LOADED}},
      {"empty-version", example("version 1", "version "), -1,
       {"ResourceManager::loadSprite(): Error! Missing 'version' in FOOTER (line 18)."}},
      {"unused-lines",
       replaced(example("slowdown 4", "slowdown 4\nauthor me"), "version 1",
                "version 1\ndate today"),
       0,
       {"ResourceManager::loadSprite(): Warning! Unused HEADER lines:", "\t'author me'",
        "ResourceManager::loadSprite(): Warning! Unused FOOTER lines:", "\t'date today'",
        "ResourceManager::loadSprite(): Sprite 's' loaded."}},
      // Hostile headers and lines: refused without believing the header.
      {"frames-minus-two", example("frames 2", "frames -2"), -1,
       {"ResourceManager::loadSprite(): Error! 'frames' is -2, must be 0 to 10000.",
        NOT_LOADED}},
      {"frames-two-thousand-million", example("frames 2", "frames 2000000000"), -1,
       {"ResourceManager::loadSprite(): Error! 'frames' is 2000000000, must be 0 to 10000."}},
      {"width-beyond-int", example("width 3", "width 99999999999"), -1,
       {"ResourceManager::loadSprite(): Error! Line 3: 'width 99999999999' is out of range.",
        NOT_LOADED}},
      {"huge-area", example("width 3\nheight 2", "width 1024\nheight 1024"), -1,
       {"\tError! Line 10: Line length is 3 (frame width is 1024).", NOT_LOADED}},
      {"key-alone", example("width 3", "width"), -1,
       {"ResourceManager::loadSprite(): Error! Line 3: 'width' has no value.", NOT_LOADED}},
      {"version-alone", example("version 1", "version"), -1,
       {"ResourceManager::loadSprite(): Error! Line 18: 'version' has no value.", NOT_LOADED}},
      {"megabyte-line", example("color yellow", "color " + std::string(1 << 20, 'y')), -1,
       {"getLine(): Error! Line 5 is longer than 4096 characters.",
        "readData(): Error! Never encountered '</HEADER>'.", NOT_LOADED}},
      // Text from the file is never a format.
      {"format-text", example("(o)", "%n%s"), -1,
       {"\tError! Line 10: Line length is 4 (frame width is 3).", "\tLine 10: '%n%s'"}},
      {"format-colour", example("yellow", "%s%n"), -1,
       {"ResourceManager::loadSprite(): Error! Unrecognized color '%s%n'."}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir + "/" + c.name;
    ASSERT_TRUE(sbtest::writeFile(path, c.text));
    size_t before = sbtest::readLog().size();
    int count_before = resources().getSpriteCount();
    EXPECT_EQ(resources().loadSprite(path, "s"), c.result);
    std::string log = sbtest::readLog().substr(before);
    EXPECT_TRUE(sbtest::messagesInOrder(log, c.messages)) << log;
    EXPECT_EQ(resources().getSpriteCount(), count_before + (c.result == 0 ? 1 : 0));
    if (c.result == 0) {
      EXPECT_EQ(sbtest::countOf(log, "Error!"), 0) << log;
    } else {
      EXPECT_EQ(sbtest::countMessage(log, NOT_LOADED), 1) << log;
    }
    resources().unloadSprite("s");
  }

  // What the example's sprite holds.
  ASSERT_EQ(resources().loadSprite(dir + "/crlf", "crlf-label"), 0);
  sb::Sprite *p_s = resources().getSprite("crlf-label");
  ASSERT_NE(p_s, nullptr);
  EXPECT_EQ(p_s->getLabel(), "crlf-label");
  EXPECT_EQ(p_s->getColor(), sb::YELLOW);
  EXPECT_EQ(p_s->getFrameCount(), 2);
  EXPECT_EQ(p_s->getWidth(), 3);
  EXPECT_EQ(p_s->getHeight(), 2);
  EXPECT_EQ(p_s->getTransparency(), '#');
  EXPECT_EQ(p_s->getSlowdown(), 4);
  EXPECT_EQ(p_s->getFrame(0).getString(), "(o)#^#");
  EXPECT_EQ(p_s->getFrame(1).getString(), "(-)#^#");
  ASSERT_EQ(resources().loadSprite(dir + "/defaults", "plain"), 0);
  EXPECT_EQ(resources().getSprite("plain")->getColor(), sb::WHITE);
  EXPECT_EQ(resources().getSprite("plain")->getSlowdown(), 0);
  EXPECT_EQ(resources().getSprite("plain")->getTransparency(), 0);
}

TEST(SpriteFile, WhatIsNotARegularFileIsRefusedAtOnce) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::string fifo = sbtest::tempDir() + "/sprite-fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {fifo, "ResourceManager::loadSprite(): Error! '" + fifo + "' is not a regular file."},
      {"/dev/zero", "ResourceManager::loadSprite(): Error! '/dev/zero' is not a regular file."},
      {sbtest::tempDir(),
       "ResourceManager::loadSprite(): Error! '" + sbtest::tempDir() + "' is not a regular file."},
      {"/nonexistent/sprite.txt",
       "ResourceManager::loadSprite(): Error! Cannot open file '/nonexistent/sprite.txt'."},
  };
  for (const Case &c : cases) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(resources().loadSprite(c.path, "s"), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.path;
    EXPECT_TRUE(sbtest::messagesInOrder(sbtest::readLog(), {c.message, NOT_LOADED})) << c.path;
  }
  unlink(fifo.c_str());

  // A stream longer than any sprite file may be is cut off by the byte bound.
  std::string endless = "<HEADER>\n";
  for (int i = 0; endless.size() <= static_cast<size_t>(sb::MAX_SPRITE_BYTES); i++)
    endless += "note " + std::string(200, 'x') + "\n";
  std::istringstream in(endless);
  EXPECT_EQ(resources().loadSprite(in, "s"), -1);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(),
                                 "getLine(): Error! More than 1048576 bytes of sprite data."));
}

TEST(SpriteFile, LimitLookupUnloadAndNotStarted) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::string path = sbtest::tempDir() + "/limit-sprite";
  ASSERT_TRUE(sbtest::writeFile(path, EXAMPLE));

  // Two sprites under one label: the first loaded is found until unloaded.
  ASSERT_EQ(resources().loadSprite(path, "twin"), 0);
  std::istringstream second(example("yellow", "red"));
  ASSERT_EQ(resources().loadSprite(second, "twin"), 0);
  EXPECT_EQ(resources().getSprite("twin")->getColor(), sb::YELLOW);
  EXPECT_EQ(resources().unloadSprite("twin"), 0);
  EXPECT_EQ(resources().getSprite("twin")->getColor(), sb::RED);
  EXPECT_EQ(resources().unloadSprite("twin"), 0);
  EXPECT_EQ(resources().unloadSprite("twin"), -1);
  EXPECT_EQ(resources().getSprite("twin"), nullptr);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(),
                                 "ResourceManager::getSprite(): Warning! Sprite 'twin' not found."));

  for (int i = 0; i < sb::MAX_SPRITES; i++) {
    std::istringstream in(EXAMPLE);
    ASSERT_EQ(resources().loadSprite(in, "n" + std::to_string(i)), 0) << i;
  }
  EXPECT_EQ(resources().loadSprite(path, "one-too-many"), -1);
  EXPECT_TRUE(sbtest::messagesInOrder(
      sbtest::readLog(),
      {"ResourceManager::loadSprite(): Error! Cannot add more Sprites (max is 1000).",
       "ResourceManager::loadSprite(): Sprite 'one-too-many' not loaded."}));
  // Unloading keeps the order of the others and makes room for one more.
  EXPECT_EQ(resources().unloadSprite("n500"), 0);
  EXPECT_NE(resources().getSprite("n501"), nullptr);
  EXPECT_EQ(resources().loadSprite(path, "one-more"), 0);
  EXPECT_NE(resources().getSprite("one-more"), nullptr);
  EXPECT_NE(resources().getSprite("n999"), nullptr);

  resources().shutDown();
  EXPECT_EQ(resources().getSpriteCount(), 0);
  EXPECT_EQ(resources().loadSprite(path, "late"), -1);
  EXPECT_EQ(resources().unloadSprite("n1"), -1);
  EXPECT_EQ(sbtest::countMessage(sbtest::readLog(), "ResourceManager not started!"), 2);
  EXPECT_EQ(resources().startUp(), 0);
  EXPECT_EQ(resources().startUp(), 0);
  EXPECT_TRUE(
      sbtest::hasMessage(sbtest::readLog(), "ResourceManager::startUp(): Already started."));
}

TEST(SpriteFile, UnloadedSpriteStaysValidForObjectsShowingIt) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::istringstream in(EXAMPLE);
  ASSERT_EQ(resources().loadSprite(in, "walker"), 0);
  sb::Object *p_o = new sb::Object;
  ASSERT_EQ(p_o->setSprite("walker"), 0);
  EXPECT_EQ(p_o->getBox(), sb::Box(Vector(-1.5f, -1), 3, 2));
  EXPECT_EQ(resources().unloadSprite("walker"), 0);
  EXPECT_EQ(resources().getSprite("walker"), nullptr);
  // The object keeps a sprite that is no longer looked up; the sanitizer
  // build would report any read of freed memory here.
  for (int i = 0; i < 10; i++) p_o->draw();
  EXPECT_EQ(p_o->getAnimation().getSprite()->getLabel(), "walker");
  EXPECT_EQ(p_o->getAnimation().getIndex(), 0);  // slowdown 4: 10 draws, back on frame 0
  EXPECT_EQ(p_o->setSprite("walker"), -1);
  sb::GameManager::getInstance().shutDown();  // frees it after the world is gone
}

}  // namespace
