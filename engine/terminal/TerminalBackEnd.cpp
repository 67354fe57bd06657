#include "TerminalBackEnd.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Cast.h"
#include "CellGrid.h"
#include "Config.h"
#include "LogManager.h"
#include "utility.h"

namespace sb {

namespace {

int shakeCells(int pixels, float cell_size) {
  if (pixels == 0 || !(cell_size > 0)) return 0;
  float cells = std::round(static_cast<float>(pixels) / cell_size);
  if (cells == 0) return pixels > 0 ? 1 : -1;
  return static_cast<int>(std::max(-1000.0f, std::min(cells, 1000.0f)));
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
  const char *no_terminal =
      "DisplayManager::startUp(): Error! Unable to draw into a terminal: "
      "neither standard output nor standard error is one.";
  // A cast file is only touched once there is a terminal to cast.
  if (output_fd < 0) {
    log_manager.writeLog("%s", no_terminal);
    return -1;
  }
  if (cast.startFromConfig(columns, rows) != 0) return -1;
  // What the program printed so far stays on the normal screen.
  fflush(stdout);
  fflush(stderr);
  p_terminal.reset(new TerminalDisplay);
  if (p_terminal->open(output_fd, input_fd, columns, rows,
                       TerminalDisplay::colorModeFromEnvironment()) != 0) {
    p_terminal.reset();
    cast.stop();
    log_manager.writeLog("%s", no_terminal);
    return -1;
  }
  size_changes = 0;
  warnOfSmallTerminal("DisplayManager::startUp()");
  log_manager.writeLog(5, "DisplayManager::startUp(): drawing into the terminal (%s colour).",
                       colorModeName(p_terminal->getColorMode()));
  write_failed = false;
  dropped_frames = 0;
  dropping = false;
  p_terminal->setCp437(cp437);
  p_cell_grid.reset(new CellGrid(charWidth(), charHeight(), columns, rows));
  statistics = Statistics();
  frame_draw_ns = 0;
  drawing = false;
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
  LogManager::getInstance().writeLog(
      "%s: Warning! The terminal has %d x %d cells, the window "
      "%d x %d: drawing what fits.",
      where, columns, rows, window_columns, window_rows);
  int frame_time = Config::getInstance().getFrameTime();
  p_terminal->showNotice("Terminal " + std::to_string(columns) + "x" + std::to_string(rows) +
                             " is smaller than the game's " + std::to_string(window_columns) + "x" +
                             std::to_string(window_rows) + ": showing what fits",
                         frame_time > 0 ? 3000 / frame_time : 90);
}

bool TerminalBackEnd::canDraw() const { return p_terminal != nullptr; }

int TerminalBackEnd::drawCh(Vector view_pos, char ch, unsigned char r, unsigned char g,
                            unsigned char b) {
  int column = CellGrid::nearestCell(view_pos.getX()), row = CellGrid::nearestCell(view_pos.getY());
  // A shaken glyph far outside stays outside.
  if (column != CellGrid::FAR && row != CellGrid::FAR)
    p_terminal->put(column + shake_cells_x, row + shake_cells_y, ch, r, g, b);
  return 0;
}

int TerminalBackEnd::drawChOver(Vector view_pos, char ch, sf::Color color,
                                sf::Color cell_background) {
  int column = CellGrid::nearestCell(view_pos.getX()), row = CellGrid::nearestCell(view_pos.getY());
  if (column != CellGrid::FAR && row != CellGrid::FAR)
    p_terminal->put(column + shake_cells_x, row + shake_cells_y, ch, color.r, color.g, color.b,
                    cell_background.r, cell_background.g, cell_background.b);
  return 0;
}

int TerminalBackEnd::drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                                 sf::Color color) {
  if (color.a == 0) return 0;
  CellGrid::Span span = p_cell_grid->polygon(x, y, radius, points, rotation);
  p_terminal->fillCells(span.column_from, span.column_to, span.row_from, span.row_to, color.r,
                        color.g, color.b, color.a);
  return 0;
}

int TerminalBackEnd::drawPolygons(const Polygon &shape, const PolygonAt *p_at, std::size_t count) {
  p_cell_grid->paint(shape, p_at, count, *p_terminal);
  return 0;
}

void TerminalBackEnd::present(sf::Texture *) {
  LogManager &log_manager = LogManager::getInstance();
  if (p_terminal->present() < 0 && !write_failed) {
    log_manager.writeLog(
        "DisplayManager::swapBuffers(): Warning! Unable to write to the terminal.");
    write_failed = true;
  }
  // Once when the terminal stops reading, once when it reads again.
  long long dropped = p_terminal->getDroppedFrames();
  if (dropped != dropped_frames && !dropping) {
    log_manager.writeLog(
        "DisplayManager::swapBuffers(): Warning! The terminal is not reading: "
        "frames are dropped until it does.");
    dropping = true;
  } else if (dropped == dropped_frames && dropping) {
    log_manager.writeLog(
        "DisplayManager::swapBuffers(): The terminal reads again (%lld frames "
        "dropped since it opened).",
        dropped);
    dropping = false;
  }
  dropped_frames = dropped;
  countFrame();
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

void TerminalBackEnd::beginDrawing() {
  draw_start = std::chrono::steady_clock::now();
  drawing = true;
}

void TerminalBackEnd::endDrawing() {
  if (!drawing) return;
  drawing = false;
  frame_draw_ns += std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now() - draw_start)
                       .count();
}

// Adds the frame just presented to the statistics.
void TerminalBackEnd::countFrame() {
  const TerminalDisplay::FrameCost &cost = p_terminal->getLastFrameCost();
  Statistics &s = statistics;
  s.frames++;
  s.cells += cost.cells;
  s.max_cells = std::max(s.max_cells, cost.cells);
  s.draw_ns += frame_draw_ns;
  s.max_draw_ns = std::max(s.max_draw_ns, frame_draw_ns);
  s.diff_ns += cost.diff_ns;
  s.max_diff_ns = std::max(s.max_diff_ns, cost.diff_ns);
  s.write_ns += cost.write_ns;
  s.max_write_ns = std::max(s.max_write_ns, cost.write_ns);
  frame_draw_ns = 0;
}

void TerminalBackEnd::logStatistics() const {
  if (!p_terminal) return;
  const Statistics &s = statistics;
  double frames = s.frames > 0 ? static_cast<double>(s.frames) : 1.0;
  auto meanUs = [frames](long long ns) { return static_cast<double>(ns) / frames / 1000.0; };
  LogManager::getInstance().writeLog(
      1,
      "DisplayManager::shutDown(): terminal statistics: %lld frames, %lld bytes written, "
      "cells changed a frame %.1f mean %d max; microseconds a frame: draw %.1f mean %.0f max, "
      "diff %.1f mean %.0f max, write %.1f mean %.0f max.",
      s.frames, p_terminal->getTotalBytes(), static_cast<double>(s.cells) / frames, s.max_cells,
      meanUs(s.draw_ns), static_cast<double>(s.max_draw_ns) / 1000.0, meanUs(s.diff_ns),
      static_cast<double>(s.max_diff_ns) / 1000.0, meanUs(s.write_ns),
      static_cast<double>(s.max_write_ns) / 1000.0);
}

}  // namespace sb
