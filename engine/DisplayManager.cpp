#include "DisplayManager.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "Cast.h"
#include "Config.h"
#include "DisplayProbe.h"
#include "Frame.h"
#include "LogManager.h"
#include "Placement.h"
#include "PolygonGeometry.h"
#include "TerminalDisplay.h"
#include "EngineFont.h"
#include "utility.h"

namespace sb {

namespace {

// Corners of the quads that carry no picture: the font page's white square
// (texels 0 and 1 in both directions), sampled between its texels.
const float WHITE_TEXEL = 1.0f;

// Glyph quads reach one texel beyond the glyph on every side, as text's do.
const float GLYPH_PADDING = 1.0f;

// One shake offset: (scale + 1) - 2 * (rand() mod (scale + 1)).
int shakeOffset(int scale) {
  int span = scale + 1;
  if (span == 0) return 0;  // a scale of -1 would divide by zero: no shake
  return span - 2 * (rand() % span);
}

// Positions beyond this many cells from the origin are in no terminal.
const float FAR_CELLS = 1.0e6f;
const int NO_CELL = -2000000;

// The terminal column or row of a view position: the nearest cell; NO_CELL
// for positions far outside any terminal (and not-a-number).
int nearestCell(float position) {
  if (!(position > -FAR_CELLS && position < FAR_CELLS)) return NO_CELL;
  return static_cast<int>(std::floor(position + 0.5f));
}

// A glyph shake in pixels as whole cells, at most a screen's width; a shake
// smaller than a cell still moves glyphs by one, so that it shows.
int shakeCells(int pixels, float cell_size) {
  if (pixels == 0 || !(cell_size > 0)) return 0;
  float cells = std::round(static_cast<float>(pixels) / cell_size);
  if (cells == 0) return pixels > 0 ? 1 : -1;
  return static_cast<int>(std::max(-1000.0f, std::min(cells, 1000.0f)));
}

// Loads the configured font file, else the first fallback font that loads
// (logging a warning that names both). 0, or -1 (logged) when none does.
int loadFont(sf::Font &font, const std::string &font_file) {
  LogManager &log_manager = LogManager::getInstance();
  if (font.loadFromFile(font_file)) return 0;
  for (const std::string &fallback : EngineFont::fallbackFiles()) {
    if (!font.loadFromFile(fallback)) continue;
    log_manager.writeLog("DisplayManager::startUp(): Warning! Unable to load font from file "
                         "'%s'; using the engine's font '%s'.",
                         font_file.c_str(), fallback.c_str());
    return 0;
  }
  log_manager.writeLog("DisplayManager::startUp(): Unable to load font from file '%s'.",
                       font_file.c_str());
  return -1;
}

}  // namespace

DisplayManager::DisplayManager()
    : p_window(nullptr),
      window_horizontal_pixels(0),
      window_vertical_pixels(0),
      window_horizontal_chars(0),
      window_vertical_chars(0),
      p_rectangle(nullptr),
      window_background_color(sf::Color::Black),
      p_text(nullptr),
      shake_duration(0),
      shake_scale_x(0),
      shake_scale_y(0),
      shake_x(0),
      shake_y(0) {
  setType("DisplayManager");
}

DisplayManager::~DisplayManager() { releaseGraphics(); }

DisplayManager &DisplayManager::getInstance() {
  static DisplayManager display_manager;
  return display_manager;
}

void DisplayManager::releaseGraphics() {
  if (p_window) {
    p_window->close();
    delete p_window;
    p_window = nullptr;
  }
  delete p_text;
  p_text = nullptr;
  batch.clear();
  p_font_texture = nullptr;
  delete p_rectangle;
  p_rectangle = nullptr;
  delete p_terminal;  // gives the terminal back
  p_terminal = nullptr;
  shake_cells_x = shake_cells_y = 0;
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
  cp437 = config.getCharset() == "cp437";

  // Cell sizes divide by the character counts, headless or not.
  if (window_horizontal_chars <= 0 || window_vertical_chars <= 0) {
    log_manager.writeLog("DisplayManager::startUp(): Error! Window size (%d, %d) characters "
                         "must be positive.",
                         window_horizontal_chars, window_vertical_chars);
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
    const char *display = getenv("DISPLAY");
    log_manager.writeLog("DisplayManager::startUp(): No X display could be opened (DISPLAY "
                         "'%s'); drawing into the terminal on standard output instead.",
                         display ? display : "");
    return openTerminal();
  }
  if (window_horizontal_pixels <= 0 || window_vertical_pixels <= 0 || !probe.available()) {
    log_manager.writeLog("DisplayManager::startUp(): Unable to allocate window!");
    if (!probe.available()) {
      const char *display = getenv("DISPLAY");
      log_manager.writeLog("DisplayManager::startUp(): No X display could be opened (DISPLAY "
                           "'%s'); to play in a terminal, set 'terminal:true,' in the "
                           "configuration file, or to run without a window or input, "
                           "'headless:true,'.",
                           display ? display : "");
    }
    return -1;
  }
  sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
  log_manager.writeLog(5, "DisplayManager::startUp(): window resolution (%d, %d) pixels.",
                       static_cast<int>(desktop.width), static_cast<int>(desktop.height));

  // The configured style values are SFML's style bits (5 title bar and
  // close button, 8 full screen).
  p_window = new sf::RenderWindow(
      sf::VideoMode(static_cast<unsigned int>(window_horizontal_pixels),
                    static_cast<unsigned int>(window_vertical_pixels), 32),
      config.getWindowTitle(), static_cast<sf::Uint32>(config.getWindowStyle()));
  if (!p_window->isOpen()) {
    delete p_window;
    p_window = nullptr;
    log_manager.writeLog("DisplayManager::startUp(): Unable to allocate window!");
    return -1;
  }
  p_window->setMouseCursorVisible(config.getShowMouse());
  p_window->setVerticalSyncEnabled(true);

  if (loadFont(font, config.getFontFile()) != 0) return -1;

  float cell_width = charWidth(), cell_height = charHeight();
  p_rectangle = new sf::RectangleShape(sf::Vector2f(cell_width, cell_height));
  float smaller = cell_width < cell_height ? cell_width : cell_height;
  p_text = new sf::Text();
  p_text->setFont(font);
  p_text->setStyle(sf::Text::Bold);
  float character_size = config.getFontScale() * smaller;
  if (!(character_size >= 0)) character_size = 0;  // NaN or negative
  if (character_size > MAX_CHARACTER_SIZE) character_size = MAX_CHARACTER_SIZE;
  p_text->setCharacterSize(static_cast<unsigned int>(character_size));

  setBackgroundColor(config.getWindowBackgroundColor());
  prepareBatch();
  return 0;
}

// Logs, and shows on screen for three seconds, that the terminal is
// smaller than the window.
void DisplayManager::warnOfSmallTerminal(const char *where) {
  int columns = p_terminal->getTerminalColumns(), rows = p_terminal->getTerminalRows();
  if (columns >= window_horizontal_chars && rows >= window_vertical_chars) {
    p_terminal->showNotice("", 0);  // everything fits again
    return;
  }
  LogManager::getInstance().writeLog("%s: Warning! The terminal has %d x %d cells, the window "
                                     "%d x %d: drawing what fits.",
                                     where, columns, rows, window_horizontal_chars,
                                     window_vertical_chars);
  int frame_time = Config::getInstance().getFrameTime();
  p_terminal->showNotice("Terminal " + std::to_string(columns) + "x" + std::to_string(rows) +
                             " is smaller than the game's " +
                             std::to_string(window_horizontal_chars) + "x" +
                             std::to_string(window_vertical_chars) + ": showing what fits",
                         frame_time > 0 ? 3000 / frame_time : 90);
}

int DisplayManager::openTerminal() {
  LogManager &log_manager = LogManager::getInstance();
  releaseGraphics();
  // A terminal that cannot move its cursor cannot show the game.
  const char *term = getenv("TERM");
  if (!term || !*term || strcmp(term, "dumb") == 0) {
    const char *message =
        "DisplayManager::startUp(): Error! The terminal (TERM '%s') cannot move its cursor, so "
        "the game cannot be drawn in it; set TERM to the terminal's type (such as "
        "xterm-256color or linux).";
    log_manager.writeLog(message, term ? term : "");
    fprintf(stderr, message, term ? term : "");
    fputc('\n', stderr);
    return -1;
  }
  int output_fd = isatty(STDOUT_FILENO)   ? STDOUT_FILENO
                  : isatty(STDERR_FILENO) ? STDERR_FILENO
                                          : -1;
  int input_fd = isatty(STDIN_FILENO) ? STDIN_FILENO : output_fd;
  Cast &cast = Cast::getInstance();
  if (cast.wantsOffscreen()) output_fd = input_fd = cast.offscreenFd();
  if (cast.startFromConfig(window_horizontal_chars, window_vertical_chars) != 0) return -1;
  // What the program printed so far stays on the normal screen.
  fflush(stdout);
  fflush(stderr);
  p_terminal = new TerminalDisplay;
  if (output_fd < 0 ||
      p_terminal->open(output_fd, input_fd, window_horizontal_chars, window_vertical_chars,
                       TerminalDisplay::colorModeFromEnvironment()) != 0) {
    delete p_terminal;
    p_terminal = nullptr;
    log_manager.writeLog("DisplayManager::startUp(): Error! Unable to draw into a terminal: "
                         "neither standard output nor standard error is one.");
    return -1;
  }
  terminal_size_changes = 0;
  warnOfSmallTerminal("DisplayManager::startUp()");
  TerminalDisplay::ColorMode mode = p_terminal->getColorMode();
  log_manager.writeLog(5, "DisplayManager::startUp(): drawing into the terminal (%s colour).",
                       mode == TerminalDisplay::TRUE_COLOR  ? "24-bit"
                       : mode == TerminalDisplay::COLORS_16 ? "16"
                                                            : "256");
  terminal_write_failed = false;
  p_terminal->setCp437(cp437);
  setBackgroundColor(Config::getInstance().getWindowBackgroundColor());
  return 0;
}

void DisplayManager::prepareBatch() {
  for (GlyphQuad &quad : glyphs) quad = GlyphQuad();
  batch.clear();
  // Room for two quads a cell; more grows as needed and is kept.
  std::size_t cells = static_cast<std::size_t>(window_horizontal_chars) *
                      static_cast<std::size_t>(window_vertical_chars);
  batch.reserve(std::min<std::size_t>(12 * cells, 1 << 20));
  // The texture of the one character size in use. SFML's font pages begin
  // with a 2 x 2 white square; without it everything is drawn piece by piece.
  const sf::Texture &texture = font.getTexture(p_text->getCharacterSize());
  sf::Image page = texture.copyToImage();
  bool white = page.getSize().x >= 2 && page.getSize().y >= 2;
  for (unsigned int x = 0; white && x < 2; x++)
    for (unsigned int y = 0; white && y < 2; y++)
      white = page.getPixel(x, y) == sf::Color::White;
  p_font_texture = white ? &texture : nullptr;
  if (!white)
    LogManager::getInstance().writeLog(
        "DisplayManager::startUp(): Warning! No white square in the font texture; drawing "
        "each character and shape with a call of its own.");
  batching = Config::getInstance().getBatchDrawing() && p_font_texture;
  calibrateLayer();
}

// Draws small shapes of many sizes, some with corners on pixel centres and
// borders, one call each, reads the window back, and keeps the first rules
// under which the layer covers exactly the pixels GL covered. Without such
// rules, small shapes are collected as triangles like everything else.
void DisplayManager::calibrateLayer() {
  layer_ready = false;
  layer.resize(0, 0);
  if (!p_font_texture) return;
  sf::Vector2u size = p_window->getSize();
  const int spacing = 32;
  int columns = static_cast<int>(size.x) / spacing - 1, rows = static_cast<int>(size.y) / spacing - 1;
  if (columns < 4 || rows < 4) return;

  struct Probe {
    float x, y, radius, rotation;
    std::size_t points;
  };
  std::vector<Probe> probes;
  std::mt19937 random(20261208);
  std::uniform_real_distribution<float> fraction(0, 1), radius(0.2f, 7);
  for (int row = 1; row < rows; row++)
    for (int column = 1; column < columns; column++) {
      Probe probe;
      probe.x = static_cast<float>(column * spacing);
      probe.y = static_cast<float>(row * spacing);
      probe.points = 3 + random() % 8;
      probe.rotation = random() % 4 == 0 ? 45.0f : 0.0f;
      if (random() % 3 == 0) {  // corners on pixel centres and borders
        probe.x += static_cast<float>(random() % 4) * 0.5f;
        probe.y += static_cast<float>(random() % 4) * 0.5f;
        probe.radius = static_cast<float>(1 + random() % 12) * 0.5f;
      } else {
        probe.x += fraction(random);
        probe.y += fraction(random);
        probe.radius = radius(random);
      }
      probes.push_back(probe);
    }
  p_window->clear(sf::Color::Black);
  sf::CircleShape figure;
  figure.setFillColor(sf::Color::White);
  for (const Probe &probe : probes) {
    figure.setPointCount(probe.points);
    figure.setRadius(probe.radius);
    figure.setRotation(probe.rotation);
    figure.setPosition(probe.x, probe.y);
    p_window->draw(figure);
  }
  sf::Texture texture;
  if (!texture.create(size.x, size.y)) return;
  texture.update(*p_window);
  sf::Image drawn = texture.copyToImage();
  p_window->clear(window_background_color);

  layer.resize(static_cast<int>(size.x), static_cast<int>(size.y));
  std::vector<unsigned char> covered(static_cast<std::size_t>(size.x) * size.y);
  std::vector<std::uint32_t> pixels(PixelLayer::MAX_COVERED);
  for (int variant = 0; variant < 8 && !layer_ready; variant++) {
    PixelLayer::Rules rules;
    rules.fused = variant & 1;
    rules.bottom_edge = variant & 2;
    rules.flipped = variant & 4;
    std::fill(covered.begin(), covered.end(), 0);
    bool resolved = true;
    for (std::size_t i = 0; i < probes.size() && resolved; i++) {
      const Probe &probe = probes[i];
      sf::Vector2f corners[64];
      polygonCorners(probe.x, probe.y, probe.radius, probe.points, probe.rotation, corners);
      for (std::size_t k = 1; k + 1 < probe.points && resolved; k++) {
        sf::Vector2f triangle[3] = {corners[0], corners[k], corners[k + 1]};
        int count = PixelLayer::triangle(triangle, static_cast<int>(size.x),
                                         static_cast<int>(size.y), rules, pixels.data());
        resolved = count >= 0;
        for (int n = 0; n < count; n++) covered[pixels[n]] = 1;
      }
    }
    bool same = resolved;
    for (unsigned int y = 0; y < size.y && same; y++)
      for (unsigned int x = 0; x < size.x && same; x++)
        same = (drawn.getPixel(x, y) == sf::Color::White) == (covered[y * size.x + x] == 1);
    if (same) {
      layer.setRules(rules);
      layer_ready = true;
    }
  }
  if (!layer_ready)
    LogManager::getInstance().writeLog(
        5, "DisplayManager::startUp(): small shapes are drawn as triangles (no pixel rules).");
}

void DisplayManager::shutDown() {
  releaseGraphics();
  Manager::shutDown();
  LogManager::getInstance().writeLog(1, "DisplayManager::shutDown(): successfully stopped.");
}

// Before start-up (also after a failed one, which may leave a window open)
// drawing logs and fails; without a window it fails silently.
bool DisplayManager::canDraw() const {
  if (!isStarted()) {
    LogManager::getInstance().writeLog("%s not started!", getType().c_str());
    return false;
  }
  return p_window != nullptr || p_terminal != nullptr;
}

int DisplayManager::drawCh(Vector world_pos, char ch, Color color) const {
  // (A headless replay's cast draws into its offscreen terminal.)
  if (Config::getInstance().getHeadless() && !p_terminal) return -1;
  // Black unless the colour names one: CUSTOM leaves the outputs unchanged.
  unsigned char r = 0, g = 0, b = 0;
  colorToRGB(color, r, g, b);
  return drawCh(world_pos, ch, r, g, b);
}

int DisplayManager::drawCh(Vector world_pos, char ch, unsigned char r, unsigned char g,
                           unsigned char b) const {
  if (!canDraw()) return -1;
  if (p_terminal) {
    Vector view = worldToView(world_pos);
    int column = nearestCell(view.getX()), row = nearestCell(view.getY());
    // A shaken glyph far outside stays outside.
    if (column != NO_CELL && row != NO_CELL)
      p_terminal->put(column + shake_cells_x, row + shake_cells_y, ch, r, g, b);
    return 0;
  }
  Vector pixel = spacesToPixels(worldToView(world_pos));
  float px = pixel.getX(), py = pixel.getY();
  float cell_width = static_cast<float>(window_horizontal_pixels) / window_horizontal_chars;
  float cell_height = static_cast<float>(window_vertical_pixels) / window_vertical_chars;

  Placement cell, glyph;
  if (batching) {
    emitLayer();
    float left = px - cell_width / 10, top = py + cell_height / 5;
    float x = px + shake_x, y = py + shake_y;
    cell = Placement::of(p_window->getView(), left, top, 0);
    glyph = Placement::of(p_window->getView(), x, y, 0);
    // The geometry of the rectangle and of the text object below, in the
    // same order: the background quad, then the glyph's.
    sf::Vector2f size = p_rectangle->getSize();
    addQuad(cell, 0, 0, size.x, size.y, p_rectangle->getFillColor(), WHITE_TEXEL, WHITE_TEXEL,
            WHITE_TEXEL, WHITE_TEXEL);
    const GlyphQuad &quad = glyphQuad(static_cast<unsigned char>(ch));
    if (!quad.blank)
      addQuad(glyph, quad.left, quad.top, quad.right, quad.bottom, sf::Color(r, g, b, 255),
              quad.u1, quad.v1, quad.u2, quad.v2);
    return 0;
  }

  // The cell's background first, so each character blanks what was beneath.
  p_rectangle->setPosition(px - cell_width / 10, py + cell_height / 5);
  p_window->draw(*p_rectangle);

  p_text->setString(
      sf::String(static_cast<sf::Uint32>(characterCodePoint(static_cast<unsigned char>(ch), cp437))));
  p_text->setPosition(px + shake_x, py + shake_y);
  p_text->setFillColor(sf::Color(r, g, b, 255));
  p_window->draw(*p_text);
  return 0;
}

// The glyph's quad as sf::Text lays out a one-character string in bold:
// the glyph's bounds grown by the padding, below the first baseline.
const DisplayManager::GlyphQuad &DisplayManager::glyphQuad(unsigned char ch) const {
  GlyphQuad &quad = glyphs[ch];
  if (quad.loaded) return quad;
  quad.loaded = true;
  unsigned int code = characterCodePoint(ch, cp437);
  quad.blank = code == ' ' || code == '\t' || code == '\n' || code == '\r';
  if (quad.blank) return quad;
  unsigned int size = p_text->getCharacterSize();
  const sf::Glyph &glyph = font.getGlyph(code, size, true);
  float baseline = static_cast<float>(size);
  quad.left = glyph.bounds.left - GLYPH_PADDING;
  quad.top = baseline + (glyph.bounds.top - GLYPH_PADDING);
  quad.right = glyph.bounds.left + glyph.bounds.width + GLYPH_PADDING;
  quad.bottom = baseline + (glyph.bounds.top + glyph.bounds.height + GLYPH_PADDING);
  const sf::IntRect &rect = glyph.textureRect;
  quad.u1 = static_cast<float>(rect.left) - GLYPH_PADDING;
  quad.v1 = static_cast<float>(rect.top) - GLYPH_PADDING;
  quad.u2 = static_cast<float>(rect.left + rect.width) + GLYPH_PADDING;
  quad.v2 = static_cast<float>(rect.top + rect.height) + GLYPH_PADDING;
  return quad;
}

// Two triangles: top left, top right, bottom left; bottom left, top right,
// bottom right (the order in which text builds its glyph quads).
void DisplayManager::addQuad(const Placement &placement, float left, float top, float right,
                             float bottom, sf::Color color, float u1, float v1, float u2,
                             float v2) const {
  sf::Vertex top_left(placement.apply(left, top), color, sf::Vector2f(u1, v1));
  sf::Vertex top_right(placement.apply(right, top), color, sf::Vector2f(u2, v1));
  sf::Vertex bottom_left(placement.apply(left, bottom), color, sf::Vector2f(u1, v2));
  sf::Vertex bottom_right(placement.apply(right, bottom), color, sf::Vector2f(u2, v2));
  batch.push_back(top_left);
  batch.push_back(top_right);
  batch.push_back(bottom_left);
  batch.push_back(bottom_left);
  batch.push_back(top_right);
  batch.push_back(bottom_right);
}

sf::Vector2f DisplayManager::polygonPoint(std::size_t index, std::size_t count, float radius) {
  return PolygonGeometry::point(index, count, radius);
}

int DisplayManager::drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                                sf::Color color) const {
  if (!canDraw()) return -1;
  if (p_terminal) {
    fillTerminalCells(x, y, radius, points, rotation, color);
    return 0;
  }
  if (!batching) {
    static sf::CircleShape figure(0, 30);
    if (figure.getPointCount() != points) figure.setPointCount(points);
    if (figure.getRadius() != radius) figure.setRadius(radius);
    figure.setRotation(rotation);
    figure.setPosition(x, y);
    figure.setFillColor(color);
    p_window->draw(figure);
    return 0;
  }
  if (points < 3) return 0;  // SFML draws nothing either

  const sf::Vector2f white(WHITE_TEXEL, WHITE_TEXEL);
  if (points <= PixelLayer::MAX_CORNERS) {
    sf::Vector2f corners[PixelLayer::MAX_CORNERS];
    polygonCorners(x, y, radius, points, rotation, corners);
    if (color.a == 255 && layerFits() && layer.addPolygon(corners, points, color)) return 0;
    emitLayer();
    for (std::size_t i = 2; i < points; i++) {
      batch.push_back(sf::Vertex(corners[0], color, white));
      batch.push_back(sf::Vertex(corners[i - 1], color, white));
      batch.push_back(sf::Vertex(corners[i], color, white));
    }
    return 0;
  }

  // A fan from the first corner covers exactly the pixels that SFML's fan
  // from the centre covers, with two triangles fewer.
  emitLayer();
  Placement placement = Placement::of(p_window->getView(), x, y, rotation);
  auto corner = [&](std::size_t index) {
    sf::Vector2f p = PolygonGeometry::point(index, points, radius);
    return sf::Vertex(placement.apply(p.x, p.y), color, white);
  };
  sf::Vertex first = corner(0);
  sf::Vertex previous = corner(1);
  for (std::size_t i = 2; i < points; i++) {
    sf::Vertex current = corner(i);
    batch.push_back(first);
    batch.push_back(previous);
    batch.push_back(current);
    previous = current;
  }
  return 0;
}

// The cells whose positions fall inside the polygon's bounds; a polygon
// smaller than a cell fills the cell nearest its centre.
void DisplayManager::fillTerminalCells(float x, float y, float radius, std::size_t points,
                                       float rotation, sf::Color color) const {
  if (points < 3 || color.a == 0) return;
  PolygonGeometry::Bounds bounds = PolygonGeometry::bounds(x, y, radius, points, rotation);
  float left = bounds.left, right = bounds.right, top = bounds.top, bottom = bounds.bottom;
  float cell_width = charWidth(), cell_height = charHeight();
  // Cell ranges, clamped to the window before they become ints.
  auto first = [](float pixel, float cell, int cells) {
    return static_cast<int>(std::max(0.0f, std::min(std::ceil(pixel / cell), float(cells))));
  };
  auto last = [](float pixel, float cell, int cells) {
    return static_cast<int>(std::max(-1.0f, std::min(std::floor(pixel / cell), float(cells - 1))));
  };
  if (!std::isfinite(left + right + top + bottom)) return;
  int column_from = first(left, cell_width, window_horizontal_chars);
  int column_to = last(right, cell_width, window_horizontal_chars);
  int row_from = first(top, cell_height, window_vertical_chars);
  int row_to = last(bottom, cell_height, window_vertical_chars);
  if (column_from > column_to || row_from > row_to) {
    column_from = column_to = nearestCell((left + right) / 2 / cell_width);
    row_from = row_to = nearestCell((top + bottom) / 2 / cell_height);  // NO_CELL: not shown
  }
  for (int row = row_from; row <= row_to; row++)
    for (int column = column_from; column <= column_to; column++)
      p_terminal->fill(column, row, color.r, color.g, color.b, color.a);
}

void DisplayManager::polygonCorners(float x, float y, float radius, std::size_t count,
                                    float rotation, sf::Vector2f *corners) const {
  PolygonGeometry::corners(Placement::of(p_window->getView(), x, y, rotation), radius, count,
                           corners);
}

bool DisplayManager::layerFits() const {
  if (!layer_ready) return false;
  if (!layer_checked) {
    sf::Vector2u size = p_window->getSize();
    layer_fits = static_cast<int>(size.x) == layer.getWidth() &&
                 static_cast<int>(size.y) == layer.getHeight() &&
                 p_window->getView().getViewport() == sf::FloatRect(0, 0, 1, 1);
    layer_checked = true;
  }
  return layer_fits;
}

void DisplayManager::emitLayer() const {
  if (!layer.empty()) layer.emit(batch, sf::Vector2f(WHITE_TEXEL, WHITE_TEXEL));
}

void DisplayManager::flush() const {
  emitLayer();
  if (batch.empty()) return;
  if (p_window && p_font_texture) {
    // The corners are in clip coordinates already: a view that maps them
    // onto themselves, in the viewport of the window's view.
    sf::View view = p_window->getView();
    sf::View clip(sf::Vector2f(0, 0), sf::Vector2f(2, -2));
    clip.setViewport(view.getViewport());
    p_window->setView(clip);
    sf::RenderStates states;
    states.texture = p_font_texture;
    p_window->draw(batch.data(), batch.size(), sf::Triangles, states);
    p_window->setView(view);
    batch_draws++;
  }
  batch.clear();
}

void DisplayManager::setBatching(bool new_batching) {
  flush();
  batching = new_batching && p_font_texture;
}

int DisplayManager::drawString(Vector world_pos, std::string str, Justification just,
                               Color color) const {
  if (!canDraw()) return -1;
  int length = static_cast<int>(str.size());
  float start = world_pos.getX();
  if (just == CENTER_JUSTIFIED)
    start -= static_cast<float>(length / 2);
  else if (just == RIGHT_JUSTIFIED)
    start -= static_cast<float>(length);
  for (int i = 0; i < length; i++)
    drawCh(Vector(start + static_cast<float>(i), world_pos.getY()), str[i], color);
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
    shake_cells_x = shakeCells(shake_x, charWidth());
    shake_cells_y = shakeCells(shake_y, charHeight());
  };
  if (!canDraw()) {
    // Headless, a shake still takes its random numbers, so that the game's
    // random sequence is the same with or without a window (a recording
    // made in a window replays headless).
    if (isStarted()) nextShake();
    return -1;
  }
  if (p_terminal) {
    if (p_terminal->present() < 0 && !terminal_write_failed) {
      LogManager::getInstance().writeLog(
          "DisplayManager::swapBuffers(): Warning! Unable to write to the terminal.");
      terminal_write_failed = true;
    }
    if (p_terminal->getSizeChanges() != terminal_size_changes) {  // resized
      terminal_size_changes = p_terminal->getSizeChanges();
      LogManager::getInstance().writeLog(
          5, "DisplayManager::swapBuffers(): the terminal now has %d x %d cells.",
          p_terminal->getTerminalColumns(), p_terminal->getTerminalRows());
      warnOfSmallTerminal("DisplayManager::swapBuffers()");
    }
  } else {
    flush();
    layer_checked = false;
    if (p_capture) p_capture->update(*p_window);  // the finished frame, before it is shown
    p_window->display();
    p_window->clear(window_background_color);
  }

  nextShake();
  return 0;
}

bool DisplayManager::setBackgroundColor(Color color) {
  if (Config::getInstance().getHeadless() && !p_terminal) return false;
  window_background_color = colorToSFML(color);
  if (p_rectangle) p_rectangle->setFillColor(window_background_color);
  if (p_terminal)
    p_terminal->setBackground(window_background_color.r, window_background_color.g,
                              window_background_color.b);
  return true;
}

sf::RenderWindow *DisplayManager::getWindow() const {
  flush();
  layer_checked = false;  // the taker may change the view
  return p_window;
}

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
