// Writes the seed corpus of the sound harness into the directory given: short
// tones as WAV (8, 16 and 32 bits, mono and stereo) and Ogg Vorbis files, and
// WAV headers that claim more than they hold.
//   make-sound-seeds tests/fuzz/corpus/sound
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <SFML/Audio/OutputSoundFile.hpp>

namespace {

std::vector<sf::Int16> tone(unsigned rate, unsigned channels, size_t frames) {
  std::vector<sf::Int16> samples(frames * channels);
  for (size_t i = 0; i < samples.size(); i++)
    samples[i] = static_cast<sf::Int16>(
        9000.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * static_cast<double>(i / channels) / rate));
  return samples;
}

bool writeSound(const std::string &path, unsigned rate, unsigned channels, size_t frames) {
  sf::OutputSoundFile file;
  if (!file.openFromFile(path, rate, channels)) return false;
  std::vector<sf::Int16> samples = tone(rate, channels, frames);
  file.write(samples.data(), samples.size());
  return true;
}

std::string le(uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; i++) out += static_cast<char>((value >> (8 * i)) & 0xff);
  return out;
}

// A PCM WAV whose data chunk claims claim bytes, followed by body.
bool writeWav(const std::string &path, unsigned channels, unsigned rate, unsigned bits,
              uint32_t claim, const std::string &body) {
  unsigned block = channels * bits / 8;
  std::ofstream out(path, std::ios::binary);
  out << "RIFF" << le(36 + claim, 4) << "WAVE" << "fmt " << le(16, 4) << le(1, 2)
      << le(channels, 2) << le(rate, 4) << le(rate * block, 4) << le(block, 2) << le(bits, 2)
      << "data" << le(claim, 4) << body;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) return 2;
  std::string dir = argv[1];
  std::string pcm8(200, '\x80'), pcm32(400, '\x01');
  bool ok = writeSound(dir + "/mono16.wav", 8000, 1, 400) &&
            writeSound(dir + "/stereo16.wav", 11025, 2, 200) &&
            writeSound(dir + "/mono.ogg", 8000, 1, 800) &&
            writeSound(dir + "/stereo.ogg", 11025, 2, 400) &&
            writeWav(dir + "/mono8.wav", 1, 8000, 8, 200, pcm8) &&
            writeWav(dir + "/stereo32.wav", 2, 8000, 32, 400, pcm32) &&
            writeWav(dir + "/claims-4gb.wav", 1, 22050, 16, 0xFFFFFFF0u, std::string(100, 'x')) &&
            writeWav(dir + "/claims-more.wav", 1, 22050, 16, 2000, std::string(100, 'x'));
  return ok ? 0 : 1;
}
