#include "Shot.h"

#include "Arena.h"
#include "Enemy.h"

Shot::Shot(Arena *arena, sb::Vector from, sb::Vector direction) : p_arena(arena) {
  setType("Shot");
  setSolidness(sb::SOFT);
  setSprite("shot");
  setPosition(from);
  direction.normalize();
  setDirection(direction);
  setSpeed(1.0f);
  registerInterest(sb::STEP_EVENT);
}

void Shot::finish() {
  if (spent) return;
  spent = true;
  sb::WorldManager::getInstance().markForDelete(this);
}

int Shot::eventHandler(const sb::Event *p_e) {
  const std::string &type = p_e->typeRef();
  if (type == sb::STEP_EVENT) {
    if (--steps_left <= 0) finish();
    return 1;
  }
  if (type == sb::OUT_EVENT) {
    finish();
    return 1;
  }
  if (type == sb::COLLISION_EVENT) {
    if (spent) return 1;
    auto p_c = static_cast<const sb::EventCollision *>(p_e);
    sb::Object *p_other = p_c->getObject1() == this ? p_c->getObject2() : p_c->getObject1();
    if (p_other->typeRef() == "Enemy") {
      static_cast<Enemy *>(p_other)->explode(true);
      finish();
    } else if (p_other->typeRef() == "Wall") {
      sb::addParticles(sb::SMOKE, getPosition(), 0.3f);
      finish();
    }
    return 1;
  }
  return sb::Object::eventHandler(p_e);
}
