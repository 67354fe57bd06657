// A bare loop of the benchmark's ball rules, with no engine around it: no
// objects, events, lists or log, just arrays of positions and velocities and,
// optionally, a grid of cells. It adds one ball a step and stops when the
// median of the last 30 steps' work reaches the budget, then prints the ball
// count 15 steps earlier, as the benchmark credits its load. Comparing the
// engine's pinglemark with this count, in one sitting on one machine, shows
// what the engine's generality costs.
//
// Usage: bench-ballloop BUDGET_MS SEED CELL_WIDTH CELL_HEIGHT [packed]
//   cells of 0 x 0 scan every ball (as the list scan does); 20 8 matches the
//   default grid; the world is 80 x 24 cells. Cells are at least 1 x 1.
//   "packed" keeps each cell's box corners in arrays beside its members and
//   tests a cell's boxes without branches, several at a time; the plain loop
//   reads each candidate's position and tests it with branches. Both meet the
//   same balls in the same order, so a seed gives both the same world.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr float kWorldW = 80, kWorldH = 24;
constexpr float kHalf = 0.5f, kExtent = 0.99f;  // a ball's box: corner -0.5, size 0.99
constexpr int kRing = 30, kCreditLag = 15;

struct Balls {
  std::vector<float> x, y, vx, vy;
  int count() const { return static_cast<int>(x.size()); }
};

// Four rand() calls: sign and size of x, then of y.
void newVelocity(Balls &b, int i) {
  float sx = (rand() % 2) ? -1.0f : 1.0f;
  b.vx[i] = static_cast<float>(sx / (rand() % 10 + 1.0));
  float sy = (rand() % 2) ? -1.0f : 1.0f;
  b.vy[i] = static_cast<float>(sy / (rand() % 80 + 1.0));
}

bool boxesMeet(float ax, float ay, float bx, float by) {
  // Inclusive box tests on boxes of equal size centred on the positions.
  float ax1 = ax - kHalf, bx1 = bx - kHalf, ay1 = ay - kHalf, by1 = by - kHalf;
  bool x = (bx1 <= ax1 && ax1 <= bx1 + kExtent) || (ax1 <= bx1 && bx1 <= ax1 + kExtent);
  bool y = (by1 <= ay1 && ay1 <= by1 + kExtent) || (ay1 <= by1 && by1 <= ay1 + kExtent);
  return x && y;
}

// A ball is in the world while its box touches the boundary (edges included).
bool insideWorld(float x, float y) {
  float x1 = x - kHalf, y1 = y - kHalf;
  return x1 <= kWorldW && x1 + kExtent >= 0 && y1 <= kWorldH && y1 + kExtent >= 0;
}

// The columns and rows of cells a ball's box covers.
struct Span {
  int c1, c2, r1, r2;
  bool operator==(const Span &o) const {
    return c1 == o.c1 && c2 == o.c2 && r1 == o.r1 && r2 == o.r2;
  }
};

// The grid's geometry: cells a box covers, clamped to the grid; a grid of one
// cell when cells are 0 x 0, so the one cell holds every ball.
class Geometry {
 public:
  Geometry(float width, float height)
      : cell_w(width > 0 ? width : kWorldW), cell_h(height > 0 ? height : kWorldH),
        cols(std::max(1, static_cast<int>((kWorldW + cell_w - 1) / cell_w))),
        rows(std::max(1, static_cast<int>((kWorldH + cell_h - 1) / cell_h))) {}

  int cellCount() const { return cols * rows; }
  // The span of a box whose top-left corner is (x1, y1).
  Span spanOfCorner(float x1, float y1) const {
    return {clampCol(x1 / cell_w), clampCol((x1 + kExtent) / cell_w), clampRow(y1 / cell_h),
            clampRow((y1 + kExtent) / cell_h)};
  }
  Span spanOf(float x, float y) const { return spanOfCorner(x - kHalf, y - kHalf); }
  template <class F>
  void forEachCell(float x, float y, F f) const {
    Span s = spanOf(x, y);
    for (int r = s.r1; r <= s.r2; r++)
      for (int c = s.c1; c <= s.c2; c++) f(r * cols + c, c, r);
  }

 private:
  int clampCol(float v) const { return std::min(cols - 1, std::max(0, static_cast<int>(v))); }
  int clampRow(float v) const { return std::min(rows - 1, std::max(0, static_cast<int>(v))); }
  float cell_w, cell_h;
  int cols, rows;
};

// Cells of ball numbers; a query reads each candidate's position from the
// balls' arrays and tests it with branches, and stamps keep a ball in two
// cells from being met twice.
class Cells {
 public:
  Cells(float width, float height)
      : geometry(width, height), members(static_cast<size_t>(geometry.cellCount())) {}

  const Geometry &grid() const { return geometry; }
  void add(int ball, float x, float y) {
    if (ball >= static_cast<int>(seen.size())) seen.resize(static_cast<size_t>(ball) + 1, 0);
    geometry.forEachCell(x, y, [&](int cell, int, int) { members[cell].push_back(ball); });
  }
  void remove(int ball, float x, float y) {
    geometry.forEachCell(x, y, [&](int cell, int, int) {
      std::vector<int> &list = members[cell];
      list.erase(std::find(list.begin(), list.end(), ball));
    });
  }
  void update(int, float, float) {}  // positions are read from the balls' arrays
  template <class F>
  void forEachMet(const Balls &balls, int self, float nx, float ny, F met) {
    if (++stamp == 0) stamp = 1;
    seen[self] = stamp;
    geometry.forEachCell(nx, ny, [&](int cell, int, int) {
      for (int other : members[cell]) {
        if (seen[other] == stamp) continue;
        seen[other] = stamp;
        if (boxesMeet(nx, ny, balls.x[other], balls.y[other])) met(other);
      }
    });
  }

 private:
  Geometry geometry;
  std::vector<std::vector<int>> members;
  std::vector<unsigned> seen;  // per-query stamps
  unsigned stamp = 0;
};

// Cells that keep their members' box corners packed beside the ball numbers;
// each ball knows its places, so a move rewrites its corners in place. A
// ball in several cells is met in the first cell it shares with the query,
// found from its corner alone.
class PackedCells {
 public:
  PackedCells(float width, float height)
      : geometry(width, height), cells(static_cast<size_t>(geometry.cellCount())) {}

  const Geometry &grid() const { return geometry; }
  void add(int ball, float x, float y) {
    if (ball >= static_cast<int>(places.size())) places.resize(static_cast<size_t>(ball) + 1);
    Places &mine = places[static_cast<size_t>(ball)];
    mine.count = 0;
    geometry.forEachCell(x, y, [&](int cell, int, int) {
      Cell &c = cells[static_cast<size_t>(cell)];
      mine.at[static_cast<size_t>(mine.count++)] = {cell, static_cast<int>(c.ball.size())};
      c.ball.push_back(ball);
      c.x1.push_back(x - kHalf);
      c.y1.push_back(y - kHalf);
    });
  }
  void remove(int ball, float, float) {
    Places &mine = places[static_cast<size_t>(ball)];
    for (int p = 0; p < mine.count; p++) {
      auto [cell, index] = mine.at[static_cast<size_t>(p)];
      Cell &c = cells[static_cast<size_t>(cell)];
      c.ball.erase(c.ball.begin() + index);
      c.x1.erase(c.x1.begin() + index);
      c.y1.erase(c.y1.begin() + index);
      for (size_t k = static_cast<size_t>(index); k < c.ball.size(); k++) renumber(c.ball[k], cell);
    }
    mine.count = 0;
  }
  void update(int ball, float x, float y) {
    const Places &mine = places[static_cast<size_t>(ball)];
    for (int p = 0; p < mine.count; p++) {
      auto [cell, index] = mine.at[static_cast<size_t>(p)];
      cells[static_cast<size_t>(cell)].x1[static_cast<size_t>(index)] = x - kHalf;
      cells[static_cast<size_t>(cell)].y1[static_cast<size_t>(index)] = y - kHalf;
    }
  }
  template <class F>
  void forEachMet(const Balls &, int self, float nx, float ny, F met) const {
    Span mover = geometry.spanOf(nx, ny);
    bool one_cell = mover.c1 == mover.c2 && mover.r1 == mover.r2;
    float mx1 = nx - kHalf, my1 = ny - kHalf;
    std::array<int, kBlock> meets, hits;
    geometry.forEachCell(nx, ny, [&](int cell, int col, int row) {
      const Cell &c = cells[static_cast<size_t>(cell)];
      int count = static_cast<int>(c.ball.size());
      for (int start = 0; start < count; start += kBlock) {
        int n = std::min(kBlock, count - start);
        if (!markMeeting(c.x1.data() + start, c.y1.data() + start, n, mx1, my1, meets.data()))
          continue;
        int hit_count = 0;
        for (int i = 0; i < n; i++) {
          hits[static_cast<size_t>(hit_count)] = i;
          hit_count += meets[static_cast<size_t>(i)];
        }
        for (int k = 0; k < hit_count; k++) {
          size_t at = static_cast<size_t>(start + hits[static_cast<size_t>(k)]);
          int other = c.ball[at];
          if (other == self) continue;
          if (!one_cell) {  // met already in an earlier cell?
            Span s = geometry.spanOfCorner(c.x1[at], c.y1[at]);
            if (std::max(s.c1, mover.c1) != col || std::max(s.r1, mover.r1) != row) continue;
          }
          met(other);
        }
      }
    });
  }

 private:
  static constexpr int kBlock = 64;
  struct Cell {
    std::vector<int> ball;
    std::vector<float> x1, y1;  // box corners; boxes are kExtent on a side
  };
  struct Places {
    std::array<std::pair<int, int>, 4> at;  // (cell, index); a box smaller than a cell spans 2 x 2
    int count = 0;
  };

  // The mover's box (corner mx1, my1) against n boxes, as boxesMeet tests them.
  static int markMeeting(const float *x1, const float *y1, int n, float mx1, float my1,
                         int *meets) {
    int any = 0;
    for (int i = 0; i < n; i++) {
      float bx1 = x1[i], by1 = y1[i];
      int x = ((bx1 <= mx1) & (mx1 <= bx1 + kExtent)) | ((mx1 <= bx1) & (bx1 <= mx1 + kExtent));
      int y = ((by1 <= my1) & (my1 <= by1 + kExtent)) | ((my1 <= by1) & (by1 <= my1 + kExtent));
      meets[i] = x & y;
      any |= x & y;
    }
    return any;
  }
  // A ball that moved one place down in cell learns its new index.
  void renumber(int ball, int cell) {
    Places &theirs = places[static_cast<size_t>(ball)];
    for (int p = 0; p < theirs.count; p++)
      if (theirs.at[static_cast<size_t>(p)].first == cell) theirs.at[static_cast<size_t>(p)].second--;
  }

  Geometry geometry;
  std::vector<Cell> cells;
  std::vector<Places> places;
};

template <class Index>
struct World {
  Balls balls;
  Index cells;
  std::vector<int> hits;

  World(float cw, float ch) : cells(cw, ch) {}

  void addBall() {
    int i = balls.count();
    for (auto *v : {&balls.x, &balls.y, &balls.vx, &balls.vy}) v->push_back(0);
    newVelocity(balls, i);
    rand();  // the colour
    balls.y[i] = static_cast<float>(rand() % static_cast<int>(kWorldH));
    balls.x[i] = static_cast<float>(rand() % static_cast<int>(kWorldW));
    cells.add(i, balls.x[i], balls.y[i]);
  }

  // Moves a ball; its cells change only when its span of cells does.
  void place(int i, float x, float y) {
    const Geometry &grid = cells.grid();
    bool refile = !(grid.spanOf(balls.x[i], balls.y[i]) == grid.spanOf(x, y));
    if (refile) cells.remove(i, balls.x[i], balls.y[i]);
    balls.x[i] = x;
    balls.y[i] = y;
    if (refile)
      cells.add(i, x, y);
    else
      cells.update(i, x, y);
  }

  // Reflects a ball that left the world back inside its edge.
  void bounce(int i) {
    float H = kWorldW, V = kWorldH, x = balls.x[i], y = balls.y[i];
    if (x < 0) balls.vx[i] = -balls.vx[i], x = 1;
    if (x > H - 1) balls.vx[i] = -balls.vx[i], x = H - 2;
    if (y < 0) balls.vy[i] = -balls.vy[i], y = 1;
    if (y > V - 1) balls.vy[i] = -balls.vy[i], y = V - 2;
    place(i, x, y);
  }

  void move(int i) {
    float nx = balls.x[i] + balls.vx[i], ny = balls.y[i] + balls.vy[i];
    if (nx == balls.x[i] && ny == balls.y[i]) return;
    hits.clear();
    cells.forEachMet(balls, i, nx, ny, [&](int other) { hits.push_back(other); });
    if (!hits.empty()) {  // hard against hard: both take new velocities, the mover stays
      for (int other : hits) {
        newVelocity(balls, i);
        newVelocity(balls, other);
      }
      return;
    }
    bool was_inside = insideWorld(balls.x[i], balls.y[i]);
    place(i, nx, ny);
    if (was_inside && !insideWorld(nx, ny)) bounce(i);
  }

  void step() {
    addBall();
    for (int i = 0; i < balls.count(); i++) move(i);
  }
};

// Adds a ball a step until the median step reaches the budget; prints the
// load credited.
template <class Index>
int run(double budget_ms, float cell_w, float cell_h) {
  World<Index> world(cell_w, cell_h);
  std::vector<double> ring(kRing, 0), sorted(kRing);
  std::vector<int> loads;
  for (int step = 0;; step++) {
    auto start = std::chrono::steady_clock::now();
    world.step();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
    ring[static_cast<size_t>(step % kRing)] = ms;
    loads.push_back(world.balls.count());
    if (step + 1 < kRing) continue;
    sorted = ring;
    std::nth_element(sorted.begin(), sorted.begin() + kRing / 2, sorted.end());
    if (sorted[kRing / 2] >= budget_ms) {
      int credited = loads[static_cast<size_t>(std::max(0, step - kCreditLag))];
      std::printf("%d\n", credited);
      return 0;
    }
  }
}

}  // namespace

int main(int argc, char **argv) {
  bool packed = argc == 6 && std::string(argv[5]) == "packed";
  float cell_w = argc >= 5 ? static_cast<float>(std::atof(argv[3])) : 0;
  float cell_h = argc >= 5 ? static_cast<float>(std::atof(argv[4])) : 0;
  bool cells_ok = (cell_w == 0 || cell_w >= 1) && (cell_h == 0 || cell_h >= 1);
  if ((argc != 5 && !packed) || !cells_ok) {
    std::fprintf(stderr, "usage: %s BUDGET_MS SEED CELL_WIDTH CELL_HEIGHT [packed]\n", argv[0]);
    return 2;
  }
  double budget_ms = std::atof(argv[1]);
  srand(static_cast<unsigned>(std::atoi(argv[2])));
  return packed ? run<PackedCells>(budget_ms, cell_w, cell_h) : run<Cells>(budget_ms, cell_w, cell_h);
}
