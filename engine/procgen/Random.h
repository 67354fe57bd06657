#ifndef SORBELANE_RANDOM_H
#define SORBELANE_RANDOM_H

#include <cstdint>
#include <string>
#include <vector>

namespace sb {

/// A seeded stream of random numbers of its own: the PCG32 generator (64 bits
/// of state, XSH-RR output of 32 bits). The same seed and stream give the same
/// numbers on every build and machine, unlike rand() or the standard library's
/// distributions; streams are independent of each other and of rand().
class Random {
 private:
  std::uint64_t state;
  std::uint64_t increment;  // odd: selects the stream

 public:
  /// A stream seeded with seed on stream number stream (any two numbers).
  explicit Random(std::uint64_t seed = 0, std::uint64_t stream = 0);

  /// Restarts the stream as the constructor does.
  void seed(std::uint64_t seed, std::uint64_t stream = 0);
  /// The next 32-bit number.
  std::uint32_t next();
  /// A number drawn uniformly below bound (bound > 0; 0 gives 0), without
  /// modulo bias: draws below 2^32 mod bound are thrown away.
  std::uint32_t below(std::uint32_t bound);
  /// A number from low to high inclusive, unbiased; the bounds may come in
  /// either order. Equals low + below(high - low + 1).
  int between(int low, int high);
  /// A number in [0, 1) with 32 random bits.
  double real();
  /// True with probability p (never for p <= 0, always for p >= 1).
  bool chance(double p);
  /// Rolls dice written "NdS", "dS", "NdS+M" or "NdS-M" (no spaces; N and S
  /// from 1 to 10000, M up to 1000000). Returns 0 with the sum in *p_result,
  /// or -1 (logged) with *p_result untouched for anything else.
  int roll(const std::string &dice, int *p_result);
  /// An index of weights drawn with probability proportional to its weight;
  /// negative, infinite and NaN weights count as zero. Returns -1 when no
  /// weight is positive (or the list is empty).
  int pick(const std::vector<double> &weights);

  /// The stream's position as text, for saved games ("pcg32 STATE INC" in hex).
  std::string getState() const;
  /// Puts the stream back where getState() said. Returns 0, or -1 (logged,
  /// stream unchanged) for text getState() did not write.
  int setState(const std::string &text);
};

}  // namespace sb

#endif
