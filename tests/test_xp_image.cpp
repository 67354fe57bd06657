// REXPaint images: random images round-trip, agree cell for cell with
// libtcod's reader and writer both ways, and hostile files are refused at
// once with the image left as it was.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "Sorbelane.h"
#include "support/TestEngine.h"

#ifdef SORBELANE_TEST_LIBTCOD
#include <libtcod/console.h>
#include <libtcod/console_rexpaint.h>
#endif

namespace {

sb::XpCell randomCell(sb::Random &random) {
  sb::XpCell cell;
  cell.glyph = random.between(0, 255);
  std::uint8_t *channels[] = {&cell.fg_r, &cell.fg_g, &cell.fg_b, &cell.bg_r, &cell.bg_g, &cell.bg_b};
  for (std::uint8_t *p : channels) *p = static_cast<std::uint8_t>(random.between(0, 255));
  if (random.chance(0.2)) cell.bg_r = 255, cell.bg_g = 0, cell.bg_b = 255;  // transparent
  return cell;
}

sb::XpImage randomImage(sb::Random &random) {
  sb::XpImage image;
  int width = random.between(1, 40), height = random.between(1, 30);
  EXPECT_EQ(image.create(width, height, random.between(1, 4)), 0);
  for (int l = 0; l < image.getLayerCount(); l++)
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) EXPECT_EQ(image.setCell(l, x, y, randomCell(random)), 0);
  return image;
}

void expectSame(const sb::XpImage &a, const sb::XpImage &b) {
  ASSERT_EQ(a.getLayerCount(), b.getLayerCount());
  for (int l = 0; l < a.getLayerCount(); l++) {
    ASSERT_EQ(a.getWidth(l), b.getWidth(l));
    ASSERT_EQ(a.getHeight(l), b.getHeight(l));
    for (int y = 0; y < a.getHeight(l); y++)
      for (int x = 0; x < a.getWidth(l); x++) ASSERT_TRUE(a.getCell(l, x, y) == b.getCell(l, x, y));
  }
}

std::string gzip(const std::string &raw) {
  std::string path = sbtest::tempDir() + "/raw.gz";
  gzFile out = gzopen(path.c_str(), "wb");
  gzwrite(out, raw.data(), static_cast<unsigned>(raw.size()));
  gzclose(out);
  return sbtest::readFile(path);
}

std::string int32(int v) {
  std::string s;
  for (int i = 0; i < 4; i++) s.push_back(static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i) & 0xFF));
  return s;
}

TEST(XpImage, RoundTripsRandomImages) {
  sb::Random random(41);
  std::string file = sbtest::tempDir() + "/round.xp";
  for (int i = 0; i < 30; i++) {
    sb::XpImage image = randomImage(random), loaded;
    ASSERT_EQ(image.save(file), 0);
    ASSERT_EQ(loaded.load(file), 0);
    expectSame(image, loaded);
    EXPECT_EQ(loaded.getVersion(), -1);
  }
  // Outside the image: a blank transparent cell, and setCell refuses.
  sb::XpImage image = randomImage(random);
  EXPECT_TRUE(image.getCell(0, -1, 0).isTransparent());
  EXPECT_TRUE(image.getCell(9, 0, 0) == sb::XpCell());
  EXPECT_EQ(image.setCell(0, image.getWidth(), 0, sb::XpCell()), -1);
  EXPECT_EQ(image.setCell(-1, 0, 0, sb::XpCell()), -1);
  EXPECT_EQ(sb::XpImage().save(file), -1);
  EXPECT_EQ(image.create(0, 5), -1);
  EXPECT_EQ(image.create(5, 5, sb::XpImage::MAX_LAYERS + 1), -1);
}

TEST(XpImage, AgreesWithLibtcodBothWays) {
#ifndef SORBELANE_TEST_LIBTCOD
  GTEST_SKIP() << "libtcod not installed";
#else
  sb::Random random(1941);
  std::string mine = sbtest::tempDir() + "/mine.xp", theirs = sbtest::tempDir() + "/theirs.xp";
  for (int i = 0; i < 25; i++) {
    // Ours read by libtcod.
    sb::XpImage image = randomImage(random);
    ASSERT_EQ(image.save(mine), 0);
    int count = TCOD_load_xp(mine.c_str(), 0, nullptr);
    ASSERT_EQ(count, image.getLayerCount());
    std::vector<TCOD_Console *> consoles(count, nullptr);
    ASSERT_EQ(TCOD_load_xp(mine.c_str(), count, consoles.data()), count);
    for (int l = 0; l < count; l++) {
      ASSERT_EQ(consoles[l]->w, image.getWidth(l));
      ASSERT_EQ(consoles[l]->h, image.getHeight(l));
      for (int y = 0; y < consoles[l]->h; y++)
        for (int x = 0; x < consoles[l]->w; x++) {
          const TCOD_ConsoleTile &tile = consoles[l]->tiles[y * consoles[l]->w + x];
          sb::XpCell cell = image.getCell(l, x, y);
          ASSERT_EQ(tile.ch, cell.glyph);
          ASSERT_EQ(tile.fg.r, cell.fg_r);
          ASSERT_EQ(tile.fg.g, cell.fg_g);
          ASSERT_EQ(tile.fg.b, cell.fg_b);
          ASSERT_EQ(tile.bg.r, cell.bg_r);
          ASSERT_EQ(tile.bg.g, cell.bg_g);
          ASSERT_EQ(tile.bg.b, cell.bg_b);
        }
    }
    // libtcod's consoles (the same cells) written by libtcod and read by us.
    ASSERT_EQ(TCOD_save_xp(count, consoles.data(), theirs.c_str(), random.between(0, 9)), TCOD_E_OK);
    for (TCOD_Console *p_console : consoles) TCOD_console_delete(p_console);
    sb::XpImage loaded;
    ASSERT_EQ(loaded.load(theirs), 0);
    expectSame(image, loaded);
  }
#endif
}

TEST(XpImage, RefusesHostileFilesAtOnceAndKeepsTheImage) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Random random(4141);
  sb::XpImage image = randomImage(random), before = image;
  std::string file = sbtest::tempDir() + "/hostile.xp";
  // A short file claiming a 100000 x 100000 layer.
  std::string claim = gzip(int32(-1) + int32(1) + int32(100000) + int32(100000) + std::string(20, 'x'));
  EXPECT_LE(claim.size(), 80u);
  std::vector<std::string> hostile = {
      claim,
      "",
      "not gzip at all",
      gzip(""),
      gzip(int32(-1)),
      gzip(int32(-1) + int32(0)),
      gzip(int32(-1) + int32(-3)),
      gzip(int32(-1) + int32(100000)),
      gzip(int32(-1) + int32(1) + int32(2) + int32(2) + std::string(39, 'x')),  // one byte short
      gzip(int32(-1) + int32(1) + int32(0) + int32(5)),
      gzip(int32(-1) + int32(1) + int32(-5) + int32(-5)),
      gzip(int32(-1) + int32(1) + int32(65536) + int32(65536)),  // overflows 32 bits
      gzip(int32(-1) + int32(2) + int32(1) + int32(1) + std::string(10, 'x')),  // second layer missing
  };
  // Every proper prefix of a good file is refused too.
  ASSERT_EQ(image.save(file), 0);
  std::string good = sbtest::readFile(file);
  for (std::size_t cut = 0; cut < good.size(); cut += 1 + cut / 8) hostile.push_back(good.substr(0, cut));
  for (const std::string &bytes : hostile) {
    ASSERT_TRUE(sbtest::writeFile(file, bytes));
    EXPECT_EQ(image.load(file), -1) << bytes.size() << " bytes";
    expectSame(image, before);
  }
  EXPECT_EQ(image.load(sbtest::tempDir() + "/absent.xp"), -1);
  std::string log = sbtest::readLog();
  EXPECT_EQ(sbtest::countOf(log, "XpImage::load(): Error!"), static_cast<int>(hostile.size()) + 1) << log;
  // Headless drawing fails quietly per cell without touching the image.
  EXPECT_EQ(image.draw(sb::Vector(0, 0)), -1);
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
