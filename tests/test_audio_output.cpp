// Real audio output recorded by OpenAL Soft's wave driver: what a program
// plays is in the file for as long as it should be, and a program that plays
// nothing never opens the audio device.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/ProgramRunner.h"
#include "support/TestEngine.h"

namespace {

const int kRate = 22050;

// A directory of its own holding an OpenAL configuration that sends the
// output to out.wav there; returns the configuration's path.
std::string waveConfig(const std::string &name, std::string &wave_path) {
  std::string dir = sbtest::tempDir() + "/" + name;
  mkdir(dir.c_str(), 0700);
  wave_path = dir + "/out.wav";
  std::string conf = dir + "/alsoft.conf";
  EXPECT_TRUE(sbtest::writeFile(conf, "[general]\ndrivers = wave\nchannels = mono\n"
                                      "sample-type = int16\nfrequency = " +
                                          std::to_string(kRate) + "\n[wave]\nfile = " +
                                          wave_path + "\n"));
  return conf;
}

uint32_t le32(const std::string &s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

// The 16-bit mono samples of a WAV file; empty when it is not one. A data
// size the writer never filled in is taken as "to the end of the file".
std::vector<int16_t> wavSamples(const std::string &wav) {
  std::vector<int16_t> samples;
  if (wav.size() < 12 || wav.compare(0, 4, "RIFF") != 0 || wav.compare(8, 4, "WAVE") != 0)
    return samples;
  bool format_ok = false;
  for (size_t at = 12; at + 8 <= wav.size();) {
    std::string id = wav.substr(at, 4);
    size_t size = le32(wav, at + 4);
    size_t body = at + 8;
    if (size > wav.size() - body) size = wav.size() - body;
    if (id == "fmt " && size >= 16) {
      unsigned channels = static_cast<unsigned char>(wav[body + 2]);
      unsigned bits = static_cast<unsigned char>(wav[body + 14]);
      format_ok = channels == 1 && bits == 16 && le32(wav, body + 4) == kRate;
    } else if (id == "data" && format_ok) {
      samples.resize(size / 2);
      std::memcpy(samples.data(), wav.data() + body, samples.size() * 2);
      return samples;
    }
    at = body + size + (size & 1);
  }
  return samples;
}

// A stretch of sound: start and length in seconds, frequency from its zero
// crossings.
struct Stretch {
  double start, length, frequency;
};

// The audible stretches, found in 10 ms windows; gaps of up to 30 ms are
// bridged.
std::vector<Stretch> audibleRuns(const std::vector<int16_t> &samples) {
  const size_t window = kRate / 100;
  std::vector<bool> loud;
  for (size_t at = 0; at + window <= samples.size(); at += window) {
    double sum = 0;
    for (size_t i = at; i < at + window; i++) sum += double(samples[i]) * samples[i];
    loud.push_back(std::sqrt(sum / window) > 500.0);
  }
  std::vector<Stretch> runs;
  size_t i = 0;
  while (i < loud.size()) {
    if (!loud[i]) {
      i++;
      continue;
    }
    size_t first = i, last = i;
    for (size_t j = i + 1; j < loud.size() && j <= last + 3; j++)
      if (loud[j]) last = j;
    // The frequency from the middle half, away from the fades at the ends.
    size_t quarter = (last + 1 - first) * window / 4;
    size_t from = first * window + quarter, to = (last + 1) * window - quarter;
    int crossings = 0;
    for (size_t s = from + 1; s < to; s++)
      if ((samples[s - 1] < 0) != (samples[s] < 0)) crossings++;
    double length = double(last + 1 - first) / 100.0;
    double middle = double(to - from) / kRate;
    runs.push_back({first / 100.0, length, middle > 0 ? crossings / 2.0 / middle : 0});
    i = last + 1;
  }
  return runs;
}

TEST(AudioOutput, TonesLoopsAndStoppedMusicAreInTheRecording) {
  std::string wave_path;
  sbtest::ProgramRun run;
  run.binary = AUDIO_OUT_BIN;
  run.env["ALSOFT_CONF"] = waveConfig("audio-out", wave_path);
  run.env["ALSOFT_DRIVERS"] = "wave";
  run.timeout_ms = 30000;
  sbtest::ProgramResult result = sbtest::runProgram(run);
  ASSERT_FALSE(result.timed_out);
  ASSERT_EQ(result.status, 0) << result.err;

  std::vector<int16_t> samples = wavSamples(sbtest::readFile(wave_path));
  ASSERT_GT(samples.size(), size_t(kRate * 3)) << "no recording at " << wave_path;
  std::vector<Stretch> runs = audibleRuns(samples);
  ASSERT_EQ(runs.size(), 3u);
  struct Expected {
    double length, frequency;
  };
  // The tone once, the 0.1 s tone looped for 0.6 s, the 3 s track stopped after 0.4 s.
  const Expected expected[] = {{0.4, 440}, {0.6, 880}, {0.4, 660}};
  for (size_t i = 0; i < 3; i++) {
    EXPECT_NEAR(runs[i].length, expected[i].length, 0.15)
        << "run " << i << " from " << runs[i].start << " s, " << runs[i].frequency << " Hz";
    EXPECT_NEAR(runs[i].frequency, expected[i].frequency, expected[i].frequency * 0.05)
        << "run " << i;
    if (i > 0) {
      EXPECT_GT(runs[i].start - runs[i - 1].start - runs[i - 1].length, 0.3);
    }
  }
  double total = double(samples.size()) / kRate;
  EXPECT_GT(total - runs[2].start - runs[2].length, 0.3);  // silent after the stop
}

// The benchmark never loads a sound, so it must never open the audio device:
// the wave driver would create its file the moment it did.
TEST(AudioOutput, ProgramWithoutSoundsNeverOpensTheDevice) {
  std::string wave_path;
  sbtest::ProgramRun run;
  run.binary = PINGLE_GRID_BIN;
  run.config = "headless:true,\n" + sbtest::fontConfig() + "run-time:20,\n";
  run.env["ALSOFT_CONF"] = waveConfig("pingle-silent", wave_path);
  run.env["ALSOFT_DRIVERS"] = "wave";
  sbtest::ProgramResult result = sbtest::runProgram(run);
  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.status, 0) << result.err;
  struct stat st;
  EXPECT_NE(stat(wave_path.c_str(), &st), 0) << "the audio device was opened";
  EXPECT_EQ(result.err.find("AL lib"), std::string::npos) << result.err;
  for (const char *audio : {"Sound", "Music", "sound", "music"})
    EXPECT_EQ(result.log.find(audio), std::string::npos) << audio;
}

}  // namespace
