#include "Grid.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "Config.h"
#include "LogManager.h"
#include "Object.h"
#include "SceneGraph.h"
#include "utility.h"

namespace sb {

namespace {

LogManager &logger() { return LogManager::getInstance(); }

std::string objectText(const Object *p_o) {
  return " " + p_o->getType() + "(" + toString(p_o->getId()) + ")";
}

template <class List>
std::string listText(const List &list) {
  std::string text;
  for (int i = 0; i < list.getCount(); i++) text += objectText(list[i]);
  return text;
}

}  // namespace

Grid::Grid(const SceneGraph *p_owner)
    : cells(nullptr),
      p_scene_graph(p_owner),
      width(Config::getInstance().getGridWidth()),
      height(Config::getInstance().getGridHeight()) {}

Grid::~Grid() { shutDown(); }

int Grid::startUp() {
  if (cells) {
    logger().writeLog("Grid::startUp(): Warning! Grid allocated. Not proceeding.");
    return -1;
  }
  // Sizes of 0 or below would divide by zero and allocate nothing sensible.
  if (width <= 0 || height <= 0) {
    logger().writeLog("Grid::startUp(): Error! Grid size (%d, %d) must be positive.", width,
                      height);
    return -1;
  }
  cells = new (std::nothrow) BoxList[static_cast<size_t>(width) * height];
  if (!cells) {
    logger().writeLog("Grid::startUp(): Error! Unable to allocate columns.");
    return -1;
  }
  out_of_bounds.clear();
  return 0;
}

void Grid::shutDown() {
  delete[] cells;
  cells = nullptr;
  out_of_bounds.clear();
}

int Grid::getWidth() const { return width; }
int Grid::getHeight() const { return height; }

void Grid::setDimensions(int new_width, int new_height) {
  if (new_width == width && new_height == height) return;
  // Before its scene graph starts there is nothing to re-file: the size
  // waits for the scene graph's start-up to allocate the cells.
  if (!cells && !(p_scene_graph && p_scene_graph->isStarted())) {
    width = new_width;
    height = new_height;
    return;
  }
  shutDown();
  width = new_width;
  height = new_height;
  if (startUp() != 0) {
    logger().writeLog("Grid::setDimensions(): Error! startup() failed so not adding Objects");
    return;
  }
  if (!p_scene_graph) return;
  ObjectList solid = p_scene_graph->solidObjects();
  for (int i = 0; i < solid.getCount(); i++) insertObject(solid[i]);
}

Cell Grid::positionToCell(Vector p) const {
  int column = clampToInt(std::floor(p.getX() / static_cast<float>(width)));
  int row = clampToInt(std::floor(p.getY() / static_cast<float>(height)));
  return Cell(column, row);
}

Grid::Span Grid::spanOf(const Object *p_o, Vector where) const {
  Box world_box = p_o->worldBoxAt(where);
  Vector corner = world_box.getCorner();
  return spanOfCorners(corner, corner + Vector(world_box.getHorizontal(), world_box.getVertical()));
}

Grid::Span Grid::spanOfCorners(Vector top_left, Vector bottom_right) const {
  // A box with a negative size has its far edge before its corner: the box
  // covers the span between its edges whichever comes first.
  Cell first = positionToCell(Vector(std::min(top_left.getX(), bottom_right.getX()),
                                     std::min(top_left.getY(), bottom_right.getY())));
  Cell last = positionToCell(Vector(std::max(top_left.getX(), bottom_right.getX()),
                                    std::max(top_left.getY(), bottom_right.getY())));
  Span span{first.first, first.second, last.first, last.second, false, false};
  if (span.first_col < 0) span.first_col = 0, span.out = true;
  if (span.first_row < 0) span.first_row = 0, span.out = true;
  if (span.last_col >= width) span.last_col = width - 1, span.out = true;
  if (span.last_row >= height) span.last_row = height - 1, span.out = true;
  span.empty = span.first_col > span.last_col || span.first_row > span.last_row;
  return span;
}

// Visits the cells of a span inside the grid, row by row.
template <class Visit>
void Grid::forEachCell(const Span &span, Visit visit) const {
  if (span.empty) return;
  for (int row = span.first_row; row <= span.last_row; row++)
    for (int col = span.first_col; col <= span.last_col; col++) visit(col, row);
}

// Whether an operation can go on: the grid has cells and the object is not
// null; otherwise the reason is logged under the operation's name.
bool Grid::usable(const char *operation, const Object *p_o) const {
  if (!cells) {
    logger().writeLog("Grid::%s(): Error! grid is NULL", operation);
    return false;
  }
  if (!p_o) {
    logger().writeLog("Grid::%s(): Error! Object is NULL", operation);
    return false;
  }
  return true;
}

std::vector<Cell> Grid::positionToCells(const Object *p_o, Vector where) const {
  std::vector<Cell> result;
  Span span = spanOf(p_o, where);
  if (span.out) result.push_back(Cell(-1, -1));
  forEachCell(span, [&](int col, int row) { result.push_back(Cell(col, row)); });
  return result;
}

int Grid::insertObject(Object *p_o) {
  if (!usable("insertObject", p_o)) return -1;
  Vector position = p_o->getPosition();
  Span span = spanOf(p_o, position);
  Box world_box = p_o->worldBoxAt(position);
  if (span.out) out_of_bounds.insert(p_o, world_box);
  forEachCell(span, [&](int col, int row) { cellAt(col, row).insert(p_o, world_box); });
  return 0;
}

int Grid::removeObject(Object *p_o) {
  if (!usable("removeObject", p_o)) return -1;
  if (!p_o->isSolid() || !p_o->isActive()) return 0;
  Span span = spanOf(p_o, p_o->getPosition());
  if (span.out) out_of_bounds.remove(p_o);
  forEachCell(span, [&](int col, int row) { cellAt(col, row).remove(p_o); });
  return 0;
}

bool Grid::spanHas(const Span &span, int col, int row) {
  return !span.empty && col >= span.first_col && col <= span.last_col && row >= span.first_row &&
         row <= span.last_row;
}

int Grid::updatePosition(Object *p_o, Vector where) {
  if (!usable("updatePosition", p_o)) return -1;
  Span old_span = spanOf(p_o, p_o->getPosition());
  Span new_span = spanOf(p_o, where);
  Box new_box = p_o->worldBoxAt(where);
  // Cells in both spans keep the object in its place and take its new box;
  // only the differences are re-filed.
  if (old_span.out && !new_span.out) out_of_bounds.remove(p_o);
  if (old_span.out && new_span.out) out_of_bounds.updateBox(p_o, new_box);
  forEachCell(old_span, [&](int col, int row) {
    if (spanHas(new_span, col, row))
      cellAt(col, row).updateBox(p_o, new_box);
    else
      cellAt(col, row).remove(p_o);
  });
  if (new_span.out && !old_span.out) out_of_bounds.insert(p_o, new_box);
  forEachCell(new_span, [&](int col, int row) {
    if (!spanHas(old_span, col, row)) cellAt(col, row).insert(p_o, new_box);
  });
  return 0;
}

ObjectList Grid::getCollisions(const Object *p_o, Vector where) const {
  ObjectList result;
  collectCollisions(p_o, where, result);
  return result;
}

void Grid::collectCollisions(const Object *p_o, Vector where, ObjectList &result) const {
  if (!usable("getCollisions", p_o)) return;
  Span span = spanOf(p_o, where);
  Box moved = p_o->worldBoxAt(where);
  if (span.out) collectFrom(out_of_bounds, -1, -1, p_o, moved, span, result);
  forEachCell(span, [&](int col, int row) {
    collectFrom(cellAt(col, row), col, row, p_o, moved, span, result);
  });
}

// Appends the members of one visited list (cell col,row, or out of bounds
// for -1,-1) whose boxes meet moved. The lists are visited out of bounds
// first, then row by row, so an object filed in several of them is reported
// from the first one it shares with the query; which one that is follows
// from its stored box alone, without reading the object.
void Grid::collectFrom(const BoxList &list, int col, int row, const Object *p_o, const Box &moved,
                       const Span &span, ObjectList &result) const {
  bool one_list = !span.out && span.first_col == span.last_col && span.first_row == span.last_row;
  list.forEachMeeting(moved, [&](int i) {
    Object *p_other = list[i];
    if (p_other == p_o) return;
    if (col >= 0 && !one_list) {
      Span other = spanOfCorners(list.topLeftAt(i), list.bottomRightAt(i));
      if (span.out && other.out) return;  // reported from the out-of-bounds list
      int first_col = other.first_col > span.first_col ? other.first_col : span.first_col;
      int first_row = other.first_row > span.first_row ? other.first_row : span.first_row;
      if (col != first_col || row != first_row) return;  // reported from an earlier cell
    }
    detail::prefetchObject(p_other);
    result.insert(p_other);
  });
}

ObjectList Grid::getObjects(Cell cell) const {
  if (!cells) {
    logger().writeLog("Grid::getObjects(): Error! grid is NULL");
    return ObjectList();
  }
  int col = cell.first, row = cell.second;
  if (col < 0 || col >= width || row < 0 || row >= height) return out_of_bounds.toList();
  return cellAt(col, row).toList();
}

std::string Grid::toString() const {
  if (!cells) {
    logger().writeLog("Grid::toString(): Error! grid is NULL");
    return "";
  }
  std::string text = "dimensions: (" + sb::toString(width) + "," + sb::toString(height) + ")\n";
  for (int row = 0; row < height; row++)
    for (int col = 0; col < width; col++)
      text += "Cell (" + sb::toString(col) + "," + sb::toString(row) +
              "):" + listText(cellAt(col, row)) + "\n";
  text += "Out of bounds: " + listText(out_of_bounds);
  return text;
}

void Grid::print() const {
  if (!cells) {
    logger().writeLog("Grid::print(): Error! grid is NULL");
    return;
  }
  LogManager &log_manager = logger();
  log_manager.writeLog("GRID");
  log_manager.writeLog("dimensions: (%d,%d)", width, height);
  for (int row = 0; row < 2 && row < height; row++) {
    for (int col = 0; col < 2 && col < width; col++) {
      const BoxList &cell = cellAt(col, row);
      log_manager.writeLog("Cell (%d,%d):count=%d", col, row, cell.getCount());
      log_manager.writeLog("%s", listText(cell).c_str());
    }
  }
  log_manager.writeLog("Out of bounds: count=%d", out_of_bounds.getCount());
  log_manager.writeLog("%s", listText(out_of_bounds).c_str());
}

}  // namespace sb
