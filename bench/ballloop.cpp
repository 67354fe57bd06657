// A bare loop of the benchmark's ball rules, with no engine around it: no
// objects, events, lists or log, just arrays of positions and velocities and,
// optionally, a grid of cells. It adds one ball a step and stops when the
// median of the last 30 steps' work reaches the budget, then prints the ball
// count 15 steps earlier, as the benchmark credits its load. Comparing the
// engine's pinglemark with this count, in one sitting on one machine, shows
// what the engine's generality costs.
//
// Usage: bench-ballloop BUDGET_MS SEED CELL_WIDTH CELL_HEIGHT
//   cells of 0 x 0 scan every ball (as the list scan does); 20 8 matches the
//   default grid; the world is 80 x 24 cells.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

// The cells a ball's box covers, clamped to the grid; a grid of one cell when
// cells are 0 x 0, so the one cell holds every ball.
class Cells {
 public:
  Cells(float width, float height)
      : cell_w(width > 0 ? width : kWorldW), cell_h(height > 0 ? height : kWorldH),
        cols(std::max(1, static_cast<int>((kWorldW + cell_w - 1) / cell_w))),
        rows(std::max(1, static_cast<int>((kWorldH + cell_h - 1) / cell_h))),
        members(static_cast<size_t>(cols * rows)) {}

  struct Span {
    int c1, c2, r1, r2;
    bool operator==(const Span &o) const {
      return c1 == o.c1 && c2 == o.c2 && r1 == o.r1 && r2 == o.r2;
    }
  };
  Span spanOf(float x, float y) const {
    return {clampCol((x - kHalf) / cell_w), clampCol((x - kHalf + kExtent) / cell_w),
            clampRow((y - kHalf) / cell_h), clampRow((y - kHalf + kExtent) / cell_h)};
  }
  template <class F>
  void forEachCell(float x, float y, F f) const {
    Span s = spanOf(x, y);
    for (int r = s.r1; r <= s.r2; r++)
      for (int c = s.c1; c <= s.c2; c++) f(r * cols + c);
  }
  void add(int ball, float x, float y) {
    forEachCell(x, y, [&](int cell) { members[cell].push_back(ball); });
  }
  void remove(int ball, float x, float y) {
    forEachCell(x, y, [&](int cell) {
      std::vector<int> &list = members[cell];
      list.erase(std::find(list.begin(), list.end(), ball));
    });
  }
  const std::vector<int> &at(int cell) const { return members[cell]; }

 private:
  int clampCol(float v) const { return std::min(cols - 1, std::max(0, static_cast<int>(v))); }
  int clampRow(float v) const { return std::min(rows - 1, std::max(0, static_cast<int>(v))); }
  float cell_w, cell_h;
  int cols, rows;
  std::vector<std::vector<int>> members;
};

struct World {
  Balls balls;
  Cells cells;
  std::vector<unsigned> seen;  // per-query stamps, so a ball in two cells is met once
  unsigned stamp = 0;
  std::vector<int> hits;

  World(float cw, float ch) : cells(cw, ch) {}

  void addBall() {
    int i = balls.count();
    for (auto *v : {&balls.x, &balls.y, &balls.vx, &balls.vy}) v->push_back(0);
    seen.push_back(0);
    newVelocity(balls, i);
    rand();  // the colour
    balls.y[i] = static_cast<float>(rand() % static_cast<int>(kWorldH));
    balls.x[i] = static_cast<float>(rand() % static_cast<int>(kWorldW));
    cells.add(i, balls.x[i], balls.y[i]);
  }

  // Moves a ball; its cells change only when its span of cells does.
  void place(int i, float x, float y) {
    bool refile = !(cells.spanOf(balls.x[i], balls.y[i]) == cells.spanOf(x, y));
    if (refile) cells.remove(i, balls.x[i], balls.y[i]);
    balls.x[i] = x;
    balls.y[i] = y;
    if (refile) cells.add(i, x, y);
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
    if (++stamp == 0) stamp = 1;
    seen[i] = stamp;
    cells.forEachCell(nx, ny, [&](int cell) {
      for (int other : cells.at(cell)) {
        if (seen[other] == stamp) continue;
        seen[other] = stamp;
        if (boxesMeet(nx, ny, balls.x[other], balls.y[other])) hits.push_back(other);
      }
    });
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

}  // namespace

int main(int argc, char **argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s BUDGET_MS SEED CELL_WIDTH CELL_HEIGHT\n", argv[0]);
    return 2;
  }
  double budget_ms = std::atof(argv[1]);
  srand(static_cast<unsigned>(std::atoi(argv[2])));
  World world(static_cast<float>(std::atof(argv[3])), static_cast<float>(std::atof(argv[4])));

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
