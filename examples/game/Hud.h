// What the player sees besides the arena: score, best score and lives as
// view objects along the top, and a message in the middle of the screen.
#ifndef ARENA_HUD_H
#define ARENA_HUD_H

#include <string>

#include "Sorbelane.h"

class Hud {
  sb::ViewObject *p_score;
  sb::ViewObject *p_best;
  sb::ViewObject *p_lives;
  sb::ViewObject *p_message = nullptr;

 public:
  Hud(int best, int lives);
  // Changes go through view events, as any object could send them.
  void addScore(int points);
  void addLives(int change);
  int getScore() const { return p_score->getValue(); }
  int getLives() const { return p_lives->getValue(); }
  void setBest(int best) { p_best->setValue(best); }
  void showMessage(const std::string &text);
};

#endif
