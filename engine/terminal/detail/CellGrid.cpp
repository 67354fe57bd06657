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

// Positions and radii below this many pixels cannot make the bounds overflow.
const float FAR_PIXELS = 1.0e30f;

// Draws of one shape in a row before its cells are looked up by position.
const int OFTEN_REPEATS = 64;

// Grids this large are left to division (a nearest cell far out must stay
// outside the grid).
const int MOST_EXACT_CELLS = 100000;

// A float's bits.
inline std::uint32_t bitsOf(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

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

inline CellGrid::Steps::Lookup CellGrid::Steps::lookup() const {
  return {origin, scale, top_bucket, known.data(), cells.data(), this};
}

inline int CellGrid::Steps::Lookup::bucket(float position) const {
  const float bucket = (position - origin) * scale;
  // Held to the first and last buckets, which are UNSURE (so is not-a-number).
  return static_cast<int>(std::min(std::max(0.0f, bucket), top_bucket));
}

inline std::int32_t CellGrid::Steps::Lookup::entry(float position) const {
  return p_known[bucket(position)];
}

inline const CellGrid::Steps::Cells &CellGrid::Steps::Lookup::find(float position) const {
  const std::int32_t known = entry(position);
  return known >= 0 ? p_cells[known & INTERVAL]
                    : p_steps->search(position, (position - origin) * scale);
}

const CellGrid::Steps::Cells &CellGrid::Steps::search(float position, float bucket) const {
  int count = static_cast<int>(at.size()), buckets = static_cast<int>(start.size());
  int i = bucket >= 1
              ? start[bucket < static_cast<float>(buckets) ? static_cast<int>(bucket) : buckets - 1]
              : 0;
  while (i > 0 && !(position > at[i - 1])) i--;  // rounding put it a bucket too far
  while (i < count && position > at[i]) i++;
  return cells[static_cast<std::size_t>(i)];
}

// The cells of an often drawn shape with its corner at (x, y), by its steps.
inline CellGrid::Span CellGrid::spanOf(const Steps::Lookup &column_steps,
                                       const Steps::Lookup &row_steps, float x, float y) {
  return spanOf(column_steps.find(x), row_steps.find(y));
}

inline CellGrid::Span CellGrid::spanOf(const Steps::Cells &columns, const Steps::Cells &rows) {
  Span span;
  bool empty = columns.first > columns.last || rows.first > rows.last;
  span.column_from = empty ? columns.middle : columns.first;
  span.column_to = empty ? columns.middle : columns.last;
  span.row_from = empty ? rows.middle : rows.first;
  span.row_to = empty ? rows.middle : rows.last;
  return span;
}

CellGrid::Span CellGrid::polygon(float x, float y, float radius, std::size_t points,
                                 float rotation) const {
  const Often *p_recent = nullptr;
  return cover(x, y, radius, points, rotation, p_recent);
}

void CellGrid::paint(const DisplayBackEnd::Polygon &shape, const DisplayBackEnd::PolygonAt *p_at,
                     std::size_t count, TerminalDisplay &display) const {
  const Often *p_often = shape.rotation == 0 ? kept(shape.radius, shape.points) : nullptr;
  if (p_often) return paintOften(*p_often, p_at, count, display);
  const Often *p_recent = nullptr;
  for (std::size_t i = 0; i < count; i++) {
    const DisplayBackEnd::PolygonAt &at = p_at[i];
    if (at.color.a == 0) continue;
    fill(cover(at.x, at.y, shape.radius, shape.points, shape.rotation, p_recent), at.color,
         display);
  }
}

// Fills a span's cells in a colour: a small opaque shape's one cell at once.
inline void CellGrid::fill(const Span &span, sf::Color color, TerminalDisplay &display) {
  if (color.a == 255 && span.column_from == span.column_to && span.row_from == span.row_to)
    display.fillOpaque(span.column_from, span.row_from, color.r, color.g, color.b);
  else
    display.fillCells(span.column_from, span.column_to, span.row_from, span.row_to, color.r,
                      color.g, color.b, color.a);
}

// paint() for a run of an often drawn shape: its cells are looked up by
// position, except far out, where they come from its bounds as cover() finds them.
void CellGrid::paintOften(const Often &often, const DisplayBackEnd::PolygonAt *p_at,
                          std::size_t count, TerminalDisplay &display) const {
  for (std::size_t done = 0; done < count; done += PAINT_CHUNK)
    paintChunk(often, p_at + done, std::min(count - done, PAINT_CHUNK), display);
}

void CellGrid::paintChunk(const Often &often, const DisplayBackEnd::PolygonAt *p_at,
                          std::size_t count, TerminalDisplay &display) const {
  // Copied out, so that writing cells makes no reason to read them again.
  const Steps::Lookup columns = often.columns.lookup(), rows = often.rows.lookup();
  // Every position's buckets first, in a loop of arithmetic alone (the
  // compiler does several at once).
  int column_buckets[PAINT_CHUNK], row_buckets[PAINT_CHUNK];
  for (std::size_t i = 0; i < count; i++) {
    column_buckets[i] = columns.bucket(p_at[i].x);
    row_buckets[i] = rows.bucket(p_at[i].y);
  }
  for (std::size_t i = 0; i < count; i++) {
    const DisplayBackEnd::PolygonAt &at = p_at[i];
    if (at.color.a == 0) continue;
    // Nearly always both are known, and such a position is not far out.
    const std::int32_t column_entry = columns.p_known[column_buckets[i]];
    const std::int32_t row_entry = rows.p_known[row_buckets[i]];
    if (__builtin_expect((column_entry | row_entry) >= 0, 1)) {
      // No cell origin inside along one axis: the one middle cell (a particle).
      if ((column_entry & row_entry & Steps::NONEMPTY) == 0 && at.color.a == 255) {
        display.fillOpaque(Steps::middleOf(column_entry), Steps::middleOf(row_entry), at.color.r,
                           at.color.g, at.color.b);
        continue;
      }
      fill(spanOf(columns.p_cells[column_entry & Steps::INTERVAL],
                  rows.p_cells[row_entry & Steps::INTERVAL]),
           at.color, display);
      continue;
    }
    fill(std::fabs(at.x) < FAR_PIXELS && std::fabs(at.y) < FAR_PIXELS
             ? spanOf(columns, rows, at.x, at.y)
             : fromBounds(at.x + often.low_x, at.y + often.low_y, at.x + often.high_x,
                          at.y + often.high_y),
         at.color, display);
  }
}

// The often drawn shape of this radius and corner count, if one is kept.
const CellGrid::Often *CellGrid::kept(float radius, std::size_t points) const {
  std::uint32_t bits = bitsOf(radius);
  for (int i = 0; i < often_count; i++)
    if (often[i].radius_bits == bits && often[i].points == points) return &often[i];
  return nullptr;
}

// polygon(); p_recent is the often drawn shape found last (null for none),
// which the next polygon of the same radius and corners uses without a search.
inline CellGrid::Span CellGrid::cover(float x, float y, float radius, std::size_t points,
                                      float rotation, const Often *&p_recent) const {
  // The shape of the polygon before: found without a search (an often
  // drawn shape is upright, with 3 to CACHED_CORNERS - 1 corners and a
  // radius below FAR_PIXELS).
  if (p_recent && rotation == 0 && p_recent->points == points &&
      p_recent->radius_bits == bitsOf(radius) && std::fabs(x) < FAR_PIXELS &&
      std::fabs(y) < FAR_PIXELS)
    return spanOf(p_recent->columns.lookup(), p_recent->rows.lookup(), x, y);
  if (points < 3) return Span();
  if (rotation != 0 || points >= PolygonGeometry::CACHED_CORNERS) {
    PolygonGeometry::Bounds bounds = PolygonGeometry::bounds(x, y, radius, points, rotation);
    return fromBounds(bounds.left, bounds.top, bounds.right, bounds.bottom);
  }
  Edges edges = edgesOf(radius, points);
  // A shape drawn again and again looks its cells up by position.
  if (std::fabs(x) < FAR_PIXELS && std::fabs(y) < FAR_PIXELS && std::fabs(radius) < FAR_PIXELS) {
    p_recent = oftenShape(radius, points, edges);
    if (p_recent) return spanOf(p_recent->columns.lookup(), p_recent->rows.lookup(), x, y);
  }
  return fromBounds(x + edges.low_x, y + edges.low_y, x + edges.high_x, y + edges.high_y);
}

// Where the bounds of an upright polygon lie from the corner of its bounding
// square: each extreme corner is the one with the extreme cosine or sine (the
// other way round for a negative radius), and x + (radius + cosine * radius)
// grows with the cosine in floating point too.
CellGrid::Edges CellGrid::edgesOf(float radius, std::size_t points) {
  const PolygonGeometry::Extremes &e = extremesOf(points);
  bool flipped = radius < 0;
  float low_cosine = flipped ? e.max_cosine : e.min_cosine;
  float high_cosine = flipped ? e.min_cosine : e.max_cosine;
  float low_sine = flipped ? e.max_sine : e.min_sine;
  float high_sine = flipped ? e.min_sine : e.max_sine;
  return {radius + low_cosine * radius, radius + high_cosine * radius, radius + low_sine * radius,
          radius + high_sine * radius};
}

// The steps of shapes whose low and high edges are at position + low and
// position + high: each cell count changes where the edge (or the middle)
// passes one of the axis's thresholds.
CellGrid::Steps CellGrid::stepsOf(const Axis &axis, float low, float high) {
  struct Change {
    float at;
    int kind;  // 0 first, 1 last, 2 middle
  };
  std::vector<Change> changes;
  for (int k = 0; k < axis.cells; k++) {
    float first = axis.first[static_cast<std::size_t>(k)],
          last = axis.last[static_cast<std::size_t>(k)];
    changes.push_back({lastHolding([=](float p) { return !(p + low > first); }), 0});
    changes.push_back({lastHolding([=](float p) { return !(p + high > last); }), 1});
  }
  for (float nearest : axis.nearest)
    changes.push_back(
        {lastHolding([=](float p) { return !(((p + low) + (p + high)) / 2 > nearest); }), 2});
  std::sort(changes.begin(), changes.end(),
            [](const Change &a, const Change &b) { return a.at < b.at; });
  Steps steps;
  int counts[3] = {0, 0, 0};
  steps.cells.push_back({0, -1, -1});
  for (const Change &change : changes) {
    counts[change.kind]++;
    steps.at.push_back(change.at);
    steps.cells.push_back({counts[0], counts[1] - 1, counts[2] - 1});
  }
  // Buckets of a 1024th of a cell over the finite changes, so that few hold one.
  float lowest = INFINITY, highest = -INFINITY;
  for (float at : steps.at)
    if (std::isfinite(at)) lowest = std::min(lowest, at), highest = std::max(highest, at);
  int buckets = std::min(1024 * (axis.cells + 2), 1 << 17);
  if (!(highest > lowest)) return steps;  // no buckets: every search starts at 0
  steps.origin = lowest;
  steps.scale = static_cast<float>(buckets) / (highest - lowest);
  std::size_t passed = 0;
  steps.start.reserve(static_cast<std::size_t>(buckets));
  for (int b = 0; b < buckets; b++) {
    float below = lowest + static_cast<float>(b) / steps.scale;
    while (passed < steps.at.size() && steps.at[passed] < below) passed++;
    steps.start.push_back(static_cast<int>(passed));
  }
  know(steps, axis.cells);
  return steps;
}

// Rounding moves a position's bucket by far less than one: a bucket whose
// neighbours hold no change either gives the interval of all its positions.
// Positions far out are never known, nor are middle cells outside the grid.
void CellGrid::know(Steps &steps, int cells) {
  const std::size_t buckets = steps.start.size();
  if (buckets < 4 || cells > 0x3fff || steps.cells.size() > Steps::INTERVAL ||
      !(steps.origin > -FAR_PIXELS &&
        steps.origin + static_cast<float>(buckets) / steps.scale < FAR_PIXELS))
    return;
  steps.known.assign(buckets, Steps::UNSURE);

  steps.top_bucket = static_cast<float>(buckets - 1);
  for (std::size_t b = 1; b + 2 < buckets; b++) {
    const int interval = steps.start[b];
    if (steps.start[b - 1] != steps.start[b + 2]) continue;
    const Steps::Cells &known = steps.cells[static_cast<std::size_t>(interval)];
    if (known.middle < 0 || known.middle >= cells) continue;
    steps.known[b] =
        interval | known.middle << 16 | (known.first <= known.last ? Steps::NONEMPTY : 0);
  }
}

// The steps of a shape of this radius and corner count, made once it has been
// drawn many times in a row; null until then.
const CellGrid::Often *CellGrid::oftenShape(float radius, std::size_t points,
                                            const Edges &edges) const {
  if (!horizontal.exact || !vertical.exact) return nullptr;
  if (const Often *p_kept = kept(radius, points)) return p_kept;
  std::uint32_t bits = bitsOf(radius);
  if (bits == recent_radius_bits && points == recent_points) {
    repeats++;
  } else {
    recent_radius_bits = bits;
    recent_points = points;
    repeats = 1;
  }
  if (repeats < OFTEN_REPEATS) return nullptr;
  Often &made = often[often_next];
  often_next = (often_next + 1) % OFTEN_SHAPES;
  often_count = std::max(often_count, often_next == 0 ? OFTEN_SHAPES : often_next);
  made.radius_bits = bits;
  made.points = points;
  made.low_x = edges.low_x;
  made.high_x = edges.high_x;
  made.low_y = edges.low_y;
  made.high_y = edges.high_y;
  made.columns = stepsOf(horizontal, edges.low_x, edges.high_x);
  made.rows = stepsOf(vertical, edges.low_y, edges.high_y);
  return &made;
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
