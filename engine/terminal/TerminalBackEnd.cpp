#include "TerminalBackEnd.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Cast.h"
#include "Config.h"
#include "LogManager.h"
#include "PolygonGeometry.h"
#include "utility.h"

namespace sb {

namespace {

// Positions beyond this many cells from the origin are in no terminal.
const float FAR_CELLS = 1.0e6f;
const int NO_CELL = -2000000;

// The terminal column or row of a view position: the nearest cell; NO_CELL
// for positions far outside any terminal (and not-a-number).
int nearestCell(float position) {
  if (!(position > -FAR_CELLS && position < FAR_CELLS)) return NO_CELL;
  return static_cast<int>(std::floor(position + 0.5f));
}

int shakeCells(int pixels, float cell_size) {
  if (pixels == 0 || !(cell_size > 0)) return 0;
  float cells = std::round(static_cast<float>(pixels) / cell_size);
  if (cells == 0) return pixels > 0 ? 1 : -1;
  return static_cast<int>(std::max(-1000.0f, std::min(cells, 1000.0f)));
}

// The first and last cell of a range of pixels, clamped to the window
// before they become ints.
int firstCell(float pixel, float cell, int cells) {
  return static_cast<int>(std::max(0.0f, std::min(std::ceil(pixel / cell), float(cells))));
}
int lastCell(float pixel, float cell, int cells) {
  return static_cast<int>(std::max(-1.0f, std::min(std::floor(pixel / cell), float(cells - 1))));
}

// A terminal that cannot move its cursor cannot show the game.
bool cursorMoves() {
  const char *term = getenv("TERM");
  if (term && *term && strcmp(term, "dumb") != 0) return true;
  const char *message =
      "DisplayManager::startUp(): Error! The terminal (TERM '%s') cannot move its cursor, so "
      "the game cannot be drawn in it; set TERM to the terminal's type (such as "
      "xterm-256color or linux).";
  LogManager::getInstance().writeLog(message, term ? term : "");
  fprintf(stderr, message, term ? term : "");
  fputc('\n', stderr);
  return false;
}

const char *colorModeName(TerminalDisplay::ColorMode mode) {
  return mode == TerminalDisplay::TRUE_COLOR  ? "24-bit"
         : mode == TerminalDisplay::COLORS_16 ? "16"
                                              : "256";
}

}  // namespace

TerminalBackEnd::TerminalBackEnd() = default;

TerminalBackEnd::~TerminalBackEnd() = default;

int TerminalBackEnd::open(int columns, int rows, bool cp437) {
  LogManager &log_manager = LogManager::getInstance();
  if (!cursorMoves()) return -1;
  int output_fd = isatty(STDOUT_FILENO)   ? STDOUT_FILENO
                  : isatty(STDERR_FILENO) ? STDERR_FILENO
                                          : -1;
  int input_fd = isatty(STDIN_FILENO) ? STDIN_FILENO : output_fd;
  Cast &cast = Cast::getInstance();
  if (cast.wantsOffscreen()) output_fd = input_fd = cast.offscreenFd();
  if (cast.startFromConfig(columns, rows) != 0) return -1;
  // What the program printed so far stays on the normal screen.
  fflush(stdout);
  fflush(stderr);
  p_terminal.reset(new TerminalDisplay);
  if (output_fd < 0 || p_terminal->open(output_fd, input_fd, columns, rows,
                                        TerminalDisplay::colorModeFromEnvironment()) != 0) {
    p_terminal.reset();
    log_manager.writeLog("DisplayManager::startUp(): Error! Unable to draw into a terminal: "
                         "neither standard output nor standard error is one.");
    return -1;
  }
  size_changes = 0;
  warnOfSmallTerminal("DisplayManager::startUp()");
  log_manager.writeLog(5, "DisplayManager::startUp(): drawing into the terminal (%s colour).",
                       colorModeName(p_terminal->getColorMode()));
  write_failed = false;
  p_terminal->setCp437(cp437);
  return 0;
}

// Logs, and shows on screen for three seconds, that the terminal is
// smaller than the window.
void TerminalBackEnd::warnOfSmallTerminal(const char *where) {
  int columns = p_terminal->getTerminalColumns(), rows = p_terminal->getTerminalRows();
  int window_columns = p_terminal->getColumns(), window_rows = p_terminal->getRows();
  if (columns >= window_columns && rows >= window_rows) {
    p_terminal->showNotice("", 0);  // everything fits again
    return;
  }
  LogManager::getInstance().writeLog("%s: Warning! The terminal has %d x %d cells, the window "
                                     "%d x %d: drawing what fits.",
                                     where, columns, rows, window_columns, window_rows);
  int frame_time = Config::getInstance().getFrameTime();
  p_terminal->showNotice("Terminal " + std::to_string(columns) + "x" + std::to_string(rows) +
                             " is smaller than the game's " + std::to_string(window_columns) +
                             "x" + std::to_string(window_rows) + ": showing what fits",
                         frame_time > 0 ? 3000 / frame_time : 90);
}

bool TerminalBackEnd::canDraw() const { return p_terminal != nullptr; }

int TerminalBackEnd::drawCh(Vector view_pos, char ch, unsigned char r, unsigned char g,
                            unsigned char b) {
  int column = nearestCell(view_pos.getX()), row = nearestCell(view_pos.getY());
  // A shaken glyph far outside stays outside.
  if (column != NO_CELL && row != NO_CELL)
    p_terminal->put(column + shake_cells_x, row + shake_cells_y, ch, r, g, b);
  return 0;
}

int TerminalBackEnd::drawChOver(Vector view_pos, char ch, sf::Color color,
                                sf::Color cell_background) {
  int column = nearestCell(view_pos.getX()), row = nearestCell(view_pos.getY());
  if (column != NO_CELL && row != NO_CELL)
    p_terminal->put(column + shake_cells_x, row + shake_cells_y, ch, color.r, color.g, color.b,
                    cell_background.r, cell_background.g, cell_background.b);
  return 0;
}

int TerminalBackEnd::drawPolygon(float x, float y, float radius, std::size_t points,
                                 float rotation, sf::Color color) {
  if (points < 3 || color.a == 0) return 0;
  PolygonGeometry::Bounds bounds = PolygonGeometry::bounds(x, y, radius, points, rotation);
  if (!std::isfinite(bounds.left + bounds.right + bounds.top + bounds.bottom)) return 0;
  float cell_width = charWidth(), cell_height = charHeight();
  int columns = p_terminal->getColumns(), rows = p_terminal->getRows();
  int column_from = firstCell(bounds.left, cell_width, columns);
  int column_to = lastCell(bounds.right, cell_width, columns);
  int row_from = firstCell(bounds.top, cell_height, rows);
  int row_to = lastCell(bounds.bottom, cell_height, rows);
  if (column_from > column_to || row_from > row_to) {
    column_from = column_to = nearestCell((bounds.left + bounds.right) / 2 / cell_width);
    // NO_CELL: not shown
    row_from = row_to = nearestCell((bounds.top + bounds.bottom) / 2 / cell_height);
  }
  for (int row = row_from; row <= row_to; row++)
    for (int column = column_from; column <= column_to; column++)
      p_terminal->fill(column, row, color.r, color.g, color.b, color.a);
  return 0;
}

void TerminalBackEnd::present(sf::Texture *) {
  LogManager &log_manager = LogManager::getInstance();
  if (p_terminal->present() < 0 && !write_failed) {
    log_manager.writeLog("DisplayManager::swapBuffers(): Warning! Unable to write to the terminal.");
    write_failed = true;
  }
  if (p_terminal->getSizeChanges() != size_changes) {  // resized
    size_changes = p_terminal->getSizeChanges();
    log_manager.writeLog(5, "DisplayManager::swapBuffers(): the terminal now has %d x %d cells.",
                         p_terminal->getTerminalColumns(), p_terminal->getTerminalRows());
    warnOfSmallTerminal("DisplayManager::swapBuffers()");
  }
}

void TerminalBackEnd::setShake(int x_pixels, int y_pixels) {
  shake_cells_x = shakeCells(x_pixels, charWidth());
  shake_cells_y = shakeCells(y_pixels, charHeight());
}

void TerminalBackEnd::setBackground(sf::Color color) {
  if (p_terminal) p_terminal->setBackground(color.r, color.g, color.b);
}

TerminalDisplay *TerminalBackEnd::getTerminal() const { return p_terminal.get(); }

}  // namespace sb
