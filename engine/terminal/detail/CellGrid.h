#ifndef SORBELANE_CELL_GRID_H
#define SORBELANE_CELL_GRID_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "DisplayBackEnd.h"
#include "TerminalDisplay.h"

namespace sb {

/// The terminal's cells as pixel rectangles: which cells a shape drawn in
/// pixels covers, worked out from its corners' extremes and the cell size,
/// without looking at its pixels. The cell a pixel falls in is found by
/// comparing it with thresholds worked out once per grid, which gives what
/// dividing by the cell size and rounding gives, without a division.
class CellGrid {
 public:
  /// A rectangle of cells, first to last inclusive; empty when from > to.
  /// The single cell of a small shape may lie outside the grid.
  struct Span {
    int column_from = 0;  ///< First column.
    int column_to = -1;   ///< Last column.
    int row_from = 0;     ///< First row.
    int row_to = -1;      ///< Last row.
  };

  /// A grid of columns x rows cells of cell_width x cell_height pixels.
  CellGrid(float cell_width, float cell_height, int columns, int rows);

  /// The cells whose origins fall inside the bounds of the regular polygon
  /// with the corner of its bounding square at (x, y), turned by rotation
  /// degrees; a polygon that holds no cell origin gives the cell nearest its
  /// centre. Empty for fewer than 3 corners and bounds that are not finite.
  Span polygon(float x, float y, float radius, std::size_t points, float rotation) const;
  /// For each of count polygons in order, the cells polygon() gives and
  /// the polygon's colour; a clear polygon (alpha 0) covers no cells, and
  /// leaves the grid's record of the shapes drawn often as it is.
  void fills(const DisplayBackEnd::Polygon *p_polygons, std::size_t count,
             TerminalDisplay::Fill *p_fills) const;

  /// The nearest cell to a position in cells; FAR for positions far outside
  /// any terminal, and for not-a-number.
  static int nearestCell(float position);
  /// What nearestCell() gives for a position in no terminal.
  static const int FAR = -2000000;

 private:
  // One direction of the grid. In `first`, `last` and `nearest`, entry k is
  // the largest pixel below which the first cell of a range, its last cell,
  // or the cell nearest a middle is still at most k, at most k - 1 and below
  // k (when exact).
  struct Axis {
    float size = 0;
    float inverse = 0;
    int cells = 0;
    bool exact = false;  // a positive, finite cell size and thresholds made
    std::vector<float> first, last, nearest;
    void make(float new_size, int new_cells);
    int firstCell(float pixel) const;
    int lastCell(float pixel) const;
    int middleCell(float middle) const;
  };
  Axis horizontal, vertical;
  Span fromBounds(float left, float top, float right, float bottom) const;

  // What one axis of an upright shape of one radius and corner count covers,
  // as its position grows: positions above at[i - 1] up to at[i] give
  // cells[i]. `start` holds, for buckets of positions, the interval of the
  // bucket's first position, so that finding one seldom takes a step.
  struct Steps {
    struct Cells {
      int first, last, middle;
    };
    float origin = 0, scale = 0;
    std::vector<float> at;
    std::vector<Cells> cells;
    std::vector<int> start;
    const Cells &find(float position) const;
  };
  // A shape drawn often (particles), with its steps along both axes.
  struct Often {
    std::uint32_t radius_bits = 0;
    std::size_t points = 0;
    Steps columns, rows;
  };
  static constexpr int OFTEN_SHAPES = 4;
  mutable Often often[OFTEN_SHAPES];
  mutable int often_count = 0, often_next = 0;
  mutable std::uint32_t recent_radius_bits = 0;
  mutable std::size_t recent_points = 0;
  mutable int repeats = 0;
  const Often *oftenShape(float radius, std::size_t points, float low_x, float high_x, float low_y,
                          float high_y) const;
  static Steps stepsOf(const Axis &axis, float low, float high);
  static Span spanOf(const Often &often, float x, float y);
  Span cover(float x, float y, float radius, std::size_t points, float rotation,
             const Often *&p_recent) const;
};

}  // namespace sb

#endif
