#include "Enemy.h"

#include "Arena.h"
#include "Player.h"

namespace {
// Steps between two searches for a path to the player, who keeps moving.
const int kRepathSteps = 24;
}  // namespace

Enemy::Enemy(Arena *arena, sb::Vector where, float speed) : p_arena(arena) {
  setType("Enemy");
  // SOFT: enemies pass each other and raise collision events with the
  // player and shots; the walls they avoid by following their paths.
  setSolidness(sb::SOFT);
  setSprite("enemy");
  setPosition(where);
  setSpeed(speed);
  // Spread the searches of enemies made together over different steps.
  repath_countdown = getId() % kRepathSteps;
  registerInterest(sb::STEP_EVENT);
}

void Enemy::explode(bool by_shot) {
  if (dead) return;
  dead = true;
  sb::addParticles(sb::SPARKS, getPosition(), 2.0f);
  p_arena->playSound("explode");
  p_arena->enemyDown(by_shot);
  sb::WorldManager::getInstance().markForDelete(this);
}

int Enemy::eventHandler(const sb::Event *p_e) {
  if (p_e->typeRef() == sb::STEP_EVENT) {
    if (dead) return 1;
    Player *p_player = p_arena->getPlayer();
    // A new search now and then, and at once when the last path ran out.
    if (p_player && (--repath_countdown <= 0 || (!getFollowPath() && !getPathFind()))) {
      pathTo(p_player);
      repath_countdown = kRepathSteps;
    }
    return 1;
  }
  // The path event and everything else: the engine's path following.
  return sb::Object::eventHandler(p_e);
}
