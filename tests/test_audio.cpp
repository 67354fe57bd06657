// Sounds and music through OpenAL Soft's null driver: the limits, lookups,
// unload rules and playing states of the resource manager's audio half.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "GameManager.h"
#include "LogManager.h"
#include "Music.h"
#include "ResourceManager.h"
#include "Sound.h"
#include "support/CoreChecks.h"
#include "support/ProgramRunner.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"
#include "support/Tones.h"

#include <SFML/Audio/OutputSoundFile.hpp>
#include <SFML/System/Sleep.hpp>

namespace {

using Status = sf::SoundSource::Status;

using sbtest::resources;

// Starts the engine headless on the null audio driver; must run before any
// audio object of the process is made.
void startAudioEngine() {
  setenv("ALSOFT_DRIVERS", "null", 1);
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager::getInstance().setLogLevel(5);
}

// A tone file of samples samples whose frequency tells it apart.
std::string tone(const std::string &name, size_t samples, double frequency = 440) {
  std::string path = sbtest::tempDir() + "/" + name + ".wav";
  EXPECT_TRUE(sbtest::writeTone(path, frequency, samples)) << path;
  return path;
}

TEST(Audio, FreshObjectsFailedLoadsAndRefusalsBeforeStart) {
  startAudioEngine();
  sb::Sound sound;
  sb::Music music;
  EXPECT_EQ(sound.getLabel(), "[Undefined]");
  EXPECT_EQ(music.getLabel(), "[Undefined]");
  EXPECT_EQ(sound.getStatus(), Status::Stopped);
  EXPECT_EQ(sound.loadSound("/nonexistent/a.wav"), -1);
  EXPECT_EQ(music.loadMusic("/nonexistent/a.ogg"), -1);
  EXPECT_EQ(music.getLabel(), "[Undefined]");
  sound.play(true);  // nothing loaded: nothing plays
  EXPECT_EQ(sound.getStatus(), Status::Stopped);

  const std::string RM = "ResourceManager::";
  EXPECT_EQ(resources().loadSound("/nonexistent/a.wav", "a"), -1);
  EXPECT_EQ(resources().loadMusic("/nonexistent/a.ogg", "a"), -1);
  EXPECT_EQ(resources().loadMusic(tone("unlabelled", 100), ""), -1);
  EXPECT_EQ(resources().getMusicCount(), 0);
  EXPECT_EQ(resources().getSoundCount(), 0);
  std::string log = sbtest::readLog();
  EXPECT_NE(log.find(RM + "loadSound(): Error! Cannot load sound from file '/nonexistent/a.wav'."),
            std::string::npos);
  EXPECT_NE(log.find(RM + "loadmusic(): Error! Cannot load music from file '/nonexistent/a.ogg'."),
            std::string::npos);
  EXPECT_NE(log.find(RM + "loadMusic(): Error! Must provide label for music."), std::string::npos);

  resources().shutDown();
  EXPECT_EQ(resources().loadSound(tone("a", 100), "a"), -1);
  EXPECT_EQ(resources().unloadSound("a"), -1);
  EXPECT_EQ(resources().loadMusic(tone("a", 100), "a"), -1);
  EXPECT_EQ(resources().unloadMusic("a"), -1);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "ResourceManager not started!"), 4);
  sb::GameManager::getInstance().shutDown();
}

// Loads and unloads at random against a model of the slots: after every
// operation each label finds the first sound loaded with it, and that sound
// still holds its own samples (sounds once pointed at a neighbour's buffer
// after an unload moved them).
TEST(Audio, SoundSlotsFollowAModelAndKeepTheirOwnSamples) {
  startAudioEngine();
  const int kFiles = 6;
  std::vector<std::string> files;
  for (int i = 0; i < kFiles; i++)
    files.push_back(tone("s" + std::to_string(i), 50 + 10 * static_cast<size_t>(i), 200 + 100 * i));

  std::mt19937 random(11);
  std::vector<std::pair<std::string, int>> model;  // label, file index
  int refused = 0;
  for (int op = 0; op < 600; op++) {
    std::string label = "L" + std::to_string(random() % 8);
    if (random() % 3 != 0) {
      int file = static_cast<int>(random() % kFiles);
      bool room = model.size() < static_cast<size_t>(sb::MAX_SOUNDS);
      ASSERT_EQ(resources().loadSound(files[file], label), room ? 0 : -1);
      if (room) model.push_back({label, file});
      refused += room ? 0 : 1;
    } else {
      auto it = model.begin();
      while (it != model.end() && it->first != label) ++it;
      ASSERT_EQ(resources().unloadSound(label), it == model.end() ? -1 : 0);
      if (it != model.end()) model.erase(it);
    }
    ASSERT_EQ(resources().getSoundCount(), static_cast<int>(model.size()));
    for (int l = 0; l < 8; l++) {
      std::string want = "L" + std::to_string(l);
      auto it = model.begin();
      while (it != model.end() && it->first != want) ++it;
      sb::Sound *p_sound = resources().getSound(want);
      if (it == model.end()) {
        ASSERT_EQ(p_sound, nullptr);
        continue;
      }
      ASSERT_NE(p_sound, nullptr);
      sf::Sound copy = p_sound->getSound();
      ASSERT_NE(copy.getBuffer(), nullptr);
      ASSERT_EQ(copy.getBuffer()->getSampleCount(), 50u + 10u * static_cast<unsigned>(it->second))
          << "op " << op << " label " << want;
    }
  }
  ASSERT_GT(refused, 0);  // the random walk reached the limit
  std::string log = sbtest::readLog();
  const std::string RM = "ResourceManager::";
  EXPECT_EQ(sbtest::countOf(log, RM + "loadSound(): Error! Unable to add more sounds (max is 100)."),
            refused);
  EXPECT_GT(sbtest::countOf(log, RM + "loadSound(): Sound 'L0' successfully loaded."), 0);
  EXPECT_GT(sbtest::countOf(log, RM + "getSound(): Looking for sound 'L7'."), 0);
  sb::GameManager::getInstance().shutDown();
}

TEST(Audio, FiftyTracksEverAndTheUnloadRules) {
  startAudioEngine();
  std::string file = tone("limit", 100);
  for (int i = 0; i < sb::MAX_MUSICS; i++)
    ASSERT_EQ(resources().loadMusic(file, "m" + std::to_string(i)), 0);
  EXPECT_EQ(resources().loadMusic(file, "extra"), -1);
  EXPECT_EQ(resources().unloadMusic("m7"), 0);
  EXPECT_EQ(resources().unloadMusic("m7"), -1);  // gone, not found again
  EXPECT_EQ(resources().unloadMusic(""), -1);    // the emptied slot matches nothing
  EXPECT_EQ(resources().getMusic(""), nullptr);
  EXPECT_EQ(resources().getMusic("m7"), nullptr);
  EXPECT_EQ(resources().loadMusic(file, "extra"), -1);  // every track ever loaded counts
  EXPECT_NE(resources().getMusic("m49"), nullptr);

  std::string log = sbtest::readLog();
  const std::string RM = "ResourceManager::";
  EXPECT_EQ(sbtest::countOf(log, RM + "loadMusic(): Error! Unable to add more musics (max is 50)."), 2);
  EXPECT_EQ(sbtest::countOf(log, RM + "loadMusic(): Music 'm0' successfully loaded."), 1);
  EXPECT_EQ(sbtest::countOf(log, RM + "getMusic(): Looking for music ''."), 1);
  EXPECT_EQ(sbtest::countOf(log, RM + "getMusic(): Warning! Music 'm7' not found."), 1);

  // Shut-down stops the tracks and keeps them (pointers stay valid) until the
  // next start-up clears the count.
  sb::Music *p_last = resources().getMusic("m49");
  sb::GameManager::getInstance().shutDown();
  EXPECT_EQ(resources().getMusicCount(), sb::MAX_MUSICS);
  EXPECT_EQ(resources().getMusic("m49"), p_last);
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EXPECT_EQ(resources().getMusicCount(), 0);
  EXPECT_EQ(resources().getMusic("m49"), nullptr);
  sb::GameManager::getInstance().shutDown();
}

TEST(Audio, PlayingStatesLoopingAndStoppingOnUnload) {
  startAudioEngine();
  // 10 ms, 0.5 s and 2 s tones.
  ASSERT_EQ(resources().loadSound(tone("blip", sbtest::kToneRate / 100), "blip"), 0);
  ASSERT_EQ(resources().loadSound(tone("half", sbtest::kToneRate / 2), "half"), 0);
  ASSERT_EQ(resources().loadMusic(tone("track", sbtest::kToneRate * 2), "track"), 0);
  sb::Sound *p_blip = resources().getSound("blip");
  sb::Sound *p_half = resources().getSound("half");
  sb::Music *p_track = resources().getMusic("track");
  ASSERT_TRUE(p_blip && p_half && p_track);

  p_blip->play(false);  // plays once and ends by itself
  EXPECT_TRUE(sbtest::waitUntil([&] { return p_blip->getStatus() == Status::Stopped; }, 3000));
  p_blip->play(true);  // looped: still playing long after its 10 ms
  EXPECT_TRUE(p_blip->getSound().getLoop());
  sf::sleep(sf::milliseconds(200));
  EXPECT_EQ(p_blip->getStatus(), Status::Playing);
  p_blip->pause();
  EXPECT_EQ(p_blip->getStatus(), Status::Paused);
  p_blip->stop();
  EXPECT_EQ(p_blip->getStatus(), Status::Stopped);

  p_half->play(false);
  EXPECT_EQ(p_half->getStatus(), Status::Playing);
  p_track->play(true);
  EXPECT_EQ(p_track->getStatus(), Status::Playing);
  EXPECT_TRUE(p_track->getMusic()->getLoop());
  p_track->pause();
  EXPECT_EQ(p_track->getStatus(), Status::Paused);
  p_track->play(false);
  EXPECT_EQ(resources().unloadMusic("track"), 0);  // stops it; the pointer stays good
  EXPECT_EQ(p_track->getStatus(), Status::Stopped);
  sb::Sound copy(*p_half);  // samples of its own, which outlive the original
  EXPECT_EQ(resources().unloadSound("half"), 0);  // stops it; the pointer stays good
  EXPECT_EQ(p_half->getStatus(), Status::Stopped);
  EXPECT_EQ(p_half->getLabel(), "half");
  ASSERT_NE(copy.getSound().getBuffer(), nullptr);
  EXPECT_EQ(copy.getSound().getBuffer()->getSampleCount(), sbtest::kToneRate / 2);
  EXPECT_EQ(copy.getLabel(), "half");
  copy.play(false);
  EXPECT_EQ(copy.getStatus(), Status::Playing);
  EXPECT_EQ(resources().getSound("blip"), p_blip);  // the others do not move in memory

  std::string log = sbtest::readLog();
  EXPECT_EQ(sbtest::countOf(log, "Sound::play(): Playing sound."), 4);
  EXPECT_EQ(sbtest::countOf(log, "Music::play(): Playing music."), 2);
  EXPECT_EQ(sbtest::countOf(log, "Music::pause(): Pausing music."), 1);
  EXPECT_GE(sbtest::countOf(log, "Music::stop(): Stopping music."), 1);
  // Shut-down stops what plays, unloaded or not, and keeps it loaded: the
  // pointers a game holds stay valid and the lookups still find them.
  p_blip->play(true);
  p_half->play(true);
  p_track->play(true);
  sb::GameManager::getInstance().shutDown();
  for (Status status : {p_blip->getStatus(), p_half->getStatus(), p_track->getStatus()})
    EXPECT_EQ(status, Status::Stopped);
  EXPECT_EQ(resources().getSound("blip"), p_blip);
  EXPECT_EQ(resources().getSoundCount(), 1);
  EXPECT_EQ(resources().getMusicCount(), 1);
}

// A RIFF/WAVE file of PCM samples whose data chunk claims claim bytes and is
// followed by body (which may hold fewer or more).
std::string wavFile(unsigned channels, unsigned rate, unsigned bits, uint32_t claim,
                    const std::string &body) {
  auto le = [](uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; i++) out += static_cast<char>((v >> (8 * i)) & 0xff);
    return out;
  };
  unsigned block = channels * bits / 8;
  return "RIFF" + le(36 + claim, 4) + "WAVE" + "fmt " + le(16, 4) + le(1, 2) + le(channels, 2) +
         le(rate, 4) + le(rate * block, 4) + le(block, 2) + le(bits, 2) + "data" + le(claim, 4) +
         body;
}

// A mono 16-bit WAV at 22050 Hz holding samples samples and claiming as many.
std::string monoWav(uint32_t samples) {
  return wavFile(1, 22050, 16, samples * 2, std::string(samples * 2, '\x10'));
}

// Every file goes through one run of a separate program with a time limit,
// so a load that hangs (a FIFO) or grows without bound (a header's claim of
// 4 GB) fails this test instead of hanging or killing the suite.
TEST(AudioFile, GoodHostileAndBorderlineFilesWithTheirLogLines) {
  std::string dir = sbtest::tempDir() + "/media", fifo = dir + "/fifo";
  mkdir(dir.c_str(), 0700);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  {
    std::vector<sf::Int16> tone = sbtest::toneSamples(440, 4410);
    sf::OutputSoundFile ogg;
    ASSERT_TRUE(ogg.openFromFile(dir + "/tone.ogg", sbtest::kToneRate, 1));
    ogg.write(tone.data(), tone.size());
  }
  const uint32_t limit = static_cast<uint32_t>(sb::MAX_SOUND_SAMPLES);
  const std::string SOUND = "Sound::loadSound(): Error! '", MUSIC = "Music::loadMusic(): Error! '";
  struct Case {
    std::string kind, name, bytes;  // a name starting with '/' is a path, not written
    int result;
    std::vector<std::string> messages;  // after "'<path>' ", in this order in the log
  };
  const std::string noise = "RIFF\x10\0\0\0WAVEjunkjunkjunkjunk";
  std::string no_format = monoWav(100);
  no_format.replace(12, 4, "f)t ");
  const Case cases[] = {
      {"sound", "tone.wav", monoWav(1000), 0, {}},
      {"music", "tone.wav", monoWav(1000), 0, {}},
      {"sound", "tone.ogg", "", 0, {}},
      {"music", "tone.ogg", "", 0, {}},
      {"sound", "stereo8.wav", wavFile(2, 8000, 8, 400, std::string(400, '\x80')), 0, {}},
      // The 144-byte file whose data claims 4 GB: refused before reading.
      {"sound", "claims-4gb.wav", wavFile(1, 22050, 16, 0xFFFFFFF0u, std::string(100, 'x')), -1,
       {SOUND + "@' claims 2147483640 samples, more than 16777216."}},
      {"sound", "over-limit.wav", wavFile(1, 22050, 16, (limit + 1) * 2, std::string(100, 'x')),
       -1, {SOUND + "@' claims 16777217 samples, more than 16777216."}},
      {"sound", "at-limit.wav", wavFile(1, 22050, 16, limit * 2, std::string(100, 'x')), -1,
       {SOUND + "@' holds 50 of the 16777216 samples it claims."}},
      {"sound", "one-short.wav", wavFile(1, 22050, 16, 2000, std::string(1998, 'x')), -1,
       {SOUND + "@' holds 999 of the 1000 samples it claims."}},
      {"sound", "nine-channels.wav", wavFile(9, 22050, 16, 1800, std::string(1800, 'x')), -1,
       {SOUND + "@' has 9 channels, must be 1 to 8."}},
      {"music", "nine-channels.wav", wavFile(9, 22050, 16, 1800, std::string(1800, 'x')), -1,
       {MUSIC + "@' has 9 channels, must be 1 to 8."}},
      // A stream keeps a second of samples: 4 G a second would be 8 GB.
      {"music", "fast.wav", wavFile(1, 4000000000u, 16, 200, std::string(200, 'x')), -1,
       {MUSIC + "@' has 4000000000 samples a second, must be 1 to 768000."}},
      {"sound", "fast.wav", wavFile(1, 4000000000u, 16, 200, std::string(200, 'x')), -1,
       {SOUND + "@' has 4000000000 samples a second, must be 1 to 768000."}},
      // SFML's reader divides by the sample size of a format it never read.
      {"sound", "no-format.wav", no_format, -1,
       {SOUND + "@' is a WAV file with data before its format."}},
      {"music", "no-format.wav", no_format, -1,
       {MUSIC + "@' is a WAV file with data before its format."}},
      {"sound", "zero-bits.wav", wavFile(1, 22050, 0, 200, std::string(200, 'x')), -1,
       {SOUND + "@' is a WAV file with a broken format chunk."}},
      {"sound", "noise.wav", noise, -1, {}},
      {"music", "noise.wav", noise, -1, {}},
      {"sound", fifo, "", -1, {SOUND + "@' is not a regular file."}},
      {"music", fifo, "", -1, {MUSIC + "@' is not a regular file."}},
      {"sound", "/dev/zero", "", -1, {SOUND + "@' is not a regular file."}},
      {"music", dir, "", -1, {MUSIC + "@' is not a regular file."}},
      {"sound", "/nonexistent/a.wav", "", -1, {}},
  };
  sbtest::ProgramRun run;
  run.binary = LOAD_MEDIA_BIN;
  run.env["ALSOFT_DRIVERS"] = "null";
  run.timeout_ms = 30000;
  for (const Case &c : cases) {
    std::string path = c.name[0] == '/' ? c.name : dir + "/" + c.name;
    if (!c.bytes.empty()) {
      ASSERT_TRUE(sbtest::writeFile(path, c.bytes));
    }
    run.args.push_back(c.kind + ":" + path);
  }
  sbtest::ProgramResult result = sbtest::runProgram(run);
  ASSERT_FALSE(result.timed_out) << "stopped after\n" << result.out;
  ASSERT_EQ(result.status, 0) << result.out << result.err;

  for (size_t i = 0; i < run.args.size(); i++) {
    const Case &c = cases[i];
    std::string path = run.args[i].substr(6);
    SCOPED_TRACE(run.args[i]);
    EXPECT_NE(result.out.find(std::to_string(c.result) + " " + run.args[i] + "\n"),
              std::string::npos)
        << result.out;
    std::vector<std::string> wanted;
    for (std::string line : c.messages) wanted.push_back(line.replace(line.find('@'), 1, path));
    if (c.result != 0)
      wanted.push_back(c.kind == "sound"
                           ? "ResourceManager::loadSound(): Error! Cannot load sound from file '" +
                                 path + "'."
                           : "ResourceManager::loadmusic(): Error! Cannot load music from file '" +
                                 path + "'.");
    EXPECT_TRUE(sbtest::messagesInOrder(result.log, wanted)) << result.log;
  }
}

}  // namespace
