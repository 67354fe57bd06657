#include "Hud.h"

namespace {

sb::ViewObject *item(const std::string &label, int value, sb::ViewObjectLocation where,
                     sb::Color color) {
  sb::ViewObject *p = new sb::ViewObject;
  p->setViewString(label);
  p->setValue(value);
  p->setLocation(where);
  p->setColor(color);
  return p;
}

}  // namespace

Hud::Hud(int best, int lives) {
  p_score = item("Score", 0, sb::TOP_LEFT, sb::YELLOW);
  p_best = item("Best", best, sb::TOP_CENTER, sb::CYAN);
  p_lives = item("Lives", lives, sb::TOP_RIGHT, sb::GREEN);
}

void Hud::addScore(int points) {
  sb::EventView event("Score", points, true);
  sb::WorldManager::getInstance().onEvent(&event);
}

void Hud::addLives(int change) {
  sb::EventView event("Lives", change, true);
  sb::WorldManager::getInstance().onEvent(&event);
}

void Hud::showMessage(const std::string &text) {
  if (!p_message) {
    p_message = item(text, 0, sb::CENTER_CENTER, sb::WHITE);
    p_message->setDrawValue(false);
  }
  p_message->setViewString(text);
}
