#include "Random.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <utility>

#include "LogManager.h"

namespace sb {

namespace {

const std::uint64_t MULTIPLIER = 6364136223846793005ULL;

// Reads an unsigned decimal number of at most max_digits digits at text[pos].
bool readNumber(const std::string &text, std::size_t &pos, int max_digits, long &number) {
  std::size_t start = pos;
  number = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' &&
         static_cast<int>(pos - start) < max_digits)
    number = number * 10 + (text[pos++] - '0');
  return pos > start && (pos == text.size() || text[pos] < '0' || text[pos] > '9');
}

// Reads exactly 16 lower-case hex digits at text[pos].
bool readHex16(const std::string &text, std::size_t &pos, std::uint64_t &number) {
  if (text.size() < pos + 16) return false;
  number = 0;
  for (int i = 0; i < 16; i++, pos++) {
    char c = text[pos];
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return false;
    number = number << 4 | static_cast<std::uint64_t>(digit);
  }
  return true;
}

}  // namespace

Random::Random(std::uint64_t new_seed, std::uint64_t stream) : state(0), increment(1) {
  seed(new_seed, stream);
}

void Random::seed(std::uint64_t new_seed, std::uint64_t stream) {
  state = 0;
  increment = stream << 1 | 1;
  next();
  state += new_seed;
  next();
}

std::uint32_t Random::next() {
  std::uint64_t old = state;
  state = old * MULTIPLIER + increment;
  std::uint32_t shifted = static_cast<std::uint32_t>(((old >> 18) ^ old) >> 27);
  std::uint32_t rotation = static_cast<std::uint32_t>(old >> 59);
  return (shifted >> rotation) | (shifted << ((32 - rotation) & 31));
}

std::uint32_t Random::below(std::uint32_t bound) {
  if (bound == 0) return 0;
  std::uint32_t threshold = (0u - bound) % bound;  // 2^32 mod bound
  for (;;) {
    std::uint32_t r = next();
    if (r >= threshold) return r % bound;
  }
}

int Random::between(int low, int high) {
  if (low > high) std::swap(low, high);
  // The span as unsigned 32 bits: 0 when it covers every int.
  std::uint32_t span = static_cast<std::uint32_t>(high) - static_cast<std::uint32_t>(low) + 1u;
  std::uint32_t offset = span == 0 ? next() : below(span);
  return static_cast<int>(static_cast<std::uint32_t>(low) + offset);
}

double Random::real() { return next() * (1.0 / 4294967296.0); }

bool Random::chance(double p) {
  if (!(p > 0)) return false;
  if (p >= 1) return true;
  return real() < p;
}

int Random::roll(const std::string &dice, int *p_result) {
  std::size_t pos = 0;
  long count = 1, sides = 0, modifier = 0;
  bool ok = p_result != nullptr;
  if (ok && pos < dice.size() && dice[pos] != 'd') ok = readNumber(dice, pos, 5, count);
  ok = ok && pos < dice.size() && dice[pos++] == 'd' && readNumber(dice, pos, 5, sides);
  if (ok && pos < dice.size()) {
    char sign = dice[pos++];
    ok = (sign == '+' || sign == '-') && readNumber(dice, pos, 7, modifier) && pos == dice.size();
    if (sign == '-') modifier = -modifier;
  }
  ok = ok && count >= 1 && count <= 10000 && sides >= 1 && sides <= 10000 && modifier >= -1000000 &&
       modifier <= 1000000;
  if (!ok) {
    LogManager::getInstance().writeLog("Random::roll(): Error! '%.40s' is not dice such as 3d6+2.",
                                       dice.c_str());
    return -1;
  }
  long sum = modifier;
  for (long i = 0; i < count; i++)
    sum += 1 + static_cast<long>(below(static_cast<std::uint32_t>(sides)));
  *p_result = static_cast<int>(sum);
  return 0;
}

int Random::pick(const std::vector<double> &weights) {
  // Weights are taken relative to the largest, so that huge ones cannot sum to infinity.
  auto usable = [](double w) { return w > 0 && std::isfinite(w); };
  double largest = 0;
  int last = -1;
  for (std::size_t i = 0; i < weights.size(); i++)
    if (usable(weights[i])) {
      largest = std::max(largest, weights[i]);
      last = static_cast<int>(i);
    }
  if (last < 0) return -1;
  double total = 0;
  for (double w : weights)
    if (usable(w)) total += w / largest;
  double target = real() * total, sum = 0;
  for (int i = 0; i < last; i++) {
    if (!usable(weights[i])) continue;
    sum += weights[i] / largest;
    if (target < sum) return i;
  }
  return last;  // also where rounding left the target at the very top
}

std::string Random::getState() const {
  char text[64];
  std::snprintf(text, sizeof(text), "pcg32 %016" PRIx64 " %016" PRIx64, state, increment);
  return text;
}

int Random::setState(const std::string &text) {
  std::size_t pos = 6;
  std::uint64_t new_state = 0, new_increment = 0;
  bool ok = text.size() == 6 + 16 + 1 + 16 && text.compare(0, 6, "pcg32 ") == 0 &&
            readHex16(text, pos, new_state) && text[pos++] == ' ' &&
            readHex16(text, pos, new_increment) && (new_increment & 1) == 1;
  if (!ok) {
    LogManager::getInstance().writeLog("Random::setState(): Error! '%.60s' is not a saved stream.",
                                       text.c_str());
    return -1;
  }
  state = new_state;
  increment = new_increment;
  return 0;
}

}  // namespace sb
