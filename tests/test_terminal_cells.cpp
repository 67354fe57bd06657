// Characters and shapes drawn into the terminal's cells: the cell buffer
// after seeded random draws equals what drawing each shape through its
// corners' bounds, divided by the cell size, and blending cell by cell gives.
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "CellGrid.h"
#include "PolygonGeometry.h"
#include "TerminalDisplay.h"

namespace {

// The cells a polygon covers, computed as drawing did before the cell grid:
// the bounds from every corner, then divisions by the cell size.
struct Rectangle {
  int column_from, column_to, row_from, row_to;
};

int nearestCellByDivision(float position) {
  if (!(position > -1.0e6f && position < 1.0e6f)) return -2000000;
  return static_cast<int>(std::floor(position + 0.5f));
}

bool coverByDivision(float x, float y, float radius, std::size_t points, float rotation, float cell_width,
                     float cell_height, int columns, int rows, Rectangle &cells) {
  if (points < 3) return false;
  sb::PolygonGeometry::Bounds bounds = sb::PolygonGeometry::bounds(x, y, radius, points, rotation);
  if (!std::isfinite(bounds.left + bounds.right + bounds.top + bounds.bottom)) return false;
  auto first = [](float pixel, float cell, int cells) {
    return static_cast<int>(std::max(0.0f, std::min(std::ceil(pixel / cell), float(cells))));
  };
  auto last = [](float pixel, float cell, int cells) {
    return static_cast<int>(std::max(-1.0f, std::min(std::floor(pixel / cell), float(cells - 1))));
  };
  cells.column_from = first(bounds.left, cell_width, columns);
  cells.column_to = last(bounds.right, cell_width, columns);
  cells.row_from = first(bounds.top, cell_height, rows);
  cells.row_to = last(bounds.bottom, cell_height, rows);
  if (cells.column_from > cells.column_to || cells.row_from > cells.row_to) {
    cells.column_from = cells.column_to =
        nearestCellByDivision((bounds.left + bounds.right) / 2 / cell_width);
    cells.row_from = cells.row_to = nearestCellByDivision((bounds.top + bounds.bottom) / 2 / cell_height);
  }
  return true;
}

// The buffer as put() and fill() wrote it one cell at a time: character in
// bits 0-7, glyph colour in 8-31, background in 32-55.
struct CellModel {
  int columns, rows;
  std::uint64_t background;
  std::vector<std::uint64_t> cells;
  CellModel(int c, int r, std::uint32_t bg)
      : columns(c), rows(r), background(bg), cells(static_cast<size_t>(c * r), std::uint64_t(bg) << 32 | ' ') {}
  bool inside(int column, int row) const { return column >= 0 && row >= 0 && column < columns && row < rows; }
  void put(int column, int row, unsigned char c, std::uint32_t rgb) {
    if (!inside(column, row)) return;
    if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0)) c = ' ';
    cells[static_cast<size_t>(row * columns + column)] =
        background << 32 | std::uint64_t(c == ' ' ? 0 : rgb) << 8 | c;
  }
  void fill(int column, int row, std::uint32_t rgb, unsigned alpha) {
    if (!inside(column, row) || alpha == 0) return;
    std::uint64_t &cell = cells[static_cast<size_t>(row * columns + column)];
    std::uint32_t under = static_cast<std::uint32_t>(cell >> 32) & 0xffffff, blended = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
      unsigned over = rgb >> shift & 0xff, below = under >> shift & 0xff;
      blended |= ((over * alpha + below * (255 - alpha) + 127) / 255) << shift;
    }
    cell = std::uint64_t(blended) << 32 | ' ';
  }
};

// A pixel position: mostly near a cell's edge (a few steps of float either
// side), where rounding decides; otherwise anywhere, far out included.
float pixelNear(std::mt19937 &random, float cell, int cells) {
  std::uniform_int_distribution<int> kind(0, 9), edge(-3, cells + 3), steps(-4, 4);
  int k = kind(random);
  if (k < 6) {
    float value = static_cast<float>(edge(random)) * cell;
    for (int s = steps(random); s != 0; s += s > 0 ? -1 : 1)
      value = std::nextafter(value, s > 0 ? FLT_MAX : -FLT_MAX);
    return value;
  }
  if (k < 9) return std::uniform_real_distribution<float>(-2 * cell, (cells + 2) * cell)(random);
  return std::uniform_real_distribution<float>(-1e30f, 1e30f)(random);
}

float radiusOf(std::mt19937 &random, float cell) {
  switch (std::uniform_int_distribution<int>(0, 5)(random)) {
    case 0: return 0;
    case 1: return -std::uniform_real_distribution<float>(0, 2 * cell)(random);
    case 2: return std::uniform_real_distribution<float>(0, 3 * cell)(random);
    case 3: return std::uniform_real_distribution<float>(0, 1e20f)(random);
    default: return std::uniform_real_distribution<float>(0, 1.5f)(random);  // particles
  }
}

void clip(Rectangle &r, int columns, int rows) {
  r.column_from = std::max(r.column_from, 0);
  r.row_from = std::max(r.row_from, 0);
  r.column_to = std::min(r.column_to, columns - 1);
  r.row_to = std::min(r.row_to, rows - 1);
}

bool isEmpty(const Rectangle &r) { return r.column_from > r.column_to || r.row_from > r.row_to; }

}  // namespace

// Over many cell sizes and grids, and positions close to cell edges, the
// cell grid covers exactly the cells that bounds and division cover.
TEST(TerminalCells, CoverageMatchesBoundsAndDivision) {
  std::mt19937 random(43);
  const float sizes[] = {12.8f, 32.0f, 10.0f, 7.3f, 1.0f, 0.37f, 1e-30f, 1e30f, 16.666666f};
  std::uniform_int_distribution<int> point_count(0, 70), pick(0, 4);
  long long compared = 0, drawn = 0;
  for (float width : sizes) {
    for (float height : sizes) {
      int columns = std::uniform_int_distribution<int>(1, 120)(random);
      int rows = std::uniform_int_distribution<int>(1, 50)(random);
      sb::CellGrid grid(width, height, columns, rows);
      float radius = 0, rotation = 0;
      std::size_t points = 0;
      for (int i = 0; i < 3000; i++) {
        float x = pixelNear(random, width, columns), y = pixelNear(random, height, rows);
        // Every other run of 300 draws one shape, as particles do.
        bool one_shape = (i / 300) % 2 == 1;
        if (!one_shape || i % 300 == 0) {
          radius = radiusOf(random, std::min(width, height));
          points = static_cast<std::size_t>(pick(random) == 0 ? point_count(random) : 3 + pick(random));
          rotation = pick(random) == 0 && !one_shape ? std::uniform_real_distribution<float>(-360, 360)(random) : 0.0f;
        }
        Rectangle expected = {0, -1, 0, -1};
        coverByDivision(x, y, radius, points, rotation, width, height, columns, rows, expected);
        sb::CellGrid::Span span = grid.polygon(x, y, radius, points, rotation);
        Rectangle got = {span.column_from, span.column_to, span.row_from, span.row_to};
        clip(expected, columns, rows);
        clip(got, columns, rows);
        compared++;
        if (isEmpty(expected)) {
          EXPECT_TRUE(isEmpty(got)) << x << "," << y << " r " << radius << " n " << points;
          continue;
        }
        drawn++;
        ASSERT_FALSE(isEmpty(got)) << x << "," << y << " r " << radius << " n " << points << " cell "
                                   << width << "x" << height;
        EXPECT_EQ(got.column_from, expected.column_from) << x << " r " << radius << " n " << points;
        EXPECT_EQ(got.column_to, expected.column_to) << x << " r " << radius << " n " << points;
        EXPECT_EQ(got.row_from, expected.row_from) << y << " r " << radius << " n " << points;
        EXPECT_EQ(got.row_to, expected.row_to) << y << " r " << radius << " n " << points;
      }
    }
  }
  EXPECT_GT(drawn, compared / 4);  // the edges and sizes above do draw
}

// Random characters and shapes drawn into a terminal's buffer leave every
// cell as drawing cell by cell would; after close() drawing is ignored.
TEST(TerminalCells, RandomDrawsGiveTheCellsOfCellByCellDrawing) {
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  std::mt19937 random(1);
  const int columns = 80, rows = 24;
  const float cell_width = 12.8f, cell_height = 32.0f;
  sb::CellGrid grid(cell_width, cell_height, columns, rows);
  for (int frame = 0; frame < 20; frame++) {
    sb::TerminalDisplay display;
    ASSERT_EQ(display.open(slave, slave, columns, rows, sb::TerminalDisplay::COLORS_256), 0);
    std::uint32_t background = random() & 0xffffff;
    display.setBackground(background >> 16 & 0xff, background >> 8 & 0xff, background & 0xff);
    CellModel model(columns, rows, background);
    std::uniform_int_distribution<int> column(-2, columns + 1), row(-2, rows + 1), byte(0, 255);
    for (int draw = 0; draw < 2000; draw++) {
      std::uint32_t rgb = random() & 0xffffff;
      unsigned char r = rgb >> 16 & 0xff, g = rgb >> 8 & 0xff, b = rgb & 0xff;
      if (random() % 2) {
        int c = column(random), w = row(random);
        auto ch = static_cast<unsigned char>(byte(random));
        display.put(c, w, static_cast<char>(ch), r, g, b);
        model.put(c, w, ch, rgb);
        continue;
      }
      float x = pixelNear(random, cell_width, columns), y = pixelNear(random, cell_height, rows);
      bool particle = draw % 500 >= 100;  // long runs of one small shape
      float radius = particle ? 1.0f + static_cast<float>(draw / 500) : radiusOf(random, cell_width);
      std::size_t points = particle ? 3 : 3 + random() % 8;
      float rotation = !particle && random() % 4 == 0 ? 45.0f : 0.0f;
      unsigned alpha = random() % 3 == 0 ? 255 : static_cast<unsigned>(byte(random));
      sb::CellGrid::Span span = grid.polygon(x, y, radius, points, rotation);
      display.fillCells(span.column_from, span.column_to, span.row_from, span.row_to, r, g, b,
                        static_cast<unsigned char>(alpha));
      Rectangle cells;
      if (!coverByDivision(x, y, radius, points, rotation, cell_width, cell_height, columns, rows, cells))
        continue;
      for (int w = cells.row_from; w <= cells.row_to; w++)
        for (int c = cells.column_from; c <= cells.column_to; c++) model.fill(c, w, rgb, alpha);
    }
    for (int w = 0; w < rows; w++)
      for (int c = 0; c < columns; c++)
        ASSERT_EQ(display.cellAt(c, w), model.cells[static_cast<size_t>(w * columns + c)])
            << "frame " << frame << " cell " << c << "," << w;
    display.close();
    display.put(1, 1, 'x', 1, 2, 3);  // ignored, not written past the freed buffer
    display.fill(1, 1, 1, 2, 3, 255);
    EXPECT_EQ(display.cellAt(1, 1), 0u);
  }
  close(master);
  close(slave);
}

// Polygons handed over in runs of one shape leave every cell as drawing them
// one by one does, as drawPolygon() does:
// clear ones skipped, shapes that come again and again looked up by position,
// more distinct shapes than the grid keeps, turned ones and ones far out.
TEST(TerminalCells, RunsOfPolygonsGiveTheCellsOfOneByOne) {
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  std::mt19937 random(7);
  const int columns = 80, rows = 24;
  const float cell_width = 12.8f, cell_height = 32.0f;
  auto cellsOf = [&](const sb::TerminalDisplay &display) {
    std::vector<std::uint64_t> all;
    for (int w = 0; w < rows; w++)
      for (int c = 0; c < columns; c++) all.push_back(display.cellAt(c, w));
    return all;
  };
  for (int frame = 0; frame < 20; frame++) {
    std::vector<sb::DisplayBackEnd::Polygon> polygons(
        static_cast<std::size_t>(1 + random() % 5000));
    // A handful of radii per frame: more than the grid keeps as often drawn.
    float radii[6];
    for (float &radius : radii) radius = radiusOf(random, cell_width);
    for (std::size_t i = 0; i < polygons.size(); i++) {
      sb::DisplayBackEnd::Polygon &p = polygons[i];
      bool run = (i / 600) % 4 != 0;  // long runs of one of the radii, broken up
      p.x = random() % 97 == 0 ? NAN : pixelNear(random, cell_width, columns);
      p.y = random() % 89 == 0 ? INFINITY : pixelNear(random, cell_height, rows);
      p.radius = run ? radii[(i / 600) % 6] : radiusOf(random, cell_width);
      p.points = run ? 3 + (i / 600) % 8 : static_cast<std::size_t>(random() % 12);
      p.rotation = !run && random() % 4 == 0 ? 45.0f : 0.0f;
      p.color = sf::Color(random() & 0xff, random() & 0xff, random() & 0xff,
                          random() % 4 == 0 ? 255 : (random() % 6 == 0 ? 0 : random() & 0xff));
    }
    std::vector<std::uint64_t> results[2];
    for (int way = 0; way < 2; way++) {
      sb::CellGrid grid(cell_width, cell_height, columns, rows);
      sb::TerminalDisplay display;
      ASSERT_EQ(display.open(slave, slave, columns, rows, sb::TerminalDisplay::COLORS_256), 0);
      if (way == 0) {
        for (const sb::DisplayBackEnd::Polygon &p : polygons) {
          if (p.color.a == 0) continue;
          sb::CellGrid::Span span = grid.polygon(p.x, p.y, p.radius, p.points, p.rotation);
          display.fillCells(span.column_from, span.column_to, span.row_from, span.row_to, p.color.r,
                            p.color.g, p.color.b, p.color.a);
        }
      } else {  // in runs of one shape, of at most 256
        std::vector<sb::DisplayBackEnd::PolygonAt> places(polygons.size());
        for (std::size_t i = 0; i < polygons.size(); i++)
          places[i].x = polygons[i].x, places[i].y = polygons[i].y, places[i].color = polygons[i].color;
        for (std::size_t done = 0, run = 0; done < polygons.size(); done += run) {
          const sb::DisplayBackEnd::Polygon &shape = polygons[done];
          for (run = 1; run < 256 && done + run < polygons.size(); run++) {
            const sb::DisplayBackEnd::Polygon &next = polygons[done + run];
            if (std::memcmp(&next.radius, &shape.radius, sizeof(float)) != 0 || next.points != shape.points ||
                next.rotation != shape.rotation)
              break;
          }
          grid.paint(shape, places.data() + done, run, display);
        }
      }
      results[way] = cellsOf(display);
      display.close();
    }
    for (std::size_t i = 0; i < results[0].size(); i++)
      ASSERT_EQ(results[1][i], results[0][i])
          << "frame " << frame << " cell " << i % columns << "," << i / columns;
  }
  close(master);
  close(slave);
}
