// A shot from the player: flies straight, destroys the first enemy it meets,
// stops at walls and at the edge of the world.
#ifndef ARENA_SHOT_H
#define ARENA_SHOT_H

#include "Sorbelane.h"

class Arena;

class Shot : public sb::Object {
  Arena *p_arena;
  int steps_left = 60;
  bool spent = false;

  void finish();

 public:
  Shot(Arena *arena, sb::Vector from, sb::Vector direction);
  int eventHandler(const sb::Event *p_e) override;
};

#endif
