// Plays a fixed programme of tones through the resource manager, for a test
// that records the output with OpenAL Soft's wave driver:
//   a 0.4 s tone of 440 Hz once, then 0.6 s of silence;
//   a 0.1 s tone of 880 Hz looped for 0.6 s, then 0.6 s of silence;
//   a 3 s track of 660 Hz played for 0.4 s and stopped, then 0.6 s of silence.
// Exit status 0 when every load and lookup worked.
#include <cstdio>

#include <SFML/System/Sleep.hpp>

#include "LogManager.h"
#include "Music.h"
#include "ResourceManager.h"
#include "Sound.h"
#include "../support/Tones.h"

int main() {
  const unsigned rate = sbtest::kToneRate;
  if (!sbtest::writeTone("once.wav", 440, rate * 4 / 10) ||
      !sbtest::writeTone("loop.wav", 880, rate / 10) ||
      !sbtest::writeTone("track.wav", 660, rate * 3))
    return 1;
  sb::LogManager &log = sb::LogManager::getInstance();
  sb::ResourceManager &resources = sb::ResourceManager::getInstance();
  if (log.startUp() != 0 || resources.startUp() != 0) return 1;
  if (resources.loadSound("once.wav", "once") != 0 || resources.loadSound("loop.wav", "loop") != 0 ||
      resources.loadMusic("track.wav", "track") != 0)
    return 1;
  sb::Sound *p_once = resources.getSound("once");
  sb::Sound *p_loop = resources.getSound("loop");
  sb::Music *p_track = resources.getMusic("track");
  if (!p_once || !p_loop || !p_track) return 1;

  sf::sleep(sf::milliseconds(300));  // the device settles
  p_once->play(false);
  sf::sleep(sf::milliseconds(1000));
  p_loop->play(true);
  sf::sleep(sf::milliseconds(600));
  p_loop->stop();
  sf::sleep(sf::milliseconds(600));
  p_track->play(false);
  sf::sleep(sf::milliseconds(400));
  p_track->stop();
  sf::sleep(sf::milliseconds(600));
  resources.shutDown();  // stops everything; the device and the file close at exit
  log.shutDown();
  return 0;
}
