#ifndef SORBELANE_NOISE_H
#define SORBELANE_NOISE_H

#include <cstdint>
#include <vector>

namespace sb {

class Random;

/// Coherent noise for terrain, clouds and the like: improved Perlin noise
/// (Perlin 2002) and simplex noise (after Gustavson's "Simplex noise
/// demystified"), in 2-D and 3-D, with fractal sums of octaves. Every value is
/// a pure function of the coordinates and the permutation, so the same
/// seed gives the same terrain everywhere.
class Noise {
 private:
  std::uint8_t perm[512];        // the permutation, twice over
  std::uint8_t perm_mod12[512];  // perm[i] % 12, the simplex gradient index

  void fillTables();

 public:
  /// Noise on Perlin's reference permutation.
  Noise();
  /// Noise on a permutation shuffled from the stream.
  explicit Noise(Random &random);

  /// Improved Perlin noise at (x, y): the 3-D noise at z = 0, in about [-1, 1].
  double perlin(double x, double y) const;
  /// Improved Perlin noise at (x, y, z), in about [-1, 1].
  double perlin(double x, double y, double z) const;
  /// Simplex noise at (x, y), in [-1, 1].
  double simplex(double x, double y) const;
  /// Simplex noise at (x, y, z), in [-1, 1].
  double simplex(double x, double y, double z) const;

  /// Fractal Brownian motion at (x, y): octaves of Perlin noise, each at
  /// lacunarity times the frequency and gain times the amplitude of the one
  /// before, divided by the sum of the amplitudes and kept in [-1, 1].
  /// Octaves are 1 to 30 (fewer gives 0, more counts as 30).
  double fbm(double x, double y, int octaves, double lacunarity = 2, double gain = 0.5) const;
  /// Fractal Brownian motion at (x, y, z), as the 2-D one.
  double fbm(double x, double y, double z, int octaves, double lacunarity = 2,
             double gain = 0.5) const;
  /// Turbulence at (x, y): fbm of the noise's magnitude, in [0, 1].
  double turbulence(double x, double y, int octaves, double lacunarity = 2,
                    double gain = 0.5) const;
  /// Turbulence at (x, y, z), as the 2-D one.
  double turbulence(double x, double y, double z, int octaves, double lacunarity = 2,
                    double gain = 0.5) const;

  /// Fills samples with width x height values, row by row: the value of cell
  /// (i, j) is fbm(x + i * step, y + j * step, octaves, lacunarity, gain)
  /// (plain Perlin noise for one octave). Returns 0, or -1 (logged, samples
  /// unchanged) for a negative size or more than 2^26 cells.
  int fill(std::vector<double> &samples, int width, int height, double x, double y, double step,
           int octaves = 1, double lacunarity = 2, double gain = 0.5) const;
};

}  // namespace sb

#endif
