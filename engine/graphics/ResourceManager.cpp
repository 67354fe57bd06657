#include "ResourceManager.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <istream>
#include <sstream>

#include <SFML/System/Err.hpp>

#include "LogManager.h"
#include "Music.h"
#include "RegularFile.h"
#include "Sound.h"
#include "Sprite.h"
#include "SpriteFile.h"
#include "utility.h"

namespace sb {

namespace {

// Takes the first item with label out of slots 0 .. count - 1, keeping the
// order of the others. Returns the item, or null.
template <class T>
T *takeFirst(T **slots, int &count, const std::string &label) {
  for (int i = 0; i < count; i++) {
    if (slots[i]->getLabel() != label) continue;
    T *p_item = slots[i];
    for (int j = i; j < count - 1; j++) slots[j] = slots[j + 1];
    slots[--count] = nullptr;
    return p_item;
  }
  return nullptr;
}

// The log lines of a lookup by label: the search (level 5) and a miss, each
// with the label.
struct LookupMessages {
  const char *looking;
  const char *missing;
};

// The first of the count entries of table labelled label, or null.
template <class Resource>
Resource *findLabelled(Resource *const *table, int count, const std::string &label,
                       const LookupMessages &messages) {
  LogManager &log = LogManager::getInstance();
  log.writeLog(5, messages.looking, label.c_str());
  for (int i = 0; i < count; i++)
    if (table[i]->getLabel() == label) return table[i];
  log.writeLog(messages.missing, label.c_str());
  return nullptr;
}

// Whether a table holding count entries has room for one more of at most
// max; when it has not, full (with max) is logged.
bool roomFor(int count, int max, const char *full) {
  if (count < max) return true;
  LogManager::getInstance().writeLog(full, max);
  return false;
}

// The log lines of loading one sound or music track: a failed load (with the
// file name), then a loaded one (with the label).
struct LoadMessages {
  const char *failed;
  const char *loaded;
};

int loadFrom(Sound &sound, const std::string &filename) { return sound.loadSound(filename); }
int loadFrom(Music &music, const std::string &filename) { return music.loadMusic(filename); }

// Loads a sound or music track from filename into the next entry of table
// (which has room), labelled label; 0, or -1 (logged) when it cannot load.
template <class Audio>
int addLoaded(Audio **table, int &count, const std::string &filename, const std::string &label,
              const LoadMessages &messages) {
  LogManager &log = LogManager::getInstance();
  Audio *p_audio = new Audio;
  if (loadFrom(*p_audio, filename) == -1) {
    delete p_audio;
    log.writeLog(messages.failed, filename.c_str());
    return -1;
  }
  p_audio->setLabel(label);
  table[count++] = p_audio;
  log.writeLog(1, messages.loaded, label.c_str());
  return 0;
}

}  // namespace

ResourceManager::ResourceManager()
    : p_sprite(),
      sprite_count(0),
      sweep_due(false),
      p_walk_shown(nullptr),
      p_sound(),
      sound_count(0),
      p_music(),
      music_count(0) {
  setType("ResourceManager");
  // Sounds and tracks live until this manager is destroyed at exit, and SFML
  // may report to its error stream while they are freed: made now, the stream
  // is destroyed after this manager, not before.
  sf::err();
}

ResourceManager::~ResourceManager() {
  freeSprites();
  freeAudio();
}

ResourceManager &ResourceManager::getInstance() {
  static ResourceManager resource_manager;
  return resource_manager;
}

int ResourceManager::startUp() {
  if (isStarted()) {
    LogManager::getInstance().writeLog("ResourceManager::startUp(): Already started.");
    return 0;
  }
  freeSprites();
  freeAudio();
  Manager::startUp();
  LogManager::getInstance().writeLog(5, "ResourceManager::startUp(): successfully started.");
  return 0;
}

void ResourceManager::shutDown() {
  freeSprites();
  stopAudio();
  Manager::shutDown();
  LogManager::getInstance().writeLog(5, "ResourceManager::shutDown(): successfully stopped.");
}

void ResourceManager::freeSprites() {
  for (int i = 0; i < sprite_count; i++) {
    delete p_sprite[i];
    p_sprite[i] = nullptr;
  }
  sprite_count = 0;
  for (const Sprite *p_s : unloaded_sprites) delete p_s;
  unloaded_sprites.clear();
  sweep_due = false;
}

void ResourceManager::freeUnshownSprites() {
  sweep_due = false;
  if (unloaded_sprites.empty()) return;
  std::unordered_set<const Sprite *> shown;
  if (p_walk_shown)
    p_walk_shown([&](const Sprite *p_s) {
      if (unloaded_sprites.count(p_s)) shown.insert(p_s);
    });
  for (auto it = unloaded_sprites.begin(); it != unloaded_sprites.end();) {
    if (shown.count(*it)) {
      ++it;
      continue;
    }
    delete *it;
    it = unloaded_sprites.erase(it);
  }
}

void ResourceManager::spriteLetGo(const Sprite *p_sprite) {
  // Called for every object deleted: no hashing while nothing is unloaded.
  if (p_sprite && !unloaded_sprites.empty() && unloaded_sprites.count(p_sprite)) sweep_due = true;
}

void ResourceManager::freeReleasedSprites() {
  if (sweep_due) freeUnshownSprites();
}

void ResourceManager::stopAudio() {
  for (int i = 0; i < sound_count; i++) p_sound[i]->stop();
  for (Sound *p_s : unloaded_sounds) p_s->stop();
  for (int i = 0; i < music_count; i++) p_music[i]->stop();
}

void ResourceManager::freeAudio() {
  // Deleting a sound or a track stops it first.
  for (int i = 0; i < sound_count; i++) {
    delete p_sound[i];
    p_sound[i] = nullptr;
  }
  sound_count = 0;
  for (Sound *p_s : unloaded_sounds) delete p_s;
  unloaded_sounds.clear();
  for (int i = 0; i < music_count; i++) {
    delete p_music[i];
    p_music[i] = nullptr;
  }
  music_count = 0;
}

bool ResourceManager::refuseUnstarted() const {
  if (isStarted()) return false;
  LogManager::getInstance().writeLog("%s not started!", getType().c_str());
  return true;
}

bool ResourceManager::refuseFull(const std::string &label) const {
  if (sprite_count < MAX_SPRITES) return false;
  LogManager &log = LogManager::getInstance();
  log.writeLog("ResourceManager::loadSprite(): Error! Cannot add more Sprites (max is %d).",
               MAX_SPRITES);
  log.writeLog("ResourceManager::loadSprite(): Sprite '%s' not loaded.", label.c_str());
  return true;
}

int ResourceManager::addSprite(std::istream &in, const std::string &label) {
  Sprite *p_s = readSprite(in, label);
  if (!p_s) {
    LogManager::getInstance().writeLog("ResourceManager::loadSprite(): Sprite '%s' not loaded.",
                                       label.c_str());
    return -1;
  }
  p_sprite[sprite_count++] = p_s;
  LogManager::getInstance().writeLog("ResourceManager::loadSprite(): Sprite '%s' loaded.",
                                     label.c_str());
  return 0;
}

int ResourceManager::loadSprite(std::string filename, std::string label) {
  if (refuseUnstarted() || refuseFull(label)) return -1;
  LogManager &log = LogManager::getInstance();
  log.writeLog("ResourceManager::loadSprite(): Loading sprite '%s'.", filename.c_str());
  std::string text;
  int opened = RegularFile::read(filename, text, static_cast<size_t>(MAX_SPRITE_BYTES));
  if (opened != 0) {
    if (opened == -1)
      log.writeLog("ResourceManager::loadSprite(): Error! Cannot open file '%s'.",
                   filename.c_str());
    else
      log.writeLog("ResourceManager::loadSprite(): Error! '%s' is not a regular file.",
                   filename.c_str());
    log.writeLog("ResourceManager::loadSprite(): Sprite '%s' not loaded.", label.c_str());
    return -1;
  }
  log.writeLog(1, "ResourceManager::loadSprite(): Opened file '%s'.", filename.c_str());
  std::istringstream in(std::move(text));
  return addSprite(in, label);
}

int ResourceManager::loadSprite(std::istream &in, std::string label) {
  if (refuseUnstarted() || refuseFull(label)) return -1;
  return addSprite(in, label);
}

int ResourceManager::unloadSprite(std::string label) {
  if (refuseUnstarted()) return -1;
  Sprite *p_s = takeFirst(p_sprite, sprite_count, label);
  if (!p_s) return -1;
  unloaded_sprites.insert(p_s);
  freeUnshownSprites();
  return 0;
}

Sprite *ResourceManager::getSprite(std::string label) const {
  return findLabelled(p_sprite, sprite_count, label,
                      {"ResourceManager::getSprite(): Looking for sprite '%s'.",
                       "ResourceManager::getSprite(): Warning! Sprite '%s' not found."});
}

int ResourceManager::loadSound(std::string filename, std::string label) {
  if (refuseUnstarted()) return -1;
  if (!roomFor(sound_count, MAX_SOUNDS,
               "ResourceManager::loadSound(): Error! Unable to add more sounds (max is %d)."))
    return -1;
  return addLoaded(p_sound, sound_count, filename, label,
                   {"ResourceManager::loadSound(): Error! Cannot load sound from file '%s'.",
                    "ResourceManager::loadSound(): Sound '%s' successfully loaded."});
}

int ResourceManager::unloadSound(std::string label) {
  if (refuseUnstarted()) return -1;
  // Kept until the next start-up: game objects may still point at it.
  Sound *p_s = takeFirst(p_sound, sound_count, label);
  if (!p_s) return -1;
  unloaded_sounds.push_back(p_s);
  p_s->stop();
  return 0;
}

Sound *ResourceManager::getSound(std::string label) const {
  return findLabelled(p_sound, sound_count, label,
                      {"ResourceManager::getSound(): Looking for sound '%s'.",
                       "ResourceManager::getSound(): Warning! Sound '%s' not found."});
}

int ResourceManager::loadMusic(std::string filename, std::string label) {
  if (refuseUnstarted()) return -1;
  if (!roomFor(music_count, MAX_MUSICS,
               "ResourceManager::loadMusic(): Error! Unable to add more musics (max is %d)."))
    return -1;
  if (label.empty()) {
    LogManager::getInstance().writeLog(
        "ResourceManager::loadMusic(): Error! Must provide label for music.");
    return -1;
  }
  return addLoaded(p_music, music_count, filename, label,
                   {"ResourceManager::loadmusic(): Error! Cannot load music from file '%s'.",
                    "ResourceManager::loadMusic(): Music '%s' successfully loaded."});
}

int ResourceManager::unloadMusic(std::string label) {
  if (refuseUnstarted()) return -1;
  if (label.empty()) return -1;
  for (int i = 0; i < music_count; i++) {
    if (p_music[i]->getLabel() != label) continue;
    // Pointers handed out stay valid until shut-down; the track only stops
    // and leaves the lookup.
    p_music[i]->stop();
    p_music[i]->setLabel("");
    return 0;
  }
  return -1;
}

Music *ResourceManager::getMusic(std::string label) const {
  // Unloaded tracks keep their place with an empty label: "" finds none.
  return findLabelled(p_music, label.empty() ? 0 : music_count, label,
                      {"ResourceManager::getMusic(): Looking for music '%s'.",
                       "ResourceManager::getMusic(): Warning! Music '%s' not found."});
}

}  // namespace sb
