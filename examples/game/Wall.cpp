#include "Wall.h"

Wall::Wall(int x, int y, int w, int h) : width(w), height(h) {
  setType("Wall");
  setSolidness(sb::HARD);
  setPosition(sb::Vector(static_cast<float>(x), static_cast<float>(y)));
  // The box covers whole cells: a cell object's box is (-0.5, -0.5) and just
  // under one cell wide, so neighbours outside the wall never touch it.
  setBox(sb::Box(sb::Vector(-0.5f, -0.5f), w - 0.01f, h - 0.01f));
}

int Wall::draw() {
  sb::DisplayManager &display = sb::DisplayManager::getInstance();
  sb::Vector corner = getPosition();
  int result = 0;
  for (int row = 0; row < height; row++)
    for (int col = 0; col < width; col++)
      result += display.drawCh(corner + sb::Vector(static_cast<float>(col), static_cast<float>(row)),
                               '#', sb::BLUE);
  return result;
}
