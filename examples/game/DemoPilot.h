// Plays the game by itself for the demo mode: every step it makes the key
// presses and mouse clicks a player would, and hands them to the objects
// through the input manager, as real input arrives. The script depends only
// on the step number and on where the enemies are. After a while it stops
// shooting and lets the enemies reach the player, so that a demo loses its
// lives too.
#ifndef ARENA_DEMO_PILOT_H
#define ARENA_DEMO_PILOT_H

#include "Sorbelane.h"

class Arena;

class DemoPilot : public sb::Object {
  Arena *p_arena;
  int step = 0;
  int ceasefire_step;

  void press(sb::Keyboard::Key key, sb::EventKeyboardAction action);
  void clickAtNearestEnemy();

 public:
  DemoPilot(Arena *arena, int ceasefire_step);
  int eventHandler(const sb::Event *p_e) override;
};

#endif
