// Short sine tones written as WAV files, for the audio tests.
#ifndef SORBELANE_TESTS_TONES_H
#define SORBELANE_TESTS_TONES_H

#include <cmath>
#include <string>
#include <vector>

#include <SFML/Audio/SoundBuffer.hpp>

namespace sbtest {

constexpr unsigned kToneRate = 22050;

// A mono sine tone of the given frequency and number of samples.
inline std::vector<sf::Int16> toneSamples(double frequency, size_t samples) {
  std::vector<sf::Int16> data(samples);
  for (size_t i = 0; i < samples; i++)
    data[i] = static_cast<sf::Int16>(
        12000.0 * std::sin(2.0 * 3.14159265358979 * frequency * static_cast<double>(i) / kToneRate));
  return data;
}

// Writes the tone to path as a WAV file; true on success.
inline bool writeTone(const std::string &path, double frequency, size_t samples) {
  std::vector<sf::Int16> data = toneSamples(frequency, samples);
  sf::SoundBuffer buffer;
  return buffer.loadFromSamples(data.data(), data.size(), 1, kToneRate) && buffer.saveToFile(path);
}

}  // namespace sbtest

#endif
