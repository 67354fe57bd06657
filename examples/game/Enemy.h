// An enemy: walks towards the player along paths found around the walls,
// and explodes when a shot hits it or when it reaches the player.
#ifndef ARENA_ENEMY_H
#define ARENA_ENEMY_H

#include "Sorbelane.h"

class Arena;

class Enemy : public sb::Object {
  Arena *p_arena;
  int repath_countdown;
  bool dead = false;

 public:
  Enemy(Arena *arena, sb::Vector where, float speed);
  // Explodes once: particles, a bang, and the arena is told. by_shot says
  // whether the player scores for it.
  void explode(bool by_shot);
  bool isDead() const { return dead; }
  int eventHandler(const sb::Event *p_e) override;
};

#endif
