// Noise and map generators. Each noise line times a million samples at
// seeded random points: name, then microseconds per million samples (CPU
// time, best of three runs) for the engine and for libtcod's noise of the
// same kind ("-" without libtcod). Lines starting with '#' give each map
// generator's milliseconds per map at two sizes.
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

#include "Sorbelane.h"

#ifdef SORBELANE_BENCH_LIBTCOD
#include <libtcod/noise.h>
#endif

namespace {

constexpr int POINTS = 4096;

double cpuMicroseconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// CPU microseconds per call of f(i) for i over the points, in rounds lasting
// at least 0.2 s of CPU time; the best of three runs (the machine is shared).
double timePerCall(const std::function<double(int)> &f, int calls_per_round = POINTS) {
  double best = 0;
  volatile double sink = 0;
  for (int run = 0; run < 3; run++) {
    long calls = 0;
    double start = cpuMicroseconds(), elapsed = 0, sum = 0;
    do {
      for (int i = 0; i < calls_per_round; i++) sum += f(i);
      calls += calls_per_round;
      elapsed = cpuMicroseconds() - start;
    } while (elapsed < 200000);
    sink = sink + sum;
    double per_call = elapsed / static_cast<double>(calls);
    if (run == 0 || per_call < best) best = per_call;
  }
  return best;
}

struct Points {
  std::vector<double> x, y, z;
  std::vector<float> xyz;  // the same points as floats, three a point, for libtcod
};

Points randomPoints() {
  Points p;
  sb::Random random(2002);
  for (int i = 0; i < POINTS; i++) {
    p.x.push_back(random.real() * 200 - 100);
    p.y.push_back(random.real() * 200 - 100);
    p.z.push_back(random.real() * 200 - 100);
    for (double v : {p.x.back(), p.y.back(), p.z.back()}) p.xyz.push_back(static_cast<float>(v));
  }
  return p;
}

void line(const char *name, double engine, double tcod) {
  if (tcod < 0)
    std::printf("%-16s %9.0f -\n", name, engine * 1e6);
  else
    std::printf("%-16s %9.0f %9.0f\n", name, engine * 1e6, tcod * 1e6);
  std::fflush(stdout);
}

void benchNoise() {
  const Points p = randomPoints();
  const sb::Noise noise;
  struct Case {
    const char *name;
    std::function<double(int)> engine;
    int dimensions, tcod_kind;  // kind 0 plain, 1 fbm, 2 turbulence
    int tcod_type;
  };
  const int PERLIN = 1, SIMPLEX = 2;  // libtcod's TCOD_NOISE_PERLIN and TCOD_NOISE_SIMPLEX
  const std::vector<Case> cases = {
      {"perlin-2d", [&](int i) { return noise.perlin(p.x[i], p.y[i]); }, 2, 0, PERLIN},
      {"perlin-3d", [&](int i) { return noise.perlin(p.x[i], p.y[i], p.z[i]); }, 3, 0, PERLIN},
      {"simplex-2d", [&](int i) { return noise.simplex(p.x[i], p.y[i]); }, 2, 0, SIMPLEX},
      {"simplex-3d", [&](int i) { return noise.simplex(p.x[i], p.y[i], p.z[i]); }, 3, 0, SIMPLEX},
      {"fbm-2d-4", [&](int i) { return noise.fbm(p.x[i], p.y[i], 4); }, 2, 1, PERLIN},
      {"turbulence-2d-4", [&](int i) { return noise.turbulence(p.x[i], p.y[i], 4); }, 2, 2, PERLIN}};
  for (const Case &c : cases) {
    double engine = timePerCall(c.engine), tcod = -1;
#ifdef SORBELANE_BENCH_LIBTCOD
    TCOD_Noise *p_noise = TCOD_noise_new(c.dimensions, TCOD_NOISE_DEFAULT_HURST, TCOD_NOISE_DEFAULT_LACUNARITY, nullptr);
    // libtcod reads the first `dimensions` floats of each point.
    std::vector<float> f;
    for (int i = 0; i < POINTS; i++)
      for (int d = 0; d < c.dimensions; d++) f.push_back(p.xyz[3 * i + d]);
    auto type = static_cast<TCOD_noise_type_t>(c.tcod_type);
    tcod = timePerCall([&](int i) -> double {
      float *point = &f[static_cast<std::size_t>(i) * c.dimensions];
      if (c.tcod_kind == 0) return TCOD_noise_get_ex(p_noise, point, type);
      if (c.tcod_kind == 1) return TCOD_noise_get_fbm_ex(p_noise, point, 4, type);
      return TCOD_noise_get_turbulence_ex(p_noise, point, 4, type);
    });
    TCOD_noise_delete(p_noise);
#endif
    line(c.name, engine, tcod);
  }
}

void benchGenerators() {
  using Generate = int (*)(sb::CellMap &, sb::Random &);
  const struct {
    const char *name;
    Generate generate;
  } generators[] = {{"bsp", sb::MapGenerator::bsp},
                    {"caves", sb::MapGenerator::caves},
                    {"drunkard", sb::MapGenerator::drunkard},
                    {"maze", sb::MapGenerator::maze}};
  for (auto size : {std::pair<int, int>{80, 24}, {400, 120}})
    for (const auto &g : generators) {
      sb::CellMap map(size.first, size.second);
      std::uint64_t seed = 1;
      double us = timePerCall(
          [&](int) {
            sb::Random random(seed++);
            return g.generate(map, random);
          },
          1);
      char name[32];
      std::snprintf(name, sizeof(name), "%dx%d", size.first, size.second);
      std::printf("# %-8s %-9s %9.3f ms\n", name, g.name, us / 1000);
      std::fflush(stdout);
    }
}

}  // namespace

int main() {
  std::printf("%-16s %9s %9s\n", "# case", "engine", "libtcod");
  std::printf("# microseconds per million samples\n");
  benchNoise();
  benchGenerators();
  return 0;
}
