#include "Noise.h"

#include <algorithm>
#include <cmath>

#include "LogManager.h"
#include "Random.h"

namespace sb {

namespace {

// Ken Perlin's reference permutation of 0 to 255.
const std::uint8_t REFERENCE_PERMUTATION[256] = {
    151, 160, 137, 91,  90,  15,  131, 13,  201, 95,  96,  53,  194, 233, 7,   225, 140, 36,  103,
    30,  69,  142, 8,   99,  37,  240, 21,  10,  23,  190, 6,   148, 247, 120, 234, 75,  0,   26,
    197, 62,  94,  252, 219, 203, 117, 35,  11,  32,  57,  177, 33,  88,  237, 149, 56,  87,  174,
    20,  125, 136, 171, 168, 68,  175, 74,  165, 71,  134, 139, 48,  27,  166, 77,  146, 158, 231,
    83,  111, 229, 122, 60,  211, 133, 230, 220, 105, 92,  41,  55,  46,  245, 40,  244, 102, 143,
    54,  65,  25,  63,  161, 1,   216, 80,  73,  209, 76,  132, 187, 208, 89,  18,  169, 200, 196,
    135, 130, 116, 188, 159, 86,  164, 100, 109, 198, 173, 186, 3,   64,  52,  217, 226, 250, 124,
    123, 5,   202, 38,  147, 118, 126, 255, 82,  85,  212, 207, 206, 59,  227, 47,  16,  58,  17,
    182, 189, 28,  42,  223, 183, 170, 213, 119, 248, 152, 2,   44,  154, 163, 70,  221, 153, 101,
    155, 167, 43,  172, 9,   129, 22,  39,  253, 19,  98,  108, 110, 79,  113, 224, 232, 178, 185,
    112, 104, 218, 246, 97,  228, 251, 34,  242, 193, 238, 210, 144, 12,  191, 179, 162, 241, 81,
    51,  145, 235, 249, 14,  239, 107, 49,  192, 214, 31,  181, 199, 106, 157, 184, 84,  204, 176,
    115, 121, 50,  45,  127, 4,   150, 254, 138, 236, 205, 93,  222, 114, 67,  29,  24,  72,  243,
    141, 128, 195, 78,  66,  215, 61,  156, 180};

// The twelve edge directions of a cube, simplex noise's gradients.
const double GRAD3[12][3] = {{1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0},
                             {1, 0, 1}, {-1, 0, 1}, {1, 0, -1}, {-1, 0, -1},
                             {0, 1, 1}, {0, -1, 1}, {0, 1, -1}, {0, -1, -1}};

const double LIMIT =
    268435456.0;  // 2^28: beyond it coordinates are wrapped (skewed sums stay in int)

// A coordinate safe to floor into an int: NaN gives 0, and magnitudes of
// 2^28 and more are wrapped (Perlin noise repeats every 256, so exactly).
inline double tame(double v) {
  if (std::fabs(v) < LIMIT) return v;
  return std::isnan(v) ? 0.0 : std::isinf(v) ? 0.0 : std::fmod(v, LIMIT);
}

inline bool ordinary(double x, double y) { return std::fabs(x) < LIMIT && std::fabs(y) < LIMIT; }

inline int floorInt(double v) {
  int i = static_cast<int>(v);
  return i - (v < i);  // without a branch: the sign of random points is unpredictable
}

inline double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }
inline double lerp(double t, double a, double b) { return a + t * (b - a); }

// Perlin's gradients: the hash's low four bits pick one of twelve cube edge
// directions (four of them twice). As tables rather than Perlin's branches,
// which a random hash would mispredict; the sums are the same numbers.
const double GRAD_X[16] = {1, -1, 1, -1, 1, -1, 1, -1, 0, 0, 0, 0, 1, 0, -1, 0};
const double GRAD_Y[16] = {1, 1, -1, -1, 0, 0, 0, 0, 1, -1, 1, -1, 1, -1, 1, -1};
const double GRAD_Z[16] = {0, 0, 0, 0, 1, 1, -1, -1, 1, 1, -1, -1, 0, 1, 0, -1};

inline double grad(int hash, double x, double y, double z) {
  int h = hash & 15;
  return GRAD_X[h] * x + GRAD_Y[h] * y + GRAD_Z[h] * z;
}

// The same in the plane z = 0.
inline double grad(int hash, double x, double y) {
  int h = hash & 15;
  return GRAD_X[h] * x + GRAD_Y[h] * y;
}

inline double dot(const double *g, double x, double y) { return g[0] * x + g[1] * y; }
inline double dot(const double *g, double x, double y, double z) {
  return g[0] * x + g[1] * y + g[2] * z;
}

inline double clampUnit(double v) { return v < -1 ? -1 : (v > 1 ? 1 : v); }

// One corner's share of 2-D simplex noise.
inline double corner2(const std::uint8_t *perm_mod12, int gi_index, double x, double y) {
  double t = 0.5 - x * x - y * y;
  if (t < 0) return 0;
  t *= t;
  return t * t * dot(GRAD3[perm_mod12[gi_index]], x, y);
}

inline double corner3(int gi, double x, double y, double z) {
  double t = 0.6 - x * x - y * y - z * z;
  if (t < 0) return 0;
  t *= t;
  return t * t * dot(GRAD3[gi], x, y, z);
}

// The offsets of a 3-D simplex's second and third corners from its first,
// chosen by the order of the coordinates within the unit cube.
void simplexCorners(double x0, double y0, double z0, int second[3], int third[3]) {
  if (x0 >= y0) {
    if (y0 >= z0) {
      second[0] = 1, second[1] = 0, second[2] = 0, third[0] = 1, third[1] = 1, third[2] = 0;
    } else if (x0 >= z0) {
      second[0] = 1, second[1] = 0, second[2] = 0, third[0] = 1, third[1] = 0, third[2] = 1;
    } else {
      second[0] = 0, second[1] = 0, second[2] = 1, third[0] = 1, third[1] = 0, third[2] = 1;
    }
  } else {
    if (y0 < z0) {
      second[0] = 0, second[1] = 0, second[2] = 1, third[0] = 0, third[1] = 1, third[2] = 1;
    } else if (x0 < z0) {
      second[0] = 0, second[1] = 1, second[2] = 0, third[0] = 0, third[1] = 1, third[2] = 1;
    } else {
      second[0] = 0, second[1] = 1, second[2] = 0, third[0] = 1, third[1] = 1, third[2] = 0;
    }
  }
}

}  // namespace

Noise::Noise() {
  std::copy(REFERENCE_PERMUTATION, REFERENCE_PERMUTATION + 256, perm);
  fillTables();
}

Noise::Noise(Random &random) {
  for (int i = 0; i < 256; i++) perm[i] = static_cast<std::uint8_t>(i);
  for (int i = 255; i > 0; i--)
    std::swap(perm[i], perm[random.below(static_cast<std::uint32_t>(i + 1))]);
  fillTables();
}

void Noise::fillTables() {
  for (int i = 0; i < 512; i++) {
    perm[i] = perm[i & 255];
    perm_mod12[i] = static_cast<std::uint8_t>(perm[i] % 12);
  }
}

double Noise::perlin(double x, double y) const {
  if (__builtin_expect(!ordinary(x, y), 0)) {
    x = tame(x);
    y = tame(y);
  }
  int fx = floorInt(x), fy = floorInt(y);
  int X = fx & 255, Y = fy & 255;
  x -= fx;
  y -= fy;
  double u = fade(x), v = fade(y);
  int A = perm[X] + Y, AA = perm[A], AB = perm[A + 1];
  int B = perm[X + 1] + Y, BA = perm[B], BB = perm[B + 1];
  return lerp(v, lerp(u, grad(perm[AA], x, y), grad(perm[BA], x - 1, y)),
              lerp(u, grad(perm[AB], x, y - 1), grad(perm[BB], x - 1, y - 1)));
}

double Noise::perlin(double x, double y, double z) const {
  x = tame(x);
  y = tame(y);
  z = tame(z);
  int fx = floorInt(x), fy = floorInt(y), fz = floorInt(z);
  int X = fx & 255, Y = fy & 255, Z = fz & 255;
  x -= fx;
  y -= fy;
  z -= fz;
  double u = fade(x), v = fade(y), w = fade(z);
  int A = perm[X] + Y, AA = perm[A] + Z, AB = perm[A + 1] + Z;
  int B = perm[X + 1] + Y, BA = perm[B] + Z, BB = perm[B + 1] + Z;
  return lerp(
      w,
      lerp(v, lerp(u, grad(perm[AA], x, y, z), grad(perm[BA], x - 1, y, z)),
           lerp(u, grad(perm[AB], x, y - 1, z), grad(perm[BB], x - 1, y - 1, z))),
      lerp(v, lerp(u, grad(perm[AA + 1], x, y, z - 1), grad(perm[BA + 1], x - 1, y, z - 1)),
           lerp(u, grad(perm[AB + 1], x, y - 1, z - 1), grad(perm[BB + 1], x - 1, y - 1, z - 1))));
}

double Noise::simplex(double xin, double yin) const {
  const double F2 = 0.36602540378443864676;  // (sqrt(3) - 1) / 2
  const double G2 = 0.21132486540518711775;  // (3 - sqrt(3)) / 6
  xin = tame(xin);
  yin = tame(yin);
  double s = (xin + yin) * F2;
  int i = floorInt(xin + s), j = floorInt(yin + s);
  double t = (static_cast<double>(i) + j) * G2;
  double x0 = xin - (i - t), y0 = yin - (j - t);
  int i1 = x0 > y0 ? 1 : 0, j1 = 1 - i1;
  double x1 = x0 - i1 + G2, y1 = y0 - j1 + G2;
  double x2 = x0 - 1 + 2 * G2, y2 = y0 - 1 + 2 * G2;
  int ii = i & 255, jj = j & 255;
  double n = corner2(perm_mod12, ii + perm[jj], x0, y0) +
             corner2(perm_mod12, ii + i1 + perm[jj + j1], x1, y1) +
             corner2(perm_mod12, ii + 1 + perm[jj + 1], x2, y2);
  return clampUnit(70 * n);
}

double Noise::simplex(double xin, double yin, double zin) const {
  const double F3 = 1.0 / 3.0, G3 = 1.0 / 6.0;
  xin = tame(xin);
  yin = tame(yin);
  zin = tame(zin);
  double s = (xin + yin + zin) * F3;
  int i = floorInt(xin + s), j = floorInt(yin + s), k = floorInt(zin + s);
  double t = (static_cast<double>(i) + j + k) * G3;
  double x0 = xin - (i - t), y0 = yin - (j - t), z0 = zin - (k - t);
  int c1[3], c2[3];
  simplexCorners(x0, y0, z0, c1, c2);
  int ii = i & 255, jj = j & 255, kk = k & 255;
  int g0 = perm_mod12[ii + perm[jj + perm[kk]]];
  int g1 = perm_mod12[ii + c1[0] + perm[jj + c1[1] + perm[kk + c1[2]]]];
  int g2 = perm_mod12[ii + c2[0] + perm[jj + c2[1] + perm[kk + c2[2]]]];
  int g3 = perm_mod12[ii + 1 + perm[jj + 1 + perm[kk + 1]]];
  double n = corner3(g0, x0, y0, z0) +
             corner3(g1, x0 - c1[0] + G3, y0 - c1[1] + G3, z0 - c1[2] + G3) +
             corner3(g2, x0 - c2[0] + 2 * G3, y0 - c2[1] + 2 * G3, z0 - c2[2] + 2 * G3) +
             corner3(g3, x0 - 1 + 3 * G3, y0 - 1 + 3 * G3, z0 - 1 + 3 * G3);
  return clampUnit(32 * n);
}

double Noise::fbm(double x, double y, int octaves, double lacunarity, double gain) const {
  if (octaves < 1) return 0;
  octaves = std::min(octaves, 30);
  double sum = 0, amplitude = 1, amplitudes = 0, frequency = 1;
  for (int i = 0; i < octaves; i++) {
    sum += amplitude * perlin(x * frequency, y * frequency);
    amplitudes += std::fabs(amplitude);
    amplitude *= gain;
    frequency *= lacunarity;
  }
  return clampUnit(sum / amplitudes);
}

double Noise::fbm(double x, double y, double z, int octaves, double lacunarity, double gain) const {
  if (octaves < 1) return 0;
  octaves = std::min(octaves, 30);
  double sum = 0, amplitude = 1, amplitudes = 0, frequency = 1;
  for (int i = 0; i < octaves; i++) {
    sum += amplitude * perlin(x * frequency, y * frequency, z * frequency);
    amplitudes += std::fabs(amplitude);
    amplitude *= gain;
    frequency *= lacunarity;
  }
  return clampUnit(sum / amplitudes);
}

double Noise::turbulence(double x, double y, int octaves, double lacunarity, double gain) const {
  if (octaves < 1) return 0;
  octaves = std::min(octaves, 30);
  double sum = 0, amplitude = 1, amplitudes = 0, frequency = 1;
  for (int i = 0; i < octaves; i++) {
    sum += amplitude * std::fabs(perlin(x * frequency, y * frequency));
    amplitudes += std::fabs(amplitude);
    amplitude *= gain;
    frequency *= lacunarity;
  }
  return std::max(0.0, clampUnit(sum / amplitudes));
}

double Noise::turbulence(double x, double y, double z, int octaves, double lacunarity,
                         double gain) const {
  if (octaves < 1) return 0;
  octaves = std::min(octaves, 30);
  double sum = 0, amplitude = 1, amplitudes = 0, frequency = 1;
  for (int i = 0; i < octaves; i++) {
    sum += amplitude * std::fabs(perlin(x * frequency, y * frequency, z * frequency));
    amplitudes += std::fabs(amplitude);
    amplitude *= gain;
    frequency *= lacunarity;
  }
  return std::max(0.0, clampUnit(sum / amplitudes));
}

int Noise::fill(std::vector<double> &samples, int width, int height, double x, double y,
                double step, int octaves, double lacunarity, double gain) const {
  if (width < 0 || height < 0 || static_cast<long long>(width) * height > (1LL << 26)) {
    LogManager::getInstance().writeLog("Noise::fill(): Error! Cannot fill %d x %d samples.", width,
                                       height);
    return -1;
  }
  samples.resize(static_cast<std::size_t>(width) * height);
  std::size_t n = 0;
  for (int j = 0; j < height; j++)
    for (int i = 0; i < width; i++)
      samples[n++] = fbm(x + i * step, y + j * step, octaves, lacunarity, gain);
  return 0;
}

}  // namespace sb
