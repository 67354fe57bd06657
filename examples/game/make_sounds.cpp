// Writes the arena game's sounds as WAV files: short synthesized effects and
// a looping tune, 16-bit mono at 22050 Hz, made from nothing but arithmetic.
//
//   sorbelane-game-sounds DIR     writes DIR/shot.wav, explode.wav, hit.wav, music.wav
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int kRate = 22050;
const double kTwoPi = 6.283185307179586;

using Samples = std::vector<double>;  // -1 .. 1

void put16(std::FILE *f, unsigned v) {
  std::fputc(static_cast<int>(v & 0xff), f);
  std::fputc(static_cast<int>((v >> 8) & 0xff), f);
}

void put32(std::FILE *f, unsigned long v) {
  put16(f, static_cast<unsigned>(v & 0xffff));
  put16(f, static_cast<unsigned>((v >> 16) & 0xffff));
}

bool writeWav(const std::string &path, const Samples &samples) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  unsigned long data_bytes = samples.size() * 2;
  std::fputs("RIFF", f);
  put32(f, 36 + data_bytes);
  std::fputs("WAVEfmt ", f);
  put32(f, 16);
  put16(f, 1);              // PCM
  put16(f, 1);              // mono
  put32(f, kRate);
  put32(f, kRate * 2ul);    // bytes a second
  put16(f, 2);              // bytes a frame
  put16(f, 16);             // bits a sample
  std::fputs("data", f);
  put32(f, data_bytes);
  for (double s : samples) {
    double clipped = s > 1.0 ? 1.0 : (s < -1.0 ? -1.0 : s);
    put16(f, static_cast<unsigned>(static_cast<int16_t>(clipped * 30000.0)) & 0xffffu);
  }
  bool ok = std::ferror(f) == 0;
  return std::fclose(f) == 0 && ok;
}

// A square-ish tone whose pitch slides from f0 to f1, fading out.
Samples sweep(double seconds, double f0, double f1, double volume) {
  Samples out(static_cast<size_t>(seconds * kRate));
  double phase = 0;
  for (size_t i = 0; i < out.size(); i++) {
    double t = static_cast<double>(i) / static_cast<double>(out.size());
    phase += kTwoPi * (f0 + (f1 - f0) * t) / kRate;
    double wave = std::sin(phase) + 0.3 * std::sin(3 * phase);
    out[i] = volume * wave * (1.0 - t);
  }
  return out;
}

// Noise through a falling low-pass filter with an exponential decay: a bang.
Samples bang(double seconds, double volume) {
  Samples out(static_cast<size_t>(seconds * kRate));
  uint32_t seed = 12345;
  double low = 0;
  for (size_t i = 0; i < out.size(); i++) {
    double t = static_cast<double>(i) / static_cast<double>(out.size());
    seed = seed * 1664525u + 1013904223u;
    double noise = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
    double cutoff = 0.5 * (1.0 - t) + 0.02;
    low += cutoff * (noise - low);
    out[i] = volume * low * std::exp(-4.0 * t);
  }
  return out;
}

// A short tune: a bass note and an arpeggio per bar, four bars, to loop.
Samples tune() {
  const double bars[4][4] = {{220.0, 261.6, 329.6, 440.0},
                             {174.6, 220.0, 261.6, 349.2},
                             {196.0, 246.9, 293.7, 392.0},
                             {164.8, 207.7, 246.9, 329.6}};
  const double note = 0.25;  // seconds an arpeggio note lasts
  const size_t note_len = static_cast<size_t>(note * kRate);
  Samples out;
  for (const auto &bar : bars) {
    for (int repeat = 0; repeat < 2; repeat++) {
      for (int n = 0; n < 4; n++) {
        for (size_t i = 0; i < note_len; i++) {
          double t = static_cast<double>(i) / kRate;
          double env = std::exp(-6.0 * t);
          double lead = std::sin(kTwoPi * bar[n] * 2.0 * t) * env;
          double bass = std::sin(kTwoPi * bar[0] * 0.5 * (t + static_cast<double>(n) * note));
          out.push_back(0.25 * lead + 0.15 * bass);
        }
      }
    }
  }
  return out;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 64;
  }
  std::string dir = argv[1];
  struct {
    const char *name;
    Samples samples;
  } sounds[] = {{"shot.wav", sweep(0.12, 1400.0, 500.0, 0.5)},
                {"explode.wav", bang(0.6, 0.9)},
                {"hit.wav", sweep(0.35, 300.0, 80.0, 0.7)},
                {"music.wav", tune()}};
  for (const auto &sound : sounds) {
    if (!writeWav(dir + "/" + sound.name, sound.samples)) {
      std::fprintf(stderr, "%s: cannot write %s/%s\n", argv[0], dir.c_str(), sound.name);
      return 1;
    }
  }
  return 0;
}
