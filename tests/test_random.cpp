// Random streams, noise and the turn scheduler: the published numbers of
// their reference implementations, and properties over seeded inputs.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "Sorbelane.h"
#include "support/TestEngine.h"

namespace {

TEST(Random, FollowsThePublishedDemoOfTheReferenceGenerator) {
  sb::Random random(42, 54);
  const std::uint32_t numbers[] = {0xa15c02b7, 0x7b47f409, 0xba1d3330, 0x83d2f293, 0xbfa4784b, 0xcbed606e};
  for (std::uint32_t n : numbers) EXPECT_EQ(random.next(), n);
  std::string coins;
  for (int i = 0; i < 65; i++) coins += random.between(0, 1) ? 'H' : 'T';
  EXPECT_EQ(coins, "HHTTTHTHHHTHTTTHHHHHTTTHHHTHTHTHTTHTTTHHHHHHTTTTHHTTTTTHTTTTTTTHT");
  const int rolls[] = {3, 4, 1, 1, 2, 2, 3, 2, 4, 3, 2, 4, 3, 3, 5, 2, 3, 1, 3, 1, 5, 1, 4, 1, 5, 6, 4, 6, 6, 2, 6, 3, 3};
  for (int r : rolls) EXPECT_EQ(random.between(1, 6), r);
}

TEST(Random, DrawsStayInRangeUnbiasedAndReplayFromTheirState) {
  sb::Random random(7);
  std::vector<int> counts(7, 0);
  for (int i = 0; i < 70000; i++) {
    int low = random.between(-1000, 1000), high = random.between(-1000, 1000);
    int v = random.between(high, low);  // either order
    ASSERT_GE(v, std::min(low, high));
    ASSERT_LE(v, std::max(low, high));
    counts[random.between(6, 0)]++;
    double r = random.real();
    ASSERT_TRUE(r >= 0 && r < 1);
  }
  for (int c : counts) EXPECT_NEAR(c, 10000, 500);  // about 5 standard deviations
  // The whole int range, and single values.
  bool negative = false, positive = false;
  for (int i = 0; i < 64; i++) {
    int v = random.between(INT_MIN, INT_MAX);
    negative = negative || v < 0;
    positive = positive || v > 0;
    EXPECT_EQ(random.between(INT_MAX, INT_MAX), INT_MAX);
  }
  EXPECT_TRUE(negative && positive);
  int hits = 0;
  for (int i = 0; i < 10000; i++) hits += random.chance(0.3);
  EXPECT_NEAR(hits, 3000, 250);
  EXPECT_FALSE(random.chance(0));
  EXPECT_TRUE(random.chance(1));
  EXPECT_FALSE(random.chance(NAN));

  // A saved state resumes the same numbers; other text is refused.
  std::string state = random.getState();
  std::vector<std::uint32_t> ahead;
  for (int i = 0; i < 8; i++) ahead.push_back(random.next());
  sb::Random restored(123, 4);
  ASSERT_EQ(restored.setState(state), 0);
  for (std::uint32_t n : ahead) EXPECT_EQ(restored.next(), n);
  std::string even_increment = state;
  even_increment.back() = '2';
  for (const std::string &bad : {std::string(""), state + " ", state.substr(1), even_increment,
                                 std::string("pcg32 0123456789ABCDEF 0000000000000001"), std::string(40, 'x')}) {
    sb::Random copy = restored;
    EXPECT_EQ(restored.setState(bad), -1) << bad;
    EXPECT_EQ(restored.next(), copy.next()) << "state changed by '" << bad << "'";
  }
}

TEST(Random, RollsDiceAndRefusesAnythingElse) {
  sb::Random random(99);
  struct Case {
    const char *dice;
    int low, high;  // -1, -1 for refused
  };
  const Case cases[] = {{"3d6", 3, 18},        {"d20", 1, 20},          {"1d1", 1, 1},       {"2d4+3", 5, 11},
                        {"2d4-3", -1, 5},      {"10000d10000", 10000, 100000000},
                        {"1d6+1000000", 1000001, 1000006},          {"1d6-1000000", -999999, -999994},
                        {"", -1, -1},          {"d", -1, -1},           {"3d", -1, -1},      {"0d6", -1, -1},
                        {"3d0", -1, -1},       {"10001d6", -1, -1},     {"1d10001", -1, -1}, {" 3d6", -1, -1},
                        {"3d6 ", -1, -1},      {"3 d6", -1, -1},        {"3d6+", -1, -1},    {"3d6+1000001", -1, -1},
                        {"+3d6", -1, -1},      {"3d6*2", -1, -1},       {"3d6+2+1", -1, -1}, {"3D6", -1, -1},
                        {"99999999999d6", -1, -1}, {"3d6-99999999999", -1, -1}, {"-3d6", -1, -1}};
  for (const Case &c : cases) {
    int result = 12345;
    if (c.low == -1 && c.high == -1) {
      EXPECT_EQ(random.roll(c.dice, &result), -1) << c.dice;
      EXPECT_EQ(result, 12345) << c.dice;
      continue;
    }
    int lowest = INT_MAX, highest = INT_MIN;
    for (int i = 0; i < 2000; i++) {
      ASSERT_EQ(random.roll(c.dice, &result), 0) << c.dice;
      lowest = std::min(lowest, result);
      highest = std::max(highest, result);
    }
    EXPECT_GE(lowest, c.low) << c.dice;
    EXPECT_LE(highest, c.high) << c.dice;
    if (c.high - c.low < 20) {
      EXPECT_TRUE(lowest == c.low && highest == c.high) << c.dice;
    }
  }
  EXPECT_EQ(random.roll("3d6", nullptr), -1);
}

TEST(Random, PicksByWeight) {
  sb::Random random(5);
  const std::vector<double> weights = {1, 0, -4, 3, NAN, INFINITY, 6};
  std::vector<int> counts(weights.size(), 0);
  for (int i = 0; i < 100000; i++) counts[random.pick(weights)]++;
  EXPECT_NEAR(counts[0], 10000, 600);
  EXPECT_NEAR(counts[3], 30000, 900);
  EXPECT_NEAR(counts[6], 60000, 900);
  EXPECT_EQ(counts[1] + counts[2] + counts[4] + counts[5], 0);
  for (const std::vector<double> &none : {std::vector<double>{}, {0, -1, NAN}})
    EXPECT_EQ(random.pick(none), -1);
  EXPECT_EQ(random.pick({0, 0, 2}), 2);
  int huge[2] = {0, 0};  // weights whose sum overflows still share the draws
  for (int i = 0; i < 1000; i++) huge[random.pick({1e308, 1e308})]++;
  EXPECT_NEAR(huge[0], 500, 100);
}

TEST(Random, EngineSeedIsTheOneInUseAndStreamsFromItReplay) {
  // A world whose one object moves by a stream seeded from the engine's seed.
  struct Walker : sb::Object {
    sb::Random random;
    explicit Walker(int seed) : random(static_cast<std::uint64_t>(seed)) {
      setSolidness(sb::SPECTRAL);
      registerInterest(sb::STEP_EVENT);
    }
    int eventHandler(const sb::Event *p_e) override {
      if (p_e->typeRef() != sb::STEP_EVENT) return 0;
      setPosition(sb::Vector(static_cast<float>(random.between(0, 70)), static_cast<float>(random.between(0, 20))));
      if (static_cast<const sb::EventStep *>(p_e)->getStepCount() >= 30) sb::GameManager::getInstance().setGameOver();
      return 1;
    }
  };
  auto run = [](const std::string &config) {
    if (sbtest::startEngine("headless:true,\nframe_time:1,\n" + config) != 0) return -2;
    int seed = sb::Config::getInstance().getRandomSeed();
    new Walker(seed);
    sb::GameManager::getInstance().run();
    sb::GameManager::getInstance().shutDown();
    return seed;
  };
  std::string file = sbtest::tempDir() + "/walker.rec";
  time_t before = time(nullptr);
  int seed = run("random_seed:0,\nrecord:" + file + ",\nrecord_check:1,\n");
  EXPECT_GE(seed, static_cast<int>(before));  // the clock's choice, not the configured 0
  EXPECT_EQ(sb::Config::getInstance().getConfiguredRandomSeed(), 0);
  EXPECT_EQ(run("random_seed:99,\nreplay:" + file + ",\n"), seed);
  std::string log = sbtest::readLog();
  EXPECT_NE(log.find("Replay matched to the end"), std::string::npos) << log;
  EXPECT_EQ(run("random_seed:1234,\n"), 1234);
  sb::Config::getInstance().setRandomSeed(0);
  EXPECT_EQ(sb::Config::getInstance().getRandomSeed(), 0);
}

TEST(Noise, MatchesPerlinsReferenceAndKeepsItsRanges) {
  sb::Noise reference;
  EXPECT_NEAR(reference.perlin(3.14, 42, 7), 0.13691995878400012, 1e-12);
  sb::Random random(11);
  sb::Random twin(11);
  sb::Noise shuffled(random), same(twin);
  for (int i = 0; i < 20000; i++) {
    double x = (random.real() - 0.5) * 600, y = (random.real() - 0.5) * 600, z = (random.real() - 0.5) * 600;
    // The 2-D noise is the 3-D noise's z = 0 plane, to the bit.
    ASSERT_EQ(reference.perlin(x, y), reference.perlin(x, y, 0));
    ASSERT_EQ(shuffled.perlin(x, y, z), same.perlin(x, y, z));
    // Perlin noise repeats every 256 units.
    ASSERT_NEAR(reference.perlin(x, y, z), reference.perlin(x + 256, y - 512, z + 256), 1e-9);
    for (double v : {reference.perlin(x, y), reference.perlin(x, y, z), shuffled.simplex(x, y),
                     shuffled.simplex(x, y, z), reference.fbm(x, y, 4), reference.fbm(x, y, z, 6, 2.5, 0.6)})
      ASSERT_TRUE(v >= -1 && v <= 1) << v;
    for (double v : {reference.turbulence(x, y, 4), reference.turbulence(x, y, z, 3)})
      ASSERT_TRUE(v >= 0 && v <= 1) << v;
  }
  // Integer lattice points are zero for Perlin noise; other values are not.
  EXPECT_EQ(reference.perlin(3, 4, 5), 0);
  EXPECT_NE(shuffled.perlin(3.5, 4.25), reference.perlin(3.5, 4.25));
  // Outlandish coordinates give numbers, not faults.
  for (double v : {double(NAN), double(INFINITY), -1e300, 3e9})
    EXPECT_TRUE(std::isfinite(reference.simplex(v, 1, v)) && std::isfinite(reference.perlin(v, v)));
  EXPECT_EQ(reference.fbm(1.5, 2.5, 0), 0);
  EXPECT_EQ(reference.fbm(1.5, 2.5, 1), reference.perlin(1.5, 2.5));
}

TEST(Noise, FillsARectangleOfFbmSamples) {
  sb::Noise noise;
  std::vector<double> samples;
  ASSERT_EQ(noise.fill(samples, 13, 7, -2.5, 4.0, 0.37, 3), 0);
  ASSERT_EQ(samples.size(), 13u * 7u);
  for (int j = 0; j < 7; j++)
    for (int i = 0; i < 13; i++) ASSERT_EQ(samples[j * 13 + i], noise.fbm(-2.5 + i * 0.37, 4.0 + j * 0.37, 3));
  EXPECT_EQ(noise.fill(samples, -1, 5, 0, 0, 1), -1);
  EXPECT_EQ(noise.fill(samples, 1 << 14, 1 << 14, 0, 0, 1), -1);
  EXPECT_EQ(samples.size(), 13u * 7u);
}

TEST(Scheduler, TakesTurnsBySpeedExactlyWithTiesFirstInFirstOut) {
  sb::Scheduler scheduler;
  EXPECT_EQ(scheduler.next(), -1);
  for (int actor : {50, 100, 200}) ASSERT_EQ(scheduler.add(actor, actor), 0);
  std::vector<int> turns;
  for (int i = 0; i < 7; i++) turns.push_back(scheduler.next());
  EXPECT_EQ(turns, (std::vector<int>{200, 100, 200, 200, 50, 100, 200}));
  EXPECT_EQ(scheduler.add(50, 3), -1);
  EXPECT_EQ(scheduler.add(7, 0), -1);
  EXPECT_EQ(scheduler.add(8, -2), -1);
  EXPECT_EQ(scheduler.remove(9), -1);
  EXPECT_EQ(scheduler.remove(100), 0);
  EXPECT_FALSE(scheduler.contains(100));
  EXPECT_EQ(scheduler.getCount(), 2);

  // Seeded speeds, including ones whose turns never fall on a binary
  // fraction: every actor's count of turns by a time is exactly floor(t * s)
  // (no drift), and time never runs backwards.
  sb::Random random(3);
  for (int round = 0; round < 20; round++) {
    sb::Scheduler s;
    std::map<int, int> speed, taken;
    int actors = random.between(1, 8);
    for (int a = 0; a < actors; a++) {
      speed[a] = random.between(1, 2000);
      ASSERT_EQ(s.add(a, speed[a]), 0);
    }
    double last = 0;
    for (int i = 0; i < 5000; i++) {
      int actor = s.next();
      taken[actor]++;
      ASSERT_GE(s.getTime(), last);
      last = s.getTime();
    }
    // The last turn's actor has taken exactly speed x time turns.
    int actor = s.next();
    taken[actor]++;
    double t = s.getTime();
    for (auto &entry : speed) {
      long long expected = static_cast<long long>(std::floor(t * entry.second + 1e-9));
      EXPECT_LE(std::llabs(taken[entry.first] - expected), 1) << "speed " << entry.second;
    }
  }
}

}  // namespace
