// A block of wall cells: solid, drawn as '#'. Enemies find their way around it.
#ifndef ARENA_WALL_H
#define ARENA_WALL_H

#include "Sorbelane.h"

class Wall : public sb::Object {
  int width;
  int height;

 public:
  // Covers the cells from column x, row y, width wide and height tall.
  Wall(int x, int y, int width, int height);
  int draw() override;
};

#endif
