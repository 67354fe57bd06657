// The player's ship: moved with the arrow keys or WASD, shoots with space
// (straight ahead) and with a left click (towards the pointer).
#ifndef ARENA_PLAYER_H
#define ARENA_PLAYER_H

#include "Sorbelane.h"

class Arena;

class Player : public sb::Object {
  Arena *p_arena;
  sb::Vector facing{1.0f, 0.0f};
  int move_x = 0;  // requested this step by the keys held
  int move_y = 0;
  int vertical_wait = 0;  // rows are tall, so vertical moves come every other step
  int fire_wait = 0;      // steps until the next shot may leave
  int safe_steps = 0;     // steps without harm after being hit

  void keyboard(const sb::EventKeyboard *p_key);
  void mouse(const sb::EventMouse *p_mouse);
  void step();
  void fire(sb::Vector direction);

 public:
  Player(Arena *arena, sb::Vector where);
  int eventHandler(const sb::Event *p_e) override;
};

#endif
