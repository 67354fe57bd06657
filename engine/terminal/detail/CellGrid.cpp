#include "CellGrid.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "PolygonGeometry.h"

namespace sb {

namespace {

// Positions beyond this many cells from the origin are in no terminal.
const float FAR_CELLS = 1.0e6f;

// Grids this large are left to division (a nearest cell far out must stay
// outside the grid).
const int MOST_EXACT_CELLS = 100000;

// Floats as unsigned integers in the same order, and back.
std::uint32_t orderedKey(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

float fromOrderedKey(std::uint32_t key) {
  std::uint32_t bits = (key & 0x80000000u) ? (key & 0x7fffffffu) : ~key;
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The largest finite float for which holds() is true, where it is true up to
// some value and false beyond; -infinity when it holds for none, +infinity
// when for all.
template <typename Holds>
float lastHolding(Holds holds) {
  std::uint32_t low = orderedKey(-FLT_MAX), high = orderedKey(FLT_MAX);
  if (!holds(fromOrderedKey(low))) return -INFINITY;
  if (holds(fromOrderedKey(high))) return INFINITY;
  while (high - low > 1) {
    std::uint32_t middle = low + (high - low) / 2;
    if (holds(fromOrderedKey(middle)))
      low = middle;
    else
      high = middle;
  }
  return fromOrderedKey(low);
}

// How many of the ascending thresholds value exceeds, starting from a guess
// that is nearly always right (a wrong one costs a step or two).
inline int countAbove(float value, const std::vector<float> &thresholds, float guess) {
  const float *p_threshold = thresholds.data();
  int count = static_cast<int>(thresholds.size());
  int found = guess > 0 ? (guess < static_cast<float>(count) ? static_cast<int>(guess) : count) : 0;
  while (found > 0 && !(value > p_threshold[found - 1])) found--;
  while (found < count && value > p_threshold[found]) found++;
  return found;
}

// The corners' extremes of every polygon whose angles are cached, worked
// out once.
const PolygonGeometry::Extremes &extremesOf(std::size_t count) {
  static PolygonGeometry::Extremes table[PolygonGeometry::CACHED_CORNERS];
  static bool ready = false;
  if (!ready) {
    for (std::size_t i = 1; i < PolygonGeometry::CACHED_CORNERS; i++)
      table[i] = PolygonGeometry::extremes(i);
    ready = true;
  }
  return table[count];
}

}  // namespace

void CellGrid::Axis::make(float new_size, int new_cells) {
  size = new_size;
  cells = std::max(new_cells, 0);
  exact = size > 0 && std::isfinite(size) && cells <= MOST_EXACT_CELLS;
  first.clear();
  last.clear();
  nearest.clear();
  if (!exact) return;
  inverse = 1.0f / size;
  // What the ranges compute: ceil(pixel / size) for the first cell,
  // floor(pixel / size) for the last, floor(middle / size + 0.5) for the
  // nearest; each grows with the pixel, so one threshold a cell says it.
  for (int k = 0; k < cells; k++) {
    float cell = static_cast<float>(k);
    first.push_back(lastHolding([this, cell](float pixel) { return pixel / size <= cell; }));
    last.push_back(lastHolding([this, cell](float pixel) { return pixel / size < cell; }));
  }
  for (int k = 0; k <= cells; k++) {
    float cell = static_cast<float>(k);
    nearest.push_back(
        lastHolding([this, cell](float middle) { return middle / size + 0.5f < cell; }));
  }
}

// ceil(pixel / size), clamped to 0 to cells.
inline int CellGrid::Axis::firstCell(float pixel) const {
  if (!exact)
    return static_cast<int>(
        std::max(0.0f, std::min(std::ceil(pixel / size), static_cast<float>(cells))));
  return countAbove(pixel, first, pixel * inverse + 1.0f);  // ceil(q) = trunc(q) + 1 mostly
}

// floor(pixel / size), clamped to -1 to cells - 1.
inline int CellGrid::Axis::lastCell(float pixel) const {
  if (!exact)
    return static_cast<int>(
        std::max(-1.0f, std::min(std::floor(pixel / size), static_cast<float>(cells - 1))));
  return countAbove(pixel, last, pixel * inverse + 1.0f) - 1;
}

// The cell nearest middle / size; outside the grid it may be any cell
// outside (-1 or cells here, FAR by division).
inline int CellGrid::Axis::middleCell(float middle) const {
  if (!exact) return nearestCell(middle / size);
  if (!std::isfinite(middle)) return FAR;
  return countAbove(middle, nearest, middle * inverse + 1.5f) - 1;
}

CellGrid::CellGrid(float cell_width, float cell_height, int columns, int rows) {
  horizontal.make(cell_width, columns);
  vertical.make(cell_height, rows);
  extremesOf(3);  // the table is ready before the first draw
}

int CellGrid::nearestCell(float position) {
  if (!(position > -FAR_CELLS && position < FAR_CELLS)) return FAR;
  return static_cast<int>(std::floor(position + 0.5f));
}

CellGrid::Span CellGrid::polygon(float x, float y, float radius, std::size_t points,
                                 float rotation) const {
  if (points < 3) return Span();
  if (rotation != 0 || points >= PolygonGeometry::CACHED_CORNERS) {
    PolygonGeometry::Bounds bounds = PolygonGeometry::bounds(x, y, radius, points, rotation);
    return fromBounds(bounds.left, bounds.top, bounds.right, bounds.bottom);
  }
  // Upright: each extreme corner is the one with the extreme cosine or
  // sine (the other way round for a negative radius), and x + (radius +
  // cosine * radius) grows with the cosine in floating point too.
  const PolygonGeometry::Extremes &e = extremesOf(points);
  bool flipped = radius < 0;
  float low_cosine = flipped ? e.max_cosine : e.min_cosine;
  float high_cosine = flipped ? e.min_cosine : e.max_cosine;
  float low_sine = flipped ? e.max_sine : e.min_sine;
  float high_sine = flipped ? e.min_sine : e.max_sine;
  return fromBounds(x + (radius + low_cosine * radius), y + (radius + low_sine * radius),
                    x + (radius + high_cosine * radius), y + (radius + high_sine * radius));
}

CellGrid::Span CellGrid::fromBounds(float left, float top, float right, float bottom) const {
  Span span;
  if (!std::isfinite(left + right + top + bottom)) return span;
  span.column_from = horizontal.firstCell(left);
  span.column_to = horizontal.lastCell(right);
  span.row_from = vertical.firstCell(top);
  span.row_to = vertical.lastCell(bottom);
  if (span.column_from > span.column_to || span.row_from > span.row_to) {
    span.column_from = span.column_to = horizontal.middleCell((left + right) / 2);
    span.row_from = span.row_to = vertical.middleCell((top + bottom) / 2);
  }
  return span;
}

}  // namespace sb
