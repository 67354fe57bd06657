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
  /// Fills into display, in order, the cells polygon() gives for count
  /// polygons of shape's radius, corners and rotation at p_at's places, in
  /// their colours (a clear one fills nothing).
  void paint(const DisplayBackEnd::Polygon &shape, const DisplayBackEnd::PolygonAt *p_at,
             std::size_t count, TerminalDisplay &display) const;

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
  // bucket's first position, so that finding one seldom takes a step;
  // `known` holds, for a bucket where no change is near, what every position
  // in it gives: its interval in the low 16 bits, its middle cell (one inside
  // the grid) in the next 14 and NONEMPTY when the shape holds a cell origin
  // along the axis; elsewhere UNSURE.
  struct Steps {
    struct Cells {
      int first, last, middle;
    };
    static constexpr std::int32_t UNSURE = -1;
    static constexpr std::int32_t NONEMPTY = 1 << 30;
    static constexpr std::int32_t INTERVAL = 0xffff;
    static int middleOf(std::int32_t entry) { return entry >> 16 & 0x3fff; }
    float origin = 0, scale = 0, top_bucket = 0;
    std::vector<float> at;
    std::vector<Cells> cells;
    std::vector<int> start;
    std::vector<std::int32_t> known = {UNSURE};
    // What finding a position's cells reads, copied out of the vectors.
    struct Lookup {
      float origin, scale, top_bucket;
      const std::int32_t *p_known;
      const Cells *p_cells;
      const Steps *p_steps;
      const Cells &find(float position) const;
      // The entry of `known` for position's bucket.
      std::int32_t entry(float position) const;
      // The bucket of `known` position is in.
      int bucket(float position) const;
    };
    Lookup lookup() const;
    const Cells &search(float position, float bucket) const;
  };
  // Where an upright polygon's bounds lie from the corner of its bounding square.
  struct Edges {
    float low_x, high_x, low_y, high_y;
  };
  static Edges edgesOf(float radius, std::size_t points);
  // A shape drawn often (particles), with its edges and its steps along both axes.
  struct Often {
    std::uint32_t radius_bits = 0;
    std::size_t points = 0;
    float low_x = 0, high_x = 0, low_y = 0, high_y = 0;
    Steps columns, rows;
  };
  static constexpr int OFTEN_SHAPES = 4;
  mutable Often often[OFTEN_SHAPES];
  mutable int often_count = 0, often_next = 0;
  mutable std::uint32_t recent_radius_bits = 0;
  mutable std::size_t recent_points = 0;
  mutable int repeats = 0;
  const Often *oftenShape(float radius, std::size_t points, const Edges &edges) const;
  const Often *kept(float radius, std::size_t points) const;
  void paintOften(const Often &often, const DisplayBackEnd::PolygonAt *p_at, std::size_t count,
                  TerminalDisplay &display) const;
  static constexpr std::size_t PAINT_CHUNK = 256;
  void paintChunk(const Often &often, const DisplayBackEnd::PolygonAt *p_at, std::size_t count,
                  TerminalDisplay &display) const;
  static void fill(const Span &span, sf::Color color, TerminalDisplay &display);
  static Steps stepsOf(const Axis &axis, float low, float high);
  static void know(Steps &steps, int cells);
  static Span spanOf(const Steps::Lookup &column_steps, const Steps::Lookup &row_steps, float x,
                     float y);
  static Span spanOf(const Steps::Cells &columns, const Steps::Cells &rows);
  Span cover(float x, float y, float radius, std::size_t points, float rotation,
             const Often *&p_recent) const;
};

}  // namespace sb

#endif
