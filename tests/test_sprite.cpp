// Sprites: animation timing and boxes, frames refused, sprite files on disk
// (good, malformed, hostile) with their log lines, the limit and unloading.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "Animation.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Object.h"
#include "ResourceManager.h"
#include "Sprite.h"
#include "WorldManager.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using sb::Vector;

using sbtest::resources;

TEST(Animation, TimingBySlowdownFrozenWrapAndOutOfRange) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  struct Case {
    int frames, slowdown, index, count;
    std::vector<int> shown;  // the index before each draw
  };
  const Case cases[] = {
      {3, 2, 0, 0, {0, 0, 1, 1, 2, 2, 0}}, {2, 1, 0, 0, {0, 1, 0, 1}},
      {2, 0, 0, 0, {0, 1, 0, 1}},          {2, -5, 0, 0, {0, 1, 0}},
      {3, 2, 0, -1, {0, 0, 0, 0, 0}},      {3, 2, 2, -1, {2, 2, 2}},  // frozen
      {1, 1, 0, 0, {0, 0, 0}},
      // Set out of range: back on the frames at the next change, no overflow,
      // and a count below -1 restarts instead of freezing later.
      {2, 1, 100, 0, {100, 0, 1}},         {2, 1, -7, 0, {-7, 0, 1}},
      {2, 1, INT_MAX, 0, {INT_MAX, 0, 1}}, {2, 3, 0, INT_MAX, {0, 1, 1, 1, 0}},
      {2, 3, 1, -9, {1, 1, 1, 0}},
  };
  for (const Case &c : cases) {
    sb::Sprite s(c.frames);
    s.setSlowdown(c.slowdown);
    for (int i = 0; i < c.frames; i++) s.addFrame(sb::Frame(1, 1, std::string(1, 'a' + i)));
    sb::Animation a;
    a.setSprite(&s);
    a.setIndex(c.index);
    a.setSlowdownCount(c.count);
    std::vector<int> shown;
    for (size_t i = 0; i < c.shown.size(); i++, a.draw(Vector(5, 5))) shown.push_back(a.getIndex());
    EXPECT_EQ(shown, c.shown) << c.frames << " frames, slowdown " << c.slowdown;
  }
  // Boxes: the sprite's size centred on the position, or just under one cell.
  for (std::pair<int, int> size : std::initializer_list<std::pair<int, int>>{{5, 3}, {4, 2}}) {
    sb::Sprite s(1);
    s.setWidth(size.first);
    s.setHeight(size.second);
    sb::Animation a;
    a.setSprite(&s);
    EXPECT_EQ(a.getBox(), sb::Box(Vector(-size.first / 2.0f, -size.second / 2.0f), size.first,
                                  size.second));
  }
  EXPECT_EQ(sb::Animation().getBox(), sb::Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f));
}

TEST(Sprite, CapacityMissingFramesAndShortStrings) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Sprite s(2);
  EXPECT_EQ(s.addFrame(sb::Frame(1, 1, "x")), 0);
  EXPECT_EQ(s.addFrame(sb::Frame(1, 1, "y")), 0);
  EXPECT_EQ(s.addFrame(sb::Frame(1, 1, "z")), -1);
  for (int index : {-1, 2, INT_MIN}) {
    EXPECT_EQ(s.getFrame(index).getString(), "");
    EXPECT_EQ(s.draw(index, Vector(3, 3), 0), 0);
  }
  EXPECT_EQ(sb::Sprite(2000000000).addFrame(sb::Frame(1, 1, "x")), 0);  // claimed, not allocated
  EXPECT_EQ(sb::Sprite(-2).addFrame(sb::Frame(1, 1, "x")), -1);
  // A string shorter than width x height is refused, not read past.
  EXPECT_EQ(sb::Frame(4, 3, "abcd").draw(Vector(5, 5), sb::RED, 0), -1);
  EXPECT_EQ(sb::Frame(INT_MAX, INT_MAX, "ab").draw(Vector(5, 5), sb::RED, 0), -1);
  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(log, "Sprite::Sprite(): Error! Unable to allocate -2 frames."));
  EXPECT_TRUE(sbtest::hasMessage(
      log, "Frame::draw(): Error! Frame string has 4 characters, 4 x 3 needs 12."));
}

const char *const EXAMPLE =
    "<HEADER>\nframes 2\nwidth 3\nheight 2\ncolor yellow\ntransparency #\nslowdown 4\n"
    "</HEADER>\n<BODY>\n(o)\n#^#\nend\n(-)\n#^#\nend\n</BODY>\n<FOOTER>\nversion 1\n"
    "</FOOTER>\n";

// The example with the first from replaced by to, and then from2 by to2.
std::string example(const std::string &from = "", const std::string &to = "",
                    const std::string &from2 = "", const std::string &to2 = "") {
  std::string text = EXAMPLE;
  if (!from.empty()) text.replace(text.find(from), from.size(), to);
  if (!from2.empty()) text.replace(text.find(from2), from2.size(), to2);
  return text;
}

// A sprite of frames frames of width x height 'x's, with header_extra lines
// ahead of the header's end.
std::string spriteText(int frames, int width, int height, const std::string &header_extra = "") {
  std::string text = "<HEADER>\nframes " + std::to_string(frames) + "\nwidth " +
                     std::to_string(width) + "\nheight " + std::to_string(height) + "\n" +
                     header_extra + "</HEADER>\n<BODY>\n";
  std::string row = std::string(static_cast<size_t>(width), 'x') + "\n";
  for (int f = 0; f < frames; f++) {
    for (int r = 0; r < height; r++) text += row;
    text += "end\n";
  }
  return text + "</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n";
}

// A sprite file of exactly bytes bytes, padded with an unused header line.
std::string spriteOfSize(size_t bytes) {
  std::string base = spriteText(1, 3, 1, "note \n");
  return spriteText(1, 3, 1, "note " + std::string(bytes - base.size(), 'n') + "\n");
}

const std::string RM = "ResourceManager::loadSprite(): ";
const std::string NOT_LOADED = RM + "Sprite 's' not loaded.";

TEST(SpriteFile, GoodMalformedAndHostileFilesWithTheirLogLines) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager::getInstance().setLogLevel(5);
  std::string dir = sbtest::tempDir(), fifo = dir + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string crlf;
  for (const char *p = EXAMPLE; *p; p++) crlf += *p == '\n' ? "\r\n" : std::string(1, *p);
  std::string endless = "<HEADER>\n";
  while (endless.size() <= 1 << 20) endless += "note\n";

  struct Case {
    std::string name, text;  // a name starting with '/' is a path, not written
    int result;
    std::vector<std::string> messages;  // in this order in the log
  };
  const Case cases[] = {
      {"example", EXAMPLE, 0,
       {RM + "Loading sprite '" + dir + "/example'.", RM + "Opened file '" + dir + "/example'.",
        "\t      Frames: 2", "\t       Width: 3", "\t      Height: 2", "\t    Slowdown: 4",
        "\tTransparency: #", "\t       Color: yellow"}},
      {"crlf", crlf, 0, {}},
      // Large but paid for by the file's bytes, up to the 1 MiB cap itself.
      {"many-frames", spriteText(20000, 1, 1), 0, {"\t      Frames: 20000"}},
      {"wide", spriteText(2, 2000, 3), 0, {"\t       Width: 2000"}},
      {"tall", spriteText(2, 3, 2000), 0, {"\t      Height: 2000"}},
      {"long-unused-line", spriteText(1, 1, 1, std::string(5000, 'u') + "\n"), 0,
       {RM + "Warning! Unused HEADER lines:"}},
      {"exactly-1mib", spriteOfSize(1 << 20), 0, {}},
      // Empty text values count as absent.
      {"empty-color", example("color yellow", "color "), 0,
       {RM + "Warning! No 'color' in header.", "\t       Color: default"}},
      {"empty-transparency", example("transparency #", "transparency "), 0,
       {RM + "Warning! No 'transparency' in header.", "\tTransparency: (none)"}},
      {"defaults", example("color yellow\ntransparency #\nslowdown 4\n"), 0,
       {RM + "Warning! No 'color' in header.", RM + "Warning! No 'transparency' in header.",
        RM + "Warning! No 'slowdown' in header.", "\t    Slowdown: 0", "\tTransparency: (none)",
        "\t       Color: default"}},
      {"frames-twice", example("frames 2", "frames 1\nframes 2"), 0,
       {"matchLineInt(): Warning! 'frames 2' matches multiple lines.", "\t      Frames: 2"}},
      {"unused", example("slowdown 4", "slowdown 4\nauthor me", "version 1", "version 1\nx y"), 0,
       {RM + "Warning! Unused HEADER lines:", "\t'author me'", RM + "Warning! Unused FOOTER lines:",
        "\t'x y'"}},
      {"no-final-newline", example("</FOOTER>\n", "</FOOTER>"), -1,
       {"getLine(): Error! Unexpected end of file.",
        "readData(): Error! Never encountered '</FOOTER>'."}},
      {"long-row", example("#^#\nend\n(-)", "#^##\nend\n(-)"), -1,
       {"\tError! Line 11: Line length is 4 (frame width is 3).", "\tLine 11: '#^##'",
        RM + "Error! No frame data to add."}},
      {"capital-red", example("yellow", "Red"), -1,
       {RM + "Error! Unrecognized color 'Red'.", "  Valid colors are: black, red, green, yellow,",
        "                    blue, magenta, cyan and white."}},
      {"extra-body", example("</BODY>", "(+)\n#^#\nend\n</BODY>"), -1,
       {RM + "Error! Extra BODY:", "\tline 16: (+)", "\tline 17: #^#", "\tline 18: end"}},
      {"missing-frame", example("(-)\n#^#\nend\n"), -1,
       {"\tError! Line 13: No more frame data.", RM + "Error! No frame data to add."}},
      {"ends-in-frame", example("(-)\n#^#\nend\n", "(-)\n"), -1,
       {"\tError! Line 14: No more frame data."}},
      {"no-end", example("#^#\nend\n(-)", "#^#\nfin\n(-)"), -1,
       {"\tError! Line 12: Expected 'end'.", "\tLine 12: 'fin'"}},
      {"no-width", example("width 3\n"), -1, {RM + "Error! Missing 'width' in header."}},
      {"height-minus-one", example("height 2", "height -1"), -1,
       {RM + "Error! Missing 'height' in header."}},
      {"wrong-tag", example("<BODY>", "<BODI>"), -1,
       {"readData(): Error line 9! Expected '<BODY>', have '<BODI>'."}},
      {"blank-line", example("width 3\n", "width 3\n\n"), -1,
       {"readData(): Error! Never encountered '</HEADER>'."}},
      {"empty-header", "<HEADER>\n</HEADER>\n", -1,
       {"readData(): Error! Nothing between '<HEADER>' and '</HEADER>'."}},
      {"no-version", example("version 1", "edition 1"), -1,
       {RM + "Error! Missing 'version' in FOOTER (line 18)."}},
      // Hostile: refused without believing the header, and quickly.
      {"frames-negative", example("frames 2", "frames -2"), -1,
       {RM + "Error! 'frames' is -2, must not be negative."}},
      {"frames-huge", example("frames 2", "frames 2000000000"), -1,
       {"\tError! Line 16: No more frame data.", RM + "Error! No frame data to add."}},
      {"width-beyond-int", example("width 3", "width 99999999999"), -1,
       {RM + "Error! Line 3: 'width 99999999999' is out of range."}},
      {"large-area", example("width 3\nheight 2", "width 1024\nheight 1024"), -1,
       {"\tError! Line 10: Line length is 3 (frame width is 1024)."}},
      {"key-alone", example("width 3", "width"), -1, {RM + "Error! Line 3: 'width' has no value."}},
      {"version-alone", example("version 1", "version"), -1,
       {RM + "Error! Line 18: 'version' has no value."}},
      {"megabyte-line", example("yellow", std::string(1 << 20, 'y')), -1,
       {"getLine(): Error! More than 1048576 bytes of sprite data."}},
      {"one-byte-over", spriteOfSize((1 << 20) + 1), -1,
       {"getLine(): Error! More than 1048576 bytes of sprite data."}},
      {"megabytes", endless, -1,
       {"getLine(): Error! More than 1048576 bytes of sprite data."}},
      {"format-text", example("#^#\nend\n(-)", "%n%s%n\nend\n(-)"), -1,
       {"\tError! Line 11: Line length is 6 (frame width is 3).", "\tLine 11: '%n%s%n'"}},
      {fifo, "", -1, {RM + "Error! '" + fifo + "' is not a regular file."}},
      {"/dev/zero", "", -1, {RM + "Error! '/dev/zero' is not a regular file."}},
      {"/nonexistent/x", "", -1, {RM + "Error! Cannot open file '/nonexistent/x'."}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = c.name[0] == '/' ? c.name : dir + "/" + c.name;
    if (c.name[0] != '/') {
      ASSERT_TRUE(sbtest::writeFile(path, c.text));
    }
    size_t before = sbtest::readLog().size();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(resources().loadSprite(path, "s"), c.result);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    std::string log = sbtest::readLog().substr(before);
    std::vector<std::string> wanted = c.messages;
    wanted.push_back(c.result == 0 ? RM + "Sprite 's' loaded." : NOT_LOADED);
    EXPECT_TRUE(sbtest::messagesInOrder(log, wanted)) << log;
    EXPECT_EQ(sbtest::countOf(log, "Error") == 0, c.result == 0) << log;
    EXPECT_EQ(resources().getSpriteCount(), c.result == 0 ? 1 : 0);
    resources().unloadSprite("s");
  }

  ASSERT_EQ(resources().loadSprite(dir + "/crlf", "crlf-label"), 0);
  sb::Sprite *p_s = resources().getSprite("crlf-label");
  ASSERT_NE(p_s, nullptr);
  EXPECT_EQ(p_s->getLabel(), "crlf-label");
  EXPECT_EQ(p_s->getColor(), sb::YELLOW);
  EXPECT_EQ(p_s->getTransparency(), '#');
  EXPECT_EQ(p_s->getSlowdown(), 4);
  EXPECT_EQ(p_s->getFrameCount(), 2);
  EXPECT_EQ(p_s->getFrame(1).getString(), "(-)#^#");
  for (const char *name : {"defaults", "empty-color", "empty-transparency"}) {
    ASSERT_EQ(resources().loadSprite(dir + "/" + name, name), 0);
    sb::Sprite *p_plain = resources().getSprite(name);
    EXPECT_EQ(p_plain->getColor(), std::string(name) == "empty-transparency" ? sb::YELLOW : sb::WHITE);
    EXPECT_EQ(p_plain->getTransparency(), std::string(name) == "empty-color" ? '#' : 0);
  }
  ASSERT_EQ(resources().loadSprite(dir + "/many-frames", "many"), 0);
  EXPECT_EQ(resources().getSprite("many")->getFrameCount(), 20000);
  EXPECT_EQ(resources().getSprite("many")->getFrame(19999).getString(), "x");
}

// Levels loaded and unloaded in a loop: an unloaded sprite lives exactly as
// long as some object's animation shows it, however the objects let go.
TEST(SpriteFile, UnloadedSpritesLiveWhileObjectsShowThem) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &world = sb::WorldManager::getInstance();
  std::istringstream other_text(EXAMPLE);
  ASSERT_EQ(resources().loadSprite(other_text, "other"), 0);
  enum LetGo { DELETED, OTHER_SPRITE, EMPTY_ANIMATION, DESERIALIZED, NONE };
  for (int level = 0; level < 40; level++) {
    std::istringstream in(EXAMPLE);
    ASSERT_EQ(resources().loadSprite(in, "level"), 0);
    sb::Sprite *p_level = resources().getSprite("level");
    std::vector<sb::Object *> shown;
    for (int i = 0; i < 3; i++) {
      shown.push_back(new sb::Object);
      ASSERT_EQ(shown.back()->setSprite("level"), 0);
    }
    shown[2]->setActive(false);  // inactive objects are live too
    ASSERT_EQ(resources().unloadSprite("level"), 0);
    ASSERT_EQ(resources().getUnloadedSpriteCount(), 1);
    // Each object lets go in its own way, one a step; the sprite must stay
    // valid (the sanitizer build checks the draws) until the last one has.
    LetGo ways[] = {static_cast<LetGo>(level % 4), static_cast<LetGo>((level + 1) % 4), DELETED};
    for (int i = 0; i < 3; i++) {
      for (sb::Object *p_o : shown)
        if (p_o && p_o->getAnimation().getSprite() == p_level) {
          EXPECT_EQ(p_level->getFrameCount(), 2);
          p_o->draw();
        }
      sb::Object *p_o = shown[i];
      if (ways[i] == OTHER_SPRITE) p_o->setSprite("other");
      if (ways[i] == EMPTY_ANIMATION) p_o->setAnimation(sb::Animation());
      if (ways[i] == DESERIALIZED) p_o->deserialize("sprite_name:other,");
      if (ways[i] == DELETED) {
        world.markForDelete(p_o);
        shown[i] = nullptr;
      } else {
        EXPECT_NE(p_o->getAnimation().getSprite(), p_level);
      }
      world.update();
      EXPECT_EQ(resources().getUnloadedSpriteCount(), i < 2 ? 1 : 0) << level << " " << i;
    }
    for (sb::Object *p_o : shown)
      if (p_o) world.markForDelete(p_o);
    world.update();
  }
  // A sprite no object shows goes at once; the one still shown stays.
  sb::Object *p_keeper = new sb::Object;
  ASSERT_EQ(p_keeper->setSprite("other"), 0);
  for (const char *label : {"a", "b"}) {
    std::istringstream in(EXAMPLE);
    ASSERT_EQ(resources().loadSprite(in, label), 0);
  }
  ASSERT_EQ(resources().unloadSprite("a"), 0);
  EXPECT_EQ(resources().getUnloadedSpriteCount(), 0);
  ASSERT_EQ(resources().unloadSprite("other"), 0);
  EXPECT_EQ(resources().getUnloadedSpriteCount(), 1);
  world.update();
  EXPECT_EQ(resources().getUnloadedSpriteCount(), 1);
  sb::GameManager::getInstance().shutDown();
  EXPECT_EQ(resources().getUnloadedSpriteCount(), 0);
}

TEST(SpriteFile, LimitLookupUnloadAndNotStarted) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::string path = sbtest::tempDir() + "/sprite";
  ASSERT_TRUE(sbtest::writeFile(path, EXAMPLE));
  // Two sprites under one label: the first loaded is found until unloaded.
  ASSERT_EQ(resources().loadSprite(path, "twin"), 0);
  std::istringstream red(example("yellow", "red"));
  ASSERT_EQ(resources().loadSprite(red, "twin"), 0);
  sb::Object *p_o = new sb::Object;
  ASSERT_EQ(p_o->setSprite("twin"), 0);
  EXPECT_EQ(p_o->getBox(), sb::Box(Vector(-1.5f, -1), 3, 2));
  EXPECT_EQ(resources().unloadSprite("twin"), 0);
  EXPECT_EQ(resources().getSprite("twin")->getColor(), sb::RED);
  EXPECT_EQ(resources().unloadSprite("twin"), 0);
  EXPECT_EQ(resources().unloadSprite("twin"), -1);
  EXPECT_EQ(resources().getSprite("twin"), nullptr);
  // The object still shows the unloaded sprite: it stays valid (the
  // sanitizer build reports any read of freed memory) until shut-down.
  for (int i = 0; i < 10; i++) p_o->draw();
  EXPECT_EQ(p_o->getAnimation().getSprite()->getColor(), sb::YELLOW);

  for (int i = 0; i < sb::MAX_SPRITES; i++) {
    std::istringstream in(EXAMPLE);
    ASSERT_EQ(resources().loadSprite(in, "n" + std::to_string(i)), 0) << i;
  }
  EXPECT_EQ(resources().loadSprite(path, "s"), -1);
  EXPECT_TRUE(sbtest::messagesInOrder(
      sbtest::readLog(), {RM + "Error! Cannot add more Sprites (max is 1000).", NOT_LOADED}));
  EXPECT_EQ(resources().unloadSprite("n500"), 0);  // the order of the others is kept
  EXPECT_EQ(resources().loadSprite(path, "s"), 0);
  for (const char *label : {"n499", "n501", "n999", "s"})
    EXPECT_NE(resources().getSprite(label), nullptr) << label;

  resources().shutDown();
  EXPECT_EQ(resources().getSpriteCount(), 0);
  EXPECT_EQ(resources().loadSprite(path, "s"), -1);
  EXPECT_EQ(resources().unloadSprite("s"), -1);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "ResourceManager not started!"), 2);
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
