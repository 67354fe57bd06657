#include "Animation.h"

#include "Sprite.h"

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

std::string Animation::serialize(std::string) { return ""; }

int Animation::deserialize(std::string) { return 0; }

}  // namespace sb
