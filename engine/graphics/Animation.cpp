#include "Animation.h"

#include "AttributeList.h"
#include "LogManager.h"
#include "ResourceManager.h"
#include "Sprite.h"
#include "utility.h"

namespace sb {

Animation::Animation() : p_sprite(nullptr), index(0), slowdown_count(0), modified(true) {}

void Animation::setSprite(Sprite *p_new_sprite) {
  if (p_new_sprite) setName(p_new_sprite->getLabel());
  p_sprite = p_new_sprite;
  index = 0;
  modified = true;
}

Sprite *Animation::getSprite() const { return p_sprite; }

void Animation::setName(std::string new_name) {
  if (new_name == name) return;
  name = new_name;
  modified = true;
}

std::string Animation::getName() const { return name; }

void Animation::setIndex(int new_index) {
  if (new_index == index) return;
  index = new_index;
  modified = true;
}

int Animation::getIndex() const { return index; }

void Animation::setSlowdownCount(int new_slowdown_count) {
  if (new_slowdown_count == slowdown_count) return;
  slowdown_count = new_slowdown_count;
  modified = true;
}

int Animation::getSlowdownCount() const { return slowdown_count; }

int Animation::draw(Vector position) {
  if (!p_sprite) return 0;
  int result = p_sprite->draw(index, position, p_sprite->getTransparency());
  if (slowdown_count == -1) return result;  // frozen

  // Index and count may have been set to anything (setters, a network peer):
  // a count below -1 restarts, and the comparisons are written so that no
  // value can overflow or keep the animation off its frames for good.
  if (slowdown_count < -1) slowdown_count = 0;
  modified = true;
  if (slowdown_count < p_sprite->getSlowdown() - 1LL) {
    slowdown_count++;
    return result;
  }
  slowdown_count = 0;
  if (index < 0 || index >= p_sprite->getFrameCount() - 1)
    index = 0;
  else
    index++;
  return result;
}

Box Animation::getBox() const {
  if (!p_sprite) return Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f);
  float w = static_cast<float>(p_sprite->getWidth());
  float h = static_cast<float>(p_sprite->getHeight());
  return Box(Vector(-w / 2, -h / 2), w, h);
}

bool Animation::isModified() const { return modified; }

std::string Animation::serialize(std::string attr) {
  bool chosen =
      attr == "ALL" || (attr.empty() && modified) || attr.find("ANIMATION,") != std::string::npos;
  if (!chosen) return "";
  modified = false;
  return "sprite_name:" + AttributeList::escape(name) + ",sprite_index:" + toString(index) +
         ",sprite_slowdown_count:" + toString(slowdown_count) + ",";
}

int Animation::deserialize(std::string str) {
  if (!str.empty()) match(str, "");
  return deserializeAttributes(AttributeList(str));
}

int Animation::deserializeAttributes(const AttributeList &list) {
  LogManager &log_manager = LogManager::getInstance();
  std::string value = list.value("sprite_name");
  if (!value.empty()) {
    log_manager.writeLog(20, "Animation::deserialize(): sprite_name is '%s'", value.c_str());
    Sprite *p_found = ResourceManager::getInstance().getSprite(value);
    if (p_found)
      setSprite(p_found);
    else
      log_manager.writeLog("Animation::Match(): Sprite '%s' not found", value.c_str());
    setName(value);
  }
  int number = 0;
  value = list.value("sprite_index");
  if (!value.empty()) {
    if (readInt(value, number)) {
      log_manager.writeLog(20, "Animation::deserialize(): sprite_index is %d", number);
      setIndex(number);
    } else {
      log_manager.writeLog(
          "Animation::deserialize(): Warning! sprite_index '%s' not valid. Ignored.",
          value.c_str());
    }
  }
  value = list.value("sprite_slowdown_count");
  if (!value.empty()) {
    if (readInt(value, number)) {
      log_manager.writeLog(20, "Animation::deserialize(): sprite_slowdown_count is %d", number);
      setSlowdownCount(number);
    } else {
      log_manager.writeLog(
          "Animation::deserialize(): Warning! sprite_slowdown_count '%s' not valid. Ignored.",
          value.c_str());
    }
  }
  return 0;
}

}  // namespace sb
