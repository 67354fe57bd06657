#include "CellMap.h"

#include <algorithm>
#include <cmath>

#include "Constants.h"
#include "LogManager.h"
#include "Object.h"
#include "SceneGraph.h"
#include "WorldManager.h"
#include "utility.h"

namespace sb {

namespace {

// The cell range [lo, hi] holding every integer near the real range, clamped to [0, limit).
void candidateRange(double lo, double hi, int limit, int &first, int &last) {
  if (!(lo <= hi)) {  // also NaN
    first = 1;
    last = 0;
    return;
  }
  lo = std::max(std::floor(lo) - 1, -1.0);
  hi = std::min(std::ceil(hi) + 1, static_cast<double>(limit));
  first = std::max(static_cast<int>(lo), 0);
  last = std::min(static_cast<int>(hi), limit - 1);
}

}  // namespace

CellMap::CellMap() : width(0), height(0) {}

CellMap::CellMap(int init_width, int init_height) : width(0), height(0) {
  resize(init_width, init_height);
}

int CellMap::resize(int new_width, int new_height) {
  if (new_width < 0 || new_height < 0 ||
      static_cast<long long>(new_width) * new_height > MAX_PATH_CELLS) {
    LogManager::getInstance().writeLog(
        "CellMap::resize(): Error! %d x %d cells is not a size between 0 x 0 and %lld cells.",
        new_width, new_height, MAX_PATH_CELLS);
    return -1;
  }
  width = new_width;
  height = new_height;
  flags.assign(static_cast<std::size_t>(width) * height, TRANSPARENT | WALKABLE);
  costs.clear();
  costs.shrink_to_fit();
  return 0;
}

void CellMap::setProperties(int x, int y, bool transparent, bool walkable) {
  if (!contains(x, y)) return;
  flags[index(x, y)] =
      static_cast<std::uint8_t>((transparent ? TRANSPARENT : 0) | (walkable ? WALKABLE : 0));
}

void CellMap::setTransparent(int x, int y, bool transparent) {
  if (!contains(x, y)) return;
  std::uint8_t &f = flags[index(x, y)];
  f = static_cast<std::uint8_t>(transparent ? f | TRANSPARENT : f & ~TRANSPARENT);
}

void CellMap::setWalkable(int x, int y, bool walkable) {
  if (!contains(x, y)) return;
  std::uint8_t &f = flags[index(x, y)];
  f = static_cast<std::uint8_t>(walkable ? f | WALKABLE : f & ~WALKABLE);
}

void CellMap::fill(bool transparent, bool walkable) {
  std::fill(flags.begin(), flags.end(),
            static_cast<std::uint8_t>((transparent ? TRANSPARENT : 0) | (walkable ? WALKABLE : 0)));
}

int CellMap::setCost(int x, int y, float cost) {
  if (!contains(x, y) || !(cost > 0 && cost <= MAX_COST)) {
    LogManager::getInstance().writeLog(
        "CellMap::setCost(): Error! cost %g at (%d, %d) is not a cost above 0 and at most %g "
        "inside %d x %d cells.",
        static_cast<double>(cost), x, y, static_cast<double>(MAX_COST), width, height);
    return -1;
  }
  if (costs.empty()) {
    if (cost == 1.0f) return 0;
    costs.assign(flags.size(), 1.0f);
  }
  costs[index(x, y)] = cost;
  return 0;
}

void CellMap::clearCosts() {
  costs.clear();
  costs.shrink_to_fit();
}

int CellMap::buildFromWorld(const Object *p_mover) {
  Box boundary = WorldManager::getInstance().getBoundary();
  double columns = std::floor(boundary.getHorizontal()), rows = std::floor(boundary.getVertical());
  if (!(columns * rows <= static_cast<double>(MAX_PATH_CELLS))) {
    LogManager::getInstance().writeLog(
        "CellMap::buildFromWorld(): Error! World boundary of %g x %g cells exceeds %lld cells.",
        columns, rows, MAX_PATH_CELLS);
    return -1;
  }
  int new_width = std::max(0, static_cast<int>(columns));
  int new_height = std::max(0, static_cast<int>(rows));
  if (new_width != width || new_height != height) {
    if (resize(new_width, new_height) != 0) return -1;
  } else {
    fill(true, true);
  }

  // Rather than asking the world about every cell, each HARD object marks the
  // cells where the mover's box would meet its box, with the same test.
  const Box mover_box = p_mover ? p_mover->getBox() : Object::defaultBox();
  const ObjectList solids = WorldManager::getInstance().getSceneGraph().solidObjects();
  for (int i = 0; i < solids.getCount(); i++) {
    const Object *p_o = solids[i];
    if (p_o == p_mover || p_o->getSolidness() != HARD) continue;
    const Box &b = p_o->worldBox();
    double ox1 = b.getCorner().getX(), oy1 = b.getCorner().getY();
    double mx = mover_box.getCorner().getX(), my = mover_box.getCorner().getY();
    int x0, x1, y0, y1;
    candidateRange(ox1 - mx - mover_box.getHorizontal(), ox1 + b.getHorizontal() - mx, width, x0,
                   x1);
    candidateRange(oy1 - my - mover_box.getVertical(), oy1 + b.getVertical() - my, height, y0, y1);
    for (int y = y0; y <= y1; y++) {
      for (int x = x0; x <= x1; x++) {
        std::uint8_t &f = flags[index(x, y)];
        if (f == 0) continue;
        Box at(mover_box.getCorner() + Vector(static_cast<float>(x), static_cast<float>(y)),
               mover_box.getHorizontal(), mover_box.getVertical());
        if (boxIntersectsBox(at, b)) f = 0;
      }
    }
  }
  return 0;
}

}  // namespace sb
