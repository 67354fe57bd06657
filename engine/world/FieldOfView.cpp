#include "FieldOfView.h"

#include <algorithm>

#include "CellMap.h"
#include "LogManager.h"

namespace sb {

namespace {

// Floor and ceiling of a / b for b > 0.
inline int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
inline int ceilDiv(int a, int b) { return -floorDiv(-a, b); }

// The nearest integer to n / d (d > 0); a tie goes away from zero or towards it.
inline int roundTie(int n, int d, bool away) {
  bool up = (n >= 0) == away;  // ties upwards
  return up ? floorDiv(2 * n + d, 2 * d) : ceilDiv(2 * n - d, 2 * d);
}

}  // namespace

// One row of a quadrant in symmetric shadowcasting: its depth from the origin
// and the slopes (as fractions, denominators above 0) that bound its light.
struct FieldOfView::Row {
  int depth;
  int start_num, start_den;
  int end_num, end_den;
};

namespace {

// Whether the centre of the cell at col in a row depth rows out lies between
// the row's slopes: start <= col / depth <= end.
template <typename Row>
inline bool litCentre(const Row &row, int depth, int col) {
  const long long c = col, d = depth;
  return c * row.start_den >= d * row.start_num && c * row.end_den <= d * row.end_num;
}

}  // namespace

// A line of precise permissive field of view, from (xi, yi) to (xf, yf), in
// the corner coordinates of a quadrant (the origin cell spans (0,0) to (1,1)).
struct PermissiveLine {
  int xi, yi, xf, yf;
  // Above 0: (x, y) lies below the line; below 0: above it; 0: on it.
  long long relativeSlope(int x, int y) const {
    return static_cast<long long>(yf - yi) * (xf - x) - static_cast<long long>(xf - xi) * (yf - y);
  }
  bool isBelow(int x, int y) const { return relativeSlope(x, y) > 0; }
  bool isBelowOrContains(int x, int y) const { return relativeSlope(x, y) >= 0; }
  bool isAbove(int x, int y) const { return relativeSlope(x, y) < 0; }
  bool isAboveOrContains(int x, int y) const { return relativeSlope(x, y) <= 0; }
  bool contains(int x, int y) const { return relativeSlope(x, y) == 0; }
  bool collinear(const PermissiveLine &o) const {
    return contains(o.xi, o.yi) && contains(o.xf, o.yf);
  }
};

// A corner of a wall that bent one of a view's lines; bumps form lists
// through their parents (index into the bump pool, -1 ends a list).
struct FieldOfView::Bump {
  int x, y, parent;
};

// A wedge of light between a shallow and a steep line, with the bumps that bent each.
struct FieldOfView::View {
  PermissiveLine shallow, steep;
  int shallow_bump, steep_bump;
};

FieldOfView::FieldOfView() : width(0), height(0) {}

FieldOfView::~FieldOfView() = default;

void FieldOfView::forget() { std::fill(seen.begin(), seen.end(), 0); }

void FieldOfView::prepare(int map_width, int map_height) {
  if (map_width != width || map_height != height) {
    width = map_width;
    height = map_height;
    std::size_t cells = static_cast<std::size_t>(width) * height;
    visible.assign(cells, 0);
    seen.assign(cells, 0);
    // Work space bounds: a row or a view splits only at a wall, so neither list
    // outgrows the cells; two bumps at most per wall cell.
    rows.reserve(cells + 8);
    views.reserve(cells + 8);
    bumps.reserve(2 * cells + 8);
  } else {
    std::fill(visible.begin(), visible.end(), 0);
  }
}

int FieldOfView::compute(const CellMap &map, int x, int y, int radius, bool light_walls,
                         FovAlgorithm algorithm) {
  prepare(map.getWidth(), map.getHeight());
  if (!map.contains(x, y) || radius < 0) {
    LogManager::getInstance().writeLog(
        "FieldOfView::compute(): Error! origin (%d, %d) outside the %d x %d map or radius %d "
        "below 0.",
        x, y, width, height, radius);
    return -1;
  }
  if (algorithm == FOV_PERMISSIVE) {
    castPermissive(map, x, y, radius, light_walls);
    return 0;
  }
  if (light_walls || map.isTransparent(x, y)) reveal(x, y);
  // The four quadrants: a row runs along cstep, rows go out along rstep.
  const int n = width;
  // Where a row's end meets a cell edge exactly, the quadrants settle the tie
  // differently (a ray along that edge reaches a cell in some quadrants only);
  // these choices give the same cells as libtcod's symmetric shadowcasting.
  struct Quadrant {
    int rstep, cstep, max_depth, col_lo, col_hi;
    bool first_away, last_away;  // how the first and last column's ties round
  } quadrants[4] = {
      {-n, 1, y, -x, width - 1 - x, false, true},              // north
      {n, 1, height - 1 - y, -x, width - 1 - x, true, false},  // south
      {1, n, width - 1 - x, -y, height - 1 - y, true, false},  // east
      {-1, n, x, -y, height - 1 - y, false, true},             // west
  };
  const std::uint8_t *flags = map.data();
  const int origin = y * width + x;
  const long long radius2 = static_cast<long long>(radius) * radius;
  for (const Quadrant &q : quadrants) {
    int max_depth = radius > 0 ? std::min(q.max_depth, radius) : q.max_depth;
    if (max_depth < 1) continue;
    rows.clear();
    rows.push_back(Row{1, -1, 1, 1, 1});
    while (!rows.empty()) {
      Row row = rows.back();
      rows.pop_back();
      const int depth = row.depth;
      int min_col = roundTie(depth * row.start_num, row.start_den, q.first_away);
      int max_col = roundTie(depth * row.end_num, row.end_den, q.last_away);
      min_col = std::max(min_col, q.col_lo);
      max_col = std::min(max_col, q.col_hi);
      const int row_base = origin + depth * q.rstep;
      // A floor cell is lit when its centre lies between the slopes, centres on
      // a slope included. The test is exact (in integers): rounding it would
      // light a cell on a slope from one side and not from the other.
      const long long depth2 = static_cast<long long>(depth) * depth;
      int prev = -1;  // -1 none yet, 0 floor, 1 wall
      for (int col = min_col; col <= max_col; col++) {
        const int cell = row_base + col * q.cstep;
        const int wall = (flags[cell] & CellMap::TRANSPARENT) ? 0 : 1;
        bool lit = wall ? light_walls : litCentre(row, depth, col);
        if (lit && (radius == 0 || depth2 + static_cast<long long>(col) * col < radius2)) {
          visible[cell] = 1;
          seen[cell] = 1;
        }
        if (prev == 1 && !wall) {
          row.start_num = 2 * col - 1;
          row.start_den = 2 * depth;
        } else if (prev == 0 && wall && depth < max_depth) {
          rows.push_back(Row{depth + 1, row.start_num, row.start_den, 2 * col - 1, 2 * depth});
        }
        prev = wall;
      }
      if (prev == 0 && depth < max_depth)
        rows.push_back(Row{depth + 1, row.start_num, row.start_den, row.end_num, row.end_den});
    }
  }
  return 0;
}

void FieldOfView::castPermissive(const CellMap &map, int ox, int oy, int radius, bool light_walls) {
  reveal(ox, oy);  // the origin, even in a wall
  lit_mask = light_walls ? 0 : CellMap::TRANSPARENT;
  int left = ox, right = width - 1 - ox, up = oy, down = height - 1 - oy;
  if (radius > 0) {
    left = std::min(left, radius);
    right = std::min(right, radius);
    up = std::min(up, radius);
    down = std::min(down, radius);
  }
  permissiveQuadrant(map, ox, oy, 1, 1, right, down);
  permissiveQuadrant(map, ox, oy, 1, -1, right, up);
  permissiveQuadrant(map, ox, oy, -1, -1, left, up);
  permissiveQuadrant(map, ox, oy, -1, 1, left, down);
}

// One quadrant of precise permissive field of view: cells are visited along
// diagonals outwards from the origin; each wall met bends, splits or closes
// the view it lies in.
void FieldOfView::permissiveQuadrant(const CellMap &map, int ox, int oy, int dx, int dy,
                                     int extent_x, int extent_y) {
  if (extent_x == 0 && extent_y == 0) return;
  views.clear();
  bumps.clear();
  // The first view's lines run from the origin cell's far corners along the
  // quadrant's edges; in a quadrant one cell thin (a corridor, or an origin on
  // the map's edge) they still need a length, or the view would be closed.
  const int line_x = std::max(extent_x, 1), line_y = std::max(extent_y, 1);
  views.push_back(View{PermissiveLine{0, 1, line_x, 0}, PermissiveLine{1, 0, 0, line_y}, -1, -1});
  const std::uint8_t *flags = map.data();
  const int max_i = extent_x + extent_y;
  for (int i = 1; i <= max_i && !views.empty(); i++) {
    int start_j = std::max(0, i - extent_x), max_j = std::min(i, extent_y);
    std::size_t vi = 0;
    for (int j = start_j; j <= max_j && vi < views.size(); j++) {
      const int x = i - j, y = j;
      // The cell's corners nearest each line: top-left (x, y + 1), bottom-right (x + 1, y).
      while (vi < views.size() && views[vi].steep.isBelowOrContains(x + 1, y)) vi++;
      if (vi == views.size() || views[vi].shallow.isAboveOrContains(x, y + 1)) continue;
      const int cell = (oy + y * dy) * width + (ox + x * dx);
      const std::uint8_t f = flags[cell];
      if ((f & lit_mask) == lit_mask) {  // without light walls only transparent cells
        visible[cell] = 1;
        seen[cell] = 1;
      }
      if (f & CellMap::TRANSPARENT) continue;
      View &view = views[vi];
      bool above_shallow = view.shallow.isAbove(x + 1, y);
      bool below_steep = view.steep.isBelow(x, y + 1);
      if (above_shallow && below_steep) {
        views.erase(views.begin() + static_cast<long>(vi));
      } else if (above_shallow) {
        addShallowBump(x, y + 1, vi);
        if (!checkView(vi)) continue;
      } else if (below_steep) {
        addSteepBump(x + 1, y, vi);
        checkView(vi);
      } else {
        // The wall splits the view in two: the shallow part keeps below the
        // wall, the steep part above it.
        std::size_t shallow_index = vi, steep_index = vi + 1;
        views.insert(views.begin() + static_cast<long>(vi), views[vi]);
        addSteepBump(x + 1, y, shallow_index);
        if (!checkView(shallow_index)) steep_index--;
        addShallowBump(x, y + 1, steep_index);
        checkView(steep_index);
        vi = steep_index;
      }
    }
  }
}

void FieldOfView::addShallowBump(int x, int y, std::size_t vi) {
  View &view = views[vi];
  view.shallow.xf = x;
  view.shallow.yf = y;
  bumps.push_back(Bump{x, y, view.shallow_bump});
  view.shallow_bump = static_cast<int>(bumps.size()) - 1;
  for (int b = view.steep_bump; b >= 0; b = bumps[b].parent) {
    if (view.shallow.isAbove(bumps[b].x, bumps[b].y)) {
      view.shallow.xi = bumps[b].x;
      view.shallow.yi = bumps[b].y;
    }
  }
}

void FieldOfView::addSteepBump(int x, int y, std::size_t vi) {
  View &view = views[vi];
  view.steep.xf = x;
  view.steep.yf = y;
  bumps.push_back(Bump{x, y, view.steep_bump});
  view.steep_bump = static_cast<int>(bumps.size()) - 1;
  for (int b = view.shallow_bump; b >= 0; b = bumps[b].parent) {
    if (view.steep.isBelow(bumps[b].x, bumps[b].y)) {
      view.steep.xi = bumps[b].x;
      view.steep.yi = bumps[b].y;
    }
  }
}

// Drops a view closed to a line through the origin cell's far corners; false when dropped.
bool FieldOfView::checkView(std::size_t vi) {
  const View &view = views[vi];
  if (view.shallow.collinear(view.steep) &&
      (view.shallow.contains(0, 1) || view.shallow.contains(1, 0))) {
    views.erase(views.begin() + static_cast<long>(vi));
    return false;
  }
  return true;
}

}  // namespace sb
