#include "DisplayManager.h"

#include <unistd.h>

#include <cstdlib>

#include "BitmapFont.h"
#include "Cast.h"
#include "Config.h"
#include "Constants.h"
#include "DisplayProbe.h"
#include "EventResize.h"
#include "Frame.h"
#include "HeadlessBackEnd.h"
#include "LogManager.h"
#include "Markup.h"
#include "PolygonGeometry.h"
#include "RegularFile.h"
#include "TerminalBackEnd.h"
#include "TerminalDisplay.h"
#include "WindowBackEnd.h"
#include "utility.h"

namespace sb {

namespace {

// One shake offset: (scale + 1) - 2 * (rand() mod (scale + 1)).
int shakeOffset(int scale) {
  int span = scale + 1;
  if (span == 0) return 0;  // a scale of -1 would divide by zero: no shake
  return span - 2 * (rand() % span);
}

// The RGB colour of a Color; CUSTOM (which names none) is black.
sf::Color rgbOf(Color color) {
  unsigned char r = 0, g = 0, b = 0;
  colorToRGB(color, r, g, b);
  return sf::Color(r, g, b);
}

// The first column of a string of length cells placed by just at x.
float startColumn(float x, int length, Justification just) {
  if (just == CENTER_JUSTIFIED) return x - static_cast<float>(length / 2);
  if (just == RIGHT_JUSTIFIED) return x - static_cast<float>(length);
  return x;
}

const char *displayName() {
  const char *display = getenv("DISPLAY");
  return display ? display : "";
}

}  // namespace

DisplayManager::DisplayManager()
    : window_horizontal_pixels(0),
      window_vertical_pixels(0),
      window_horizontal_chars(0),
      window_vertical_chars(0),
      window_background_color(sf::Color::Black),
      shake_duration(0),
      shake_scale_x(0),
      shake_scale_y(0),
      shake_x(0),
      shake_y(0),
      p_back_end(new HeadlessBackEnd) {
  setType("DisplayManager");
}

DisplayManager::~DisplayManager() = default;

DisplayManager &DisplayManager::getInstance() {
  static DisplayManager display_manager;
  return display_manager;
}

void DisplayManager::releaseGraphics() {
  retired_batch_draws += p_back_end->getBatchDraws();
  p_back_end.reset(new HeadlessBackEnd);  // closes the window, gives the terminal back
}

int DisplayManager::startUp() {
  LogManager &log_manager = LogManager::getInstance();
  if (isStarted()) {
    log_manager.writeLog("DisplayManager::startUp(): Already started.");
    return 0;
  }

  // The sizes are read in headless mode too, so that cell conversions work.
  const Config &config = Config::getInstance();
  window_horizontal_pixels = config.getWindowHorizontalPixels();
  window_vertical_pixels = config.getWindowVerticalPixels();
  window_horizontal_chars = config.getWindowHorizontalChars();
  window_vertical_chars = config.getWindowVerticalChars();

  // Cell sizes divide by the character counts, headless or not.
  if (window_horizontal_chars <= 0 || window_vertical_chars <= 0) {
    log_manager.writeLog(
        "DisplayManager::startUp(): Error! Window size (%d, %d) characters "
        "must be positive.",
        window_horizontal_chars, window_vertical_chars);
    return -1;
  }
  // Every cell costs memory, and whole frames bytes: a size beyond any screen is refused.
  if (window_horizontal_chars > MAX_WINDOW_CHARS || window_vertical_chars > MAX_WINDOW_CHARS) {
    log_manager.writeLog(
        "DisplayManager::startUp(): Error! Window size (%d, %d) characters "
        "is more than %d a side.",
        window_horizontal_chars, window_vertical_chars, MAX_WINDOW_CHARS);
    return -1;
  }

  if (config.getHeadless() && Cast::getInstance().wantsOffscreen()) {
    if (openTerminal() != 0) return -1;
  } else if (config.getHeadless()) {
    log_manager.writeLog(1,
                         "DisplayManager::startUp(): not doing graphics since in headless mode.");
  } else if (config.getTerminal()) {
    if (openTerminal() != 0) return -1;
  } else if (openWindow() != 0) {
    return -1;
  }

  Manager::startUp();
  log_manager.writeLog(5, "DisplayManager::startUp(): successfully started.");
  return 0;
}

int DisplayManager::openWindow() {
  LogManager &log_manager = LogManager::getInstance();
  const Config &config = Config::getInstance();
  releaseGraphics();  // what a failed earlier start-up left behind

  DisplayProbe probe;
  if (!probe.available() && isatty(STDOUT_FILENO)) {
    log_manager.writeLog(
        "DisplayManager::startUp(): No X display could be opened (DISPLAY "
        "'%s'); drawing into the terminal on standard output instead.",
        displayName());
    return openTerminal();
  }
  if (window_horizontal_pixels <= 0 || window_vertical_pixels <= 0 || !probe.available()) {
    log_manager.writeLog("DisplayManager::startUp(): Unable to allocate window!");
    if (!probe.available())
      log_manager.writeLog(
          "DisplayManager::startUp(): No X display could be opened (DISPLAY "
          "'%s'); to play in a terminal, set 'terminal:true,' in the "
          "configuration file, or to run without a window or input, "
          "'headless:true,'.",
          displayName());
    return -1;
  }
  std::unique_ptr<BitmapFont> p_bitmap;
  int tile_scale = 1;
  if (readBitmapFont(p_bitmap, tile_scale) != 0) return -1;
  sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
  log_manager.writeLog(5, "DisplayManager::startUp(): window resolution (%d, %d) pixels.",
                       static_cast<int>(desktop.width), static_cast<int>(desktop.height));

  // A window that opened stays, even when its font cannot be had.
  WindowBackEnd *p_window_back_end = new WindowBackEnd;
  p_back_end.reset(p_window_back_end);
  if (p_bitmap) p_window_back_end->useBitmapFont(std::move(p_bitmap), tile_scale);
  if (p_window_back_end->open(window_horizontal_pixels, window_vertical_pixels) != 0) return -1;
  setBackgroundColor(config.getWindowBackgroundColor());
  p_window_back_end->prepareBatch(window_horizontal_chars, window_vertical_chars);
  return 0;
}

int DisplayManager::readBitmapFont(std::unique_ptr<BitmapFont> &p_bitmap, int &tile_scale) {
  LogManager &log_manager = LogManager::getInstance();
  const Config &config = Config::getInstance();
  const std::string file = config.getFontFile();
  std::string head;
  if (file.empty() || RegularFile::read(file, head, 64) != 0 ||
      !BitmapFont::looksLikeBitmapFont(head))
    return 0;  // TrueType, or nothing: the window's font loading says what is wrong
  p_bitmap.reset(new BitmapFont);
  std::string problem;
  if (p_bitmap->loadFromFile(file, problem) != 0) {
    log_manager.writeLog("DisplayManager::startUp(): Error! Font file '%s' refused: %s.",
                         file.c_str(), problem.c_str());
    p_bitmap.reset();
    return -1;
  }
  std::string scale_text = config.match("tile_scale");
  tile_scale = scale_text.empty() ? 1 : std::atoi(scale_text.c_str());
  if (tile_scale < 1 || tile_scale > MAX_TILE_SCALE) {
    log_manager.writeLog(
        "DisplayManager::startUp(): Warning! tile_scale '%s' is not a whole "
        "number from 1 to %d: using 1.",
        scale_text.c_str(), MAX_TILE_SCALE);
    tile_scale = 1;
  }
  // The cells are the glyphs: the window's pixels follow from them.
  int width = window_horizontal_chars * p_bitmap->getWidth() * tile_scale;
  int height = window_vertical_chars * p_bitmap->getHeight() * tile_scale;
  log_manager.writeLog(
      "DisplayManager::startUp(): bitmap font '%s', glyphs of %d x %d pixels, "
      "tile_scale %d: the window is %d x %d pixels (the configured %d x %d "
      "pixels are not used).",
      file.c_str(), p_bitmap->getWidth(), p_bitmap->getHeight(), tile_scale, width, height,
      window_horizontal_pixels, window_vertical_pixels);
  window_horizontal_pixels = width;
  window_vertical_pixels = height;
  return 0;
}

int DisplayManager::openTerminal() {
  releaseGraphics();
  std::unique_ptr<TerminalBackEnd> p_terminal_back_end(new TerminalBackEnd);
  const Config &config = Config::getInstance();
  if (p_terminal_back_end->open(window_horizontal_chars, window_vertical_chars,
                                config.getCharset() == "cp437") != 0)
    return -1;
  p_back_end = std::move(p_terminal_back_end);
  setBackgroundColor(config.getWindowBackgroundColor());
  // The size a game reads from now on: a change before the first frame is
  // a resize it hears of too.
  if (const TerminalDisplay *p_terminal = getTerminal()) {
    seen_columns = p_terminal->getTerminalColumns();
    seen_rows = p_terminal->getTerminalRows();
  }
  return 0;
}

void DisplayManager::shutDown() {
  p_back_end->logStatistics();
  releaseGraphics();
  seen_columns = seen_rows = 0;
  fixed_columns = fixed_rows = 0;
  Manager::shutDown();
  LogManager::getInstance().writeLog(1, "DisplayManager::shutDown(): successfully stopped.");
}

// Before start-up (also after a failed one, which may leave a window open)
// drawing logs and fails.
bool DisplayManager::startedToDraw() const {
  if (isStarted()) return true;
  LogManager::getInstance().writeLog("%s not started!", getType().c_str());
  return false;
}

// Without a window or terminal drawing fails silently.
bool DisplayManager::canDraw() const { return startedToDraw() && p_back_end->canDraw(); }

int DisplayManager::drawCh(Vector world_pos, char ch, Color color) const {
  // (A headless replay's cast draws into its offscreen terminal.)
  if (Config::getInstance().getHeadless() && !isTerminal()) return -1;
  // Black unless the colour names one: CUSTOM leaves the outputs unchanged.
  unsigned char r = 0, g = 0, b = 0;
  colorToRGB(color, r, g, b);
  return drawCh(world_pos, ch, r, g, b);
}

int DisplayManager::drawCh(Vector world_pos, char ch, unsigned char r, unsigned char g,
                           unsigned char b) const {
  // A back end that cannot draw answers -1 itself.
  if (!startedToDraw()) return -1;
  return p_back_end->drawCh(worldToView(world_pos), ch, r, g, b);
}

sf::Vector2f DisplayManager::polygonPoint(std::size_t index, std::size_t count, float radius) {
  return PolygonGeometry::point(index, count, radius);
}

int DisplayManager::drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                                sf::Color color) const {
  if (!startedToDraw()) return -1;
  return p_back_end->drawPolygon(x, y, radius, points, rotation, color);
}

int DisplayManager::drawPolygons(const DisplayBackEnd::Polygon &shape,
                                 const DisplayBackEnd::PolygonAt *p_at, std::size_t count) const {
  if (!startedToDraw()) return -1;
  return p_back_end->drawPolygons(shape, p_at, count);
}

void DisplayManager::flush() const { p_back_end->flush(); }

void DisplayManager::beginDrawing() { p_back_end->beginDrawing(); }

void DisplayManager::endDrawing() { p_back_end->endDrawing(); }

void DisplayManager::setBatching(bool new_batching) { p_back_end->setBatching(new_batching); }

int DisplayManager::drawCh(Vector world_pos, char ch, Color color, Color background) const {
  return drawCh(world_pos, ch, rgbOf(color), rgbOf(background));
}

int DisplayManager::drawCh(Vector world_pos, char ch, sf::Color color, sf::Color background) const {
  if (Config::getInstance().getHeadless() && !isTerminal()) return -1;
  if (!startedToDraw()) return -1;
  return p_back_end->drawChOver(worldToView(world_pos), ch, color, background);
}

int DisplayManager::drawString(Vector world_pos, std::string str, Justification just,
                               Color color) const {
  if (!canDraw()) return -1;
  int length = static_cast<int>(str.size());
  float start = startColumn(world_pos.getX(), length, just);
  for (int i = 0; i < length; i++)
    drawCh(Vector(start + static_cast<float>(i), world_pos.getY()), str[i], color);
  return 0;
}

int DisplayManager::drawString(Vector world_pos, std::string str, Justification just, Color color,
                               Color background) const {
  return drawString(world_pos, str, just, rgbOf(color), rgbOf(background));
}

int DisplayManager::drawString(Vector world_pos, const std::string &str, Justification just,
                               sf::Color color, sf::Color background) const {
  if (!canDraw()) return -1;
  int length = static_cast<int>(str.size());
  float start = startColumn(world_pos.getX(), length, just);
  for (int i = 0; i < length; i++)
    drawCh(Vector(start + static_cast<float>(i), world_pos.getY()), str[i], color, background);
  return 0;
}

int DisplayManager::drawMarkup(Vector world_pos, const std::string &text, Justification just,
                               Color color) const {
  return drawMarkupOver(world_pos, text, just, color, nullptr);
}

int DisplayManager::drawMarkup(Vector world_pos, const std::string &text, Justification just,
                               Color color, sf::Color background) const {
  return drawMarkupOver(world_pos, text, just, color, &background);
}

int DisplayManager::drawMarkupOver(Vector world_pos, const std::string &text, Justification just,
                                   Color color, const sf::Color *p_background) const {
  if (!canDraw()) return -1;
  sf::Color base = rgbOf(color);
  Markup::read(text, base, markup_chars, markup_colors);
  int length = static_cast<int>(markup_chars.size());
  float start = startColumn(world_pos.getX(), length, just);
  for (int i = 0; i < length; i++) {
    const sf::Color &cell = markup_colors[static_cast<std::size_t>(i)];
    Vector where(start + static_cast<float>(i), world_pos.getY());
    char ch = markup_chars[static_cast<std::size_t>(i)];
    if (p_background)
      drawCh(where, ch, cell, *p_background);
    else
      drawCh(where, ch, cell.r, cell.g, cell.b);
  }
  return 0;
}

int DisplayManager::drawFrame(Vector world_pos, Frame frame, bool centered, Color color,
                              char transparent) const {
  (void)centered;  // frames are always drawn centred on their position
  return frame.draw(world_pos, color, transparent);
}

int DisplayManager::getHorizontal() const { return window_horizontal_chars; }
int DisplayManager::getVertical() const { return window_vertical_chars; }
int DisplayManager::getHorizontalPixels() const { return window_horizontal_pixels; }
int DisplayManager::getVerticalPixels() const { return window_vertical_pixels; }

int DisplayManager::swapBuffers() {
  // The offsets apply to every glyph drawn during the coming step.
  auto nextShake = [this] {
    if (shake_duration > 0) {
      shake_x = shakeOffset(shake_scale_x);
      shake_y = shakeOffset(shake_scale_y);
      shake_duration--;
    } else {
      shake_x = 0;
      shake_y = 0;
    }
    p_back_end->setShake(shake_x, shake_y);
  };
  if (!canDraw()) {
    // Headless, a shake still takes its random numbers, so that the game's
    // random sequence is the same with or without a window (a recording
    // made in a window replays headless).
    if (isStarted()) nextShake();
    return -1;
  }
  p_back_end->present(p_capture);
  nextShake();
  noticeResize();
  return 0;
}

void DisplayManager::noticeResize() {
  TerminalDisplay *p_terminal = getTerminal();
  if (!p_terminal) return;
  int columns = p_terminal->getTerminalColumns(), rows = p_terminal->getTerminalRows();
  bool changed = seen_columns > 0 && (columns != seen_columns || rows != seen_rows);
  seen_columns = columns;
  seen_rows = rows;
  if (!changed || fixed_columns > 0) return;
  EventResize resize(columns, rows);
  Manager::handlerOf(RESIZE_EVENT).onEvent(&resize);  // the world manager
}

void DisplayManager::fixTerminalSize(int columns, int rows) {
  bool fixed = columns > 0 && rows > 0;
  fixed_columns = fixed ? columns : 0;
  fixed_rows = fixed ? rows : 0;
}

int DisplayManager::getTerminalHorizontal() const {
  if (fixed_columns > 0) return fixed_columns;
  TerminalDisplay *p_terminal = getTerminal();
  return p_terminal ? p_terminal->getTerminalColumns() : window_horizontal_chars;
}

int DisplayManager::getTerminalVertical() const {
  if (fixed_rows > 0) return fixed_rows;
  TerminalDisplay *p_terminal = getTerminal();
  return p_terminal ? p_terminal->getTerminalRows() : window_vertical_chars;
}

bool DisplayManager::setBackgroundColor(Color color) {
  if (Config::getInstance().getHeadless() && !isTerminal()) return false;
  window_background_color = colorToSFML(color);
  p_back_end->setBackground(window_background_color);
  return true;
}

sf::RenderWindow *DisplayManager::getWindow() const { return p_back_end->takeWindow(); }

void DisplayManager::shake(int scale_x, int scale_y, int duration, bool add) {
  if (add) {
    shake_scale_x += scale_x;
    shake_scale_y += scale_y;
    shake_duration += duration;
  } else {
    shake_scale_x = scale_x;
    shake_scale_y = scale_y;
    shake_duration = duration;
  }
}

}  // namespace sb
