// Sprite files: the input is read as one sprite from memory. A sprite that
// loads must hold whole frames of its size, be found by its label and
// animate, and be freed when unloaded; the manager is restarted now and then.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "Animation.h"
#include "Config.h"
#include "LogManager.h"
#include "ResourceManager.h"
#include "Sprite.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("SORBELANE_LOG", "/dev/null", 1);
  sb::Config::getInstance().setHeadless(true);  // drawing refuses at once
  sb::LogManager::getInstance().setLogLevel(15);  // every log path, to /dev/null
  sb::LogManager::getInstance().startUp();
  sb::ResourceManager::getInstance().startUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sb::ResourceManager &resources = sb::ResourceManager::getInstance();
  std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
  if (resources.loadSprite(in, "fuzz") == 0) {
    sb::Sprite *p_s = resources.getSprite("fuzz");
    if (!p_s || p_s->getFrameCount() < 1) std::abort();
    size_t cells = static_cast<size_t>(p_s->getWidth()) * static_cast<size_t>(p_s->getHeight());
    for (int i = 0; i < p_s->getFrameCount(); i++)
      if (p_s->getFrame(i).getString().size() != cells) std::abort();
    sb::Animation animation;
    animation.setSprite(p_s);
    for (int i = 0; i < 8; i++) {
      animation.draw(sb::Vector(5, 5));
      if (animation.getIndex() < 0 || animation.getIndex() >= p_s->getFrameCount()) std::abort();
    }
    // No object shows it, so unloading frees it at once.
    if (resources.unloadSprite("fuzz") != 0 || resources.getUnloadedSpriteCount() != 0)
      std::abort();
  }
  static int runs = 0;
  if (++runs % 256 == 0) {  // a restart between inputs must be harmless too
    resources.shutDown();
    resources.startUp();
  }
  return 0;
}
