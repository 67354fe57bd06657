#include "Player.h"

#include "Arena.h"
#include "Enemy.h"
#include "Shot.h"

namespace {
const int kFireSteps = 4;
const int kSafeSteps = 30;
}  // namespace

Player::Player(Arena *arena, sb::Vector where) : p_arena(arena) {
  setType("Player");
  // HARD: walls stop the player.
  setSolidness(sb::HARD);
  setSprite("player");
  setPosition(where);
  registerInterest(sb::STEP_EVENT);
  registerInterest(sb::KEYBOARD_EVENT);
  registerInterest(sb::MSE_EVENT);
}

void Player::keyboard(const sb::EventKeyboard *p_key) {
  if (p_key->getKeyboardAction() == sb::KEY_RELEASED) return;
  // '?' and '>' are told apart from '/' and '.' by the character typed.
  if (p_key->getCharacter() == '?') {
    p_arena->toggleHelp();
    return;
  }
  if (p_key->getCharacter() == '>') {
    p_arena->callNextEnemy();
    return;
  }
  switch (p_key->getKey()) {
    case sb::Keyboard::LEFTARROW:
    case sb::Keyboard::A:
      move_x = -1;
      break;
    case sb::Keyboard::RIGHTARROW:
    case sb::Keyboard::D:
      move_x = 1;
      break;
    case sb::Keyboard::UPARROW:
    case sb::Keyboard::W:
      move_y = -1;
      break;
    case sb::Keyboard::DOWNARROW:
    case sb::Keyboard::S:
      move_y = 1;
      break;
    case sb::Keyboard::SPACE:
      fire(facing);
      break;
    case sb::Keyboard::R:
      if (p_key->getKeyboardAction() == sb::KEY_PRESSED) p_arena->restart();
      break;
    case sb::Keyboard::ESCAPE:
      if (p_key->getKeyboardAction() == sb::KEY_PRESSED) p_arena->endGame("quit");
      break;
    default:
      break;
  }
}

void Player::mouse(const sb::EventMouse *p_mouse) {
  if (p_mouse->getMouseAction() != sb::CLICKED || p_mouse->getMouseButton() != sb::Mouse::LEFT)
    return;
  // The pointer is in view cells; the world may be larger than the view.
  sb::Vector target = sb::viewToWorld(p_mouse->getMousePosition());
  sb::Vector direction = target - getPosition();
  if (direction.getMagnitude() < 0.5f) return;
  fire(direction);
}

void Player::fire(sb::Vector direction) {
  if (fire_wait > 0 || p_arena->isOver()) return;
  fire_wait = kFireSteps;
  direction.normalize();
  // The shot leaves from just outside the ship, in the direction of fire.
  sb::Vector from = getPosition() + sb::Vector(direction.getX() * 2.0f, direction.getY());
  new Shot(p_arena, from, direction);
  p_arena->shotFired(direction);
}

void Player::step() {
  if (fire_wait > 0) fire_wait--;
  if (safe_steps > 0) safe_steps--;
  if (vertical_wait > 0) vertical_wait--;
  if (p_arena->isOver()) {  // the ship stays where GAME OVER found it
    move_x = move_y = 0;
    return;
  }
  int dy = vertical_wait == 0 ? move_y : 0;
  if (dy != 0) vertical_wait = 2;
  if (move_x != 0 || move_y != 0)
    facing = sb::Vector(static_cast<float>(move_x), static_cast<float>(move_y));
  if (move_x != 0 || dy != 0) {
    sb::Vector target = getPosition() + sb::Vector(static_cast<float>(move_x), static_cast<float>(dy));
    // Stay inside the world and below the score line; walls refuse the move.
    sb::Box world = sb::WorldManager::getInstance().getBoundary();
    float right = world.getCorner().getX() + world.getHorizontal() - 2.0f;
    float bottom = world.getCorner().getY() + world.getVertical() - 1.0f;
    if (target.getX() >= 1.0f && target.getX() <= right && target.getY() >= 3.0f &&
        target.getY() <= bottom &&
        sb::WorldManager::getInstance().moveObject(this, target) == 0)
      p_arena->playerMoved(getPosition());
  }
  move_x = move_y = 0;
}

int Player::eventHandler(const sb::Event *p_e) {
  const std::string &type = p_e->typeRef();
  if (type == sb::STEP_EVENT) {
    step();
    return 1;
  }
  if (type == sb::KEYBOARD_EVENT) {
    keyboard(static_cast<const sb::EventKeyboard *>(p_e));
    return 1;
  }
  if (type == sb::MSE_EVENT) {
    mouse(static_cast<const sb::EventMouse *>(p_e));
    return 1;
  }
  if (type == sb::COLLISION_EVENT) {
    auto p_c = static_cast<const sb::EventCollision *>(p_e);
    sb::Object *p_other = p_c->getObject1() == this ? p_c->getObject2() : p_c->getObject1();
    if (p_other->typeRef() != "Enemy") return 1;
    Enemy *p_enemy = static_cast<Enemy *>(p_other);
    if (p_enemy->isDead()) return 1;
    // The enemy that reached the player is gone either way; a life is lost
    // only once in a while, so a crowd cannot take them all in one step.
    p_enemy->explode(false);
    if (safe_steps == 0 && !p_arena->isOver()) {
      safe_steps = kSafeSteps;
      sb::addParticles(sb::BURST, getPosition(), 0.6f);
      p_arena->playerHit();
    }
    return 1;
  }
  return sb::Object::eventHandler(p_e);
}
