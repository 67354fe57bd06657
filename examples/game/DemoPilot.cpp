#include "DemoPilot.h"

#include "Arena.h"
#include "Player.h"

namespace {

// One round of the walk: keys held for a number of steps, ending where it began.
struct Leg {
  sb::Keyboard::Key key;
  int steps;
};
const Leg kWalk[] = {{sb::Keyboard::RIGHTARROW, 12},
                     {sb::Keyboard::S, 8},  // WASD works as well as the arrows
                     {sb::Keyboard::LEFTARROW, 12},
                     {sb::Keyboard::W, 8}};
const int kClickEvery = 5;
const int kSpaceEvery = 13;

}  // namespace

DemoPilot::DemoPilot(Arena *arena, int init_ceasefire_step)
    : p_arena(arena), ceasefire_step(init_ceasefire_step) {
  setType("DemoPilot");
  setSolidness(sb::SPECTRAL);
  setVisible(false);
  registerInterest(sb::STEP_EVENT);
}

void DemoPilot::press(sb::Keyboard::Key key, sb::EventKeyboardAction action) {
  sb::EventKeyboard event;
  event.setKey(key);
  event.setKeyboardAction(action);
  sb::InputManager::getInstance().onEvent(&event);
}

void DemoPilot::clickAtNearestEnemy() {
  Player *p_player = p_arena->getPlayer();
  if (!p_player) return;
  sb::ObjectList enemies = sb::WorldManager::getInstance().objectsOfType("Enemy");
  sb::Object *p_nearest = nullptr;
  float nearest = 0;
  sb::ObjectListIterator it(&enemies);
  for (it.first(); !it.isDone(); it.next()) {
    float d = sb::distance(p_player, it.currentObject());
    if (!p_nearest || d < nearest) {
      p_nearest = it.currentObject();
      nearest = d;
    }
  }
  if (!p_nearest) return;
  sb::EventMouse event;
  event.setMouseAction(sb::CLICKED);
  event.setMouseButton(sb::Mouse::LEFT);
  event.setMousePosition(sb::worldToView(p_nearest->getPosition()));
  sb::InputManager::getInstance().onEvent(&event);
}

int DemoPilot::eventHandler(const sb::Event *p_e) {
  if (p_e->typeRef() != sb::STEP_EVENT) return 0;
  if (p_arena->isOver()) return 1;
  int round = 0;
  for (const Leg &leg : kWalk) round += leg.steps;
  int t = step % round;
  for (const Leg &leg : kWalk) {
    if (t < leg.steps) {
      // The first step of a leg is the press, the others the key held down.
      press(leg.key, t == 0 ? sb::KEY_PRESSED : sb::KEY_DOWN);
      if (t == leg.steps - 1) press(leg.key, sb::KEY_RELEASED);
      break;
    }
    t -= leg.steps;
  }
  if (step < ceasefire_step) {
    if (step % kClickEvery == 0) clickAtNearestEnemy();
    if (step % kSpaceEvery == 0) press(sb::Keyboard::SPACE, sb::KEY_PRESSED);
  }
  step++;
  return 1;
}
