#include "WindowBackEnd.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

#include "Config.h"
#include "Constants.h"
#include "EngineFont.h"
#include "LogManager.h"
#include "RegularFile.h"
#include "PolygonGeometry.h"
#include "utility.h"

namespace sb {

namespace {

const sf::Vector2f WHITE_SQUARE(VertexBatch::WHITE_TEXEL, VertexBatch::WHITE_TEXEL);

// Loads the configured font file, else the first fallback font that loads
// (logging a warning that names both). 0, or -1 (logged) when none does.
int loadFont(sf::Font &font, const std::string &font_file) {
  LogManager &log_manager = LogManager::getInstance();
  // With no font file named and none of the default name at hand, the
  // engine's own font is the quiet default.
  bool named = font_file != FONT_FILE_DEFAULT || RegularFile::status(font_file) != -1;
  if (named && font.loadFromFile(font_file)) return 0;
  for (const std::string &fallback : EngineFont::fallbackFiles()) {
    if (!font.loadFromFile(fallback)) continue;
    if (named)
      log_manager.writeLog(
          "DisplayManager::startUp(): Warning! Unable to load font from file "
          "'%s'; using the engine's font '%s'.",
          font_file.c_str(), fallback.c_str());
    else
      log_manager.writeLog(1, "DisplayManager::startUp(): Using the engine's font '%s'.",
                           fallback.c_str());
    return 0;
  }
  log_manager.writeLog("DisplayManager::startUp(): Unable to load font from file '%s'.",
                       font_file.c_str());
  return -1;
}

}  // namespace

WindowBackEnd::WindowBackEnd() = default;

WindowBackEnd::~WindowBackEnd() {
  if (p_window) p_window->close();
}

int WindowBackEnd::open(int width, int height) {
  LogManager &log_manager = LogManager::getInstance();
  const Config &config = Config::getInstance();
  // The configured style values are SFML's style bits (5 title bar and
  // close button, 8 full screen).
  p_window.reset(new sf::RenderWindow(
      sf::VideoMode(static_cast<unsigned int>(width), static_cast<unsigned int>(height), 32),
      config.getWindowTitle(), static_cast<sf::Uint32>(config.getWindowStyle())));
  if (!p_window->isOpen()) {
    p_window.reset();
    log_manager.writeLog("DisplayManager::startUp(): Unable to allocate window!");
    return -1;
  }
  p_window->setMouseCursorVisible(config.getShowMouse());
  p_window->setVerticalSyncEnabled(true);

  cell_width = charWidth();
  cell_height = charHeight();
  cp437 = config.getCharset() == "cp437";
  if (p_bitmap) {
    if (!prepareBitmap()) return -1;
    p_rectangle.reset(new sf::RectangleShape(sf::Vector2f(cell_width, cell_height)));
    p_rectangle->setFillColor(background);
    return 0;
  }
  if (loadFont(font, config.getFontFile()) != 0) return -1;

  p_rectangle.reset(new sf::RectangleShape(sf::Vector2f(cell_width, cell_height)));
  p_rectangle->setFillColor(background);
  float smaller = cell_width < cell_height ? cell_width : cell_height;
  p_text.reset(new sf::Text());
  p_text->setFont(font);
  p_text->setStyle(sf::Text::Bold);
  float character_size = config.getFontScale() * smaller;
  if (!(character_size >= 0)) character_size = 0;  // NaN or negative
  if (character_size > MAX_CHARACTER_SIZE) character_size = MAX_CHARACTER_SIZE;
  p_text->setCharacterSize(static_cast<unsigned int>(character_size));
  cp437 = config.getCharset() == "cp437";
  return 0;
}

void WindowBackEnd::useBitmapFont(std::unique_ptr<BitmapFont> p_font, int scale) {
  p_bitmap = std::move(p_font);
  tile_scale = scale;
}

bool WindowBackEnd::prepareBitmap() {
  int width = p_bitmap->getWidth(), height = p_bitmap->getHeight();
  int count = p_bitmap->getGlyphCount();
  int rows = (count + ATLAS_COLUMNS - 1) / ATLAS_COLUMNS;
  sf::Image atlas;
  // One row more, for the white texel the collected cell backgrounds use.
  atlas.create(static_cast<unsigned>(ATLAS_COLUMNS * width),
               static_cast<unsigned>((rows + 1) * height), sf::Color::Transparent);
  atlas.setPixel(0, static_cast<unsigned>(rows * height), sf::Color::White);
  white_texel = sf::Vector2f(0.5f, static_cast<float>(rows * height) + 0.5f);
  for (int glyph = 0; glyph < count; glyph++)
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++)
        if (p_bitmap->isSet(glyph, x, y))
          atlas.setPixel(static_cast<unsigned>(glyph % ATLAS_COLUMNS * width + x),
                         static_cast<unsigned>(glyph / ATLAS_COLUMNS * height + y),
                         sf::Color::White);
  if (!bitmap_texture.loadFromImage(atlas)) {
    LogManager::getInstance().writeLog(
        "DisplayManager::startUp(): Error! The bitmap font's %d glyphs do not fit a texture.",
        count);
    return false;
  }
  bitmap_glyph.setTexture(bitmap_texture);
  bitmap_glyph.setScale(static_cast<float>(tile_scale), static_cast<float>(tile_scale));
  return true;
}

void WindowBackEnd::addBitmapQuad(sf::Vector2f at, sf::Vector2f size, sf::Vector2f texel,
                                  sf::Vector2f texel_size, sf::Color color) {
  const sf::Vector2f corners[6] = {{0, 0}, {1, 0}, {0, 1}, {0, 1}, {1, 0}, {1, 1}};
  for (const sf::Vector2f &c : corners)
    bitmap_cells.append(
        sf::Vertex(sf::Vector2f(at.x + c.x * size.x, at.y + c.y * size.y), color,
                   sf::Vector2f(texel.x + c.x * texel_size.x, texel.y + c.y * texel_size.y)));
}

void WindowBackEnd::flushBitmap() {
  if (bitmap_cells.getVertexCount() == 0 || !p_window) return;
  p_window->draw(bitmap_cells, &bitmap_texture);
  bitmap_cells.clear();
}

void WindowBackEnd::drawBitmapCell(float px, float py, char ch, sf::Color color,
                                   sf::Color cell_background) {
  int glyph = p_bitmap->glyphFor(characterCodePoint(static_cast<unsigned char>(ch), cp437));
  bool blank = glyph < 0 || ch == ' ';
  if (bitmap_batching) {
    addBitmapQuad(sf::Vector2f(px, py), sf::Vector2f(cell_width, cell_height), white_texel,
                  sf::Vector2f(0, 0), cell_background);
    if (blank) return;
    float width = static_cast<float>(p_bitmap->getWidth());
    float height = static_cast<float>(p_bitmap->getHeight());
    addBitmapQuad(sf::Vector2f(px + static_cast<float>(shake_x), py + static_cast<float>(shake_y)),
                  sf::Vector2f(width * static_cast<float>(tile_scale),
                               height * static_cast<float>(tile_scale)),
                  sf::Vector2f(static_cast<float>(glyph % ATLAS_COLUMNS) * width,
                               static_cast<float>(glyph / ATLAS_COLUMNS) * height),
                  sf::Vector2f(width, height), color);
    return;
  }
  p_rectangle->setPosition(px, py);
  p_rectangle->setFillColor(cell_background);
  p_window->draw(*p_rectangle);
  p_rectangle->setFillColor(background);
  if (blank) return;
  int width = p_bitmap->getWidth(), height = p_bitmap->getHeight();
  bitmap_glyph.setTextureRect(
      sf::IntRect(glyph % ATLAS_COLUMNS * width, glyph / ATLAS_COLUMNS * height, width, height));
  bitmap_glyph.setPosition(px + static_cast<float>(shake_x), py + static_cast<float>(shake_y));
  bitmap_glyph.setColor(color);
  p_window->draw(bitmap_glyph);
}

void WindowBackEnd::prepareBatch(int columns, int rows) {
  if (p_bitmap) {  // a bitmap font collects its own cells
    batching = false;
    bitmap_batching = Config::getInstance().getBatchDrawing();
    return;
  }
  std::size_t cells = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  if (!batch.prepare(font, p_text->getCharacterSize(), cells, cp437))
    LogManager::getInstance().writeLog(
        "DisplayManager::startUp(): Warning! No white square in the font texture; drawing "
        "each character and shape with a call of its own.");
  batching = Config::getInstance().getBatchDrawing() && batch.getTexture();
  calibrateLayer();
}

// Draws small shapes of many sizes, some with corners on pixel centres and
// borders, one call each, reads the window back, and keeps the first rules
// under which the layer covers exactly the pixels GL covered. Without such
// rules, small shapes are collected as triangles like everything else.
void WindowBackEnd::calibrateLayer() {
  layer_ready = false;
  layer.resize(0, 0);
  if (!batch.getTexture()) return;
  sf::Vector2u size = p_window->getSize();
  const int spacing = 32;
  int columns = static_cast<int>(size.x) / spacing - 1;
  int rows = static_cast<int>(size.y) / spacing - 1;
  if (columns < 4 || rows < 4) return;

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
  sf::Image drawn;
  if (!drawProbes(probes, drawn)) return;

  layer.resize(static_cast<int>(size.x), static_cast<int>(size.y));
  for (int variant = 0; variant < 8 && !layer_ready; variant++) {
    PixelLayer::Rules rules;
    rules.fused = variant & 1;
    rules.bottom_edge = variant & 2;
    rules.flipped = variant & 4;
    if (rulesCover(rules, probes, drawn)) {
      layer.setRules(rules);
      layer_ready = true;
    }
  }
  if (!layer_ready)
    LogManager::getInstance().writeLog(
        5, "DisplayManager::startUp(): small shapes are drawn as triangles (no pixel rules).");
}

// The probes drawn white on black, one call each, read back into drawn;
// false when the window cannot be read.
bool WindowBackEnd::drawProbes(const std::vector<Probe> &probes, sf::Image &drawn) {
  sf::Vector2u size = p_window->getSize();
  p_window->clear(sf::Color::Black);
  sf::CircleShape probe_figure;
  probe_figure.setFillColor(sf::Color::White);
  for (const Probe &probe : probes) {
    probe_figure.setPointCount(probe.points);
    probe_figure.setRadius(probe.radius);
    probe_figure.setRotation(probe.rotation);
    probe_figure.setPosition(probe.x, probe.y);
    p_window->draw(probe_figure);
  }
  sf::Texture texture;
  if (!texture.create(size.x, size.y)) return false;
  texture.update(*p_window);
  drawn = texture.copyToImage();
  p_window->clear(background);
  return true;
}

// Whether the layer under rules covers exactly the white pixels of drawn.
bool WindowBackEnd::rulesCover(const PixelLayer::Rules &rules, const std::vector<Probe> &probes,
                               const sf::Image &drawn) {
  sf::Vector2u size = drawn.getSize();
  std::vector<unsigned char> covered(static_cast<std::size_t>(size.x) * size.y);
  std::vector<std::uint32_t> pixels(PixelLayer::MAX_COVERED);
  const sf::View &view = p_window->getView();
  for (const Probe &probe : probes) {
    sf::Vector2f corners[PolygonGeometry::CACHED_CORNERS];
    Placement placement = Placement::of(view, probe.x, probe.y, probe.rotation);
    PolygonGeometry::corners(placement, probe.radius, probe.points, corners);
    for (std::size_t k = 1; k + 1 < probe.points; k++) {
      sf::Vector2f triangle[3] = {corners[0], corners[k], corners[k + 1]};
      int count = PixelLayer::triangle(triangle, static_cast<int>(size.x), static_cast<int>(size.y),
                                       rules, pixels.data());
      if (count < 0) return false;
      for (int n = 0; n < count; n++) covered[pixels[n]] = 1;
    }
  }
  for (unsigned int y = 0; y < size.y; y++)
    for (unsigned int x = 0; x < size.x; x++)
      if ((drawn.getPixel(x, y) == sf::Color::White) != (covered[y * size.x + x] == 1))
        return false;
  return true;
}

bool WindowBackEnd::canDraw() const { return p_window != nullptr; }

int WindowBackEnd::drawCh(Vector view_pos, char ch, unsigned char r, unsigned char g,
                          unsigned char b) {
  Vector pixel = spacesToPixels(view_pos);
  float px = pixel.getX(), py = pixel.getY();
  if (p_bitmap) {
    drawBitmapCell(px, py, ch, sf::Color(r, g, b, 255), background);
    return 0;
  }
  if (batching) return drawCollected(px, py, ch, sf::Color(r, g, b, 255));

  // The cell's background first, so each character blanks what was beneath.
  p_rectangle->setPosition(px - cell_width / 10, py + cell_height / 5);
  p_window->draw(*p_rectangle);
  drawGlyph(px, py, ch, sf::Color(r, g, b, 255));
  return 0;
}

int WindowBackEnd::drawChOver(Vector view_pos, char ch, sf::Color color,
                              sf::Color cell_background) {
  Vector pixel = spacesToPixels(view_pos);
  float px = pixel.getX(), py = pixel.getY();
  color.a = cell_background.a = 255;
  if (p_bitmap) {
    drawBitmapCell(px, py, ch, color, cell_background);
    return 0;
  }
  if (batching) return drawCollected(px, py, ch, color, &cell_background);
  // The cell's rectangle, where every character blanks its cell, in this
  // cell's own colour.
  sf::Color usual = p_rectangle->getFillColor();
  p_rectangle->setFillColor(cell_background);
  p_rectangle->setPosition(px - cell_width / 10, py + cell_height / 5);
  p_window->draw(*p_rectangle);
  p_rectangle->setFillColor(usual);
  drawGlyph(px, py, ch, color);
  return 0;
}

void WindowBackEnd::drawGlyph(float px, float py, char ch, sf::Color color) {
  p_text->setString(sf::String(
      static_cast<sf::Uint32>(characterCodePoint(static_cast<unsigned char>(ch), cp437))));
  p_text->setPosition(px + shake_x, py + shake_y);
  p_text->setFillColor(color);
  p_window->draw(*p_text);
}

// The geometry of the rectangle and of the text object, in the same order:
// the background quad, then the glyph's.
int WindowBackEnd::drawCollected(float px, float py, char ch, sf::Color color,
                                 const sf::Color *p_cell_background) {
  emitLayer();
  const sf::View &view = p_window->getView();
  Placement cell = Placement::of(view, px - cell_width / 10, py + cell_height / 5, 0);
  Placement glyph = Placement::of(view, px + shake_x, py + shake_y, 0);
  const float white = VertexBatch::WHITE_TEXEL;
  sf::Vector2f size = p_rectangle->getSize();
  batch.addQuad(cell, 0, 0, size.x, size.y,
                p_cell_background ? *p_cell_background : p_rectangle->getFillColor(), white, white,
                white, white);
  const VertexBatch::GlyphQuad &quad = batch.glyph(static_cast<unsigned char>(ch));
  if (!quad.blank)
    batch.addQuad(glyph, quad.left, quad.top, quad.right, quad.bottom, color, quad.u1, quad.v1,
                  quad.u2, quad.v2);
  return 0;
}

int WindowBackEnd::drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                               sf::Color color) {
  if (!batching) {
    flushBitmap();  // cells drawn before stay beneath
    if (figure.getPointCount() != points) figure.setPointCount(points);
    if (figure.getRadius() != radius) figure.setRadius(radius);
    figure.setRotation(rotation);
    figure.setPosition(x, y);
    figure.setFillColor(color);
    p_window->draw(figure);
    return 0;
  }
  if (points < 3) return 0;  // SFML draws nothing either
  drawCollectedPolygon(x, y, radius, points, rotation, color);
  return 0;
}

void WindowBackEnd::drawCollectedPolygon(float x, float y, float radius, std::size_t points,
                                         float rotation, sf::Color color) {
  Placement placement = Placement::of(p_window->getView(), x, y, rotation);
  if (points <= PixelLayer::MAX_CORNERS) {
    sf::Vector2f corners[PixelLayer::MAX_CORNERS];
    PolygonGeometry::corners(placement, radius, points, corners);
    if (color.a == 255 && layerFits() && layer.addPolygon(corners, points, color)) return;
    emitLayer();
    for (std::size_t i = 2; i < points; i++)
      batch.addTriangle(sf::Vertex(corners[0], color, WHITE_SQUARE),
                        sf::Vertex(corners[i - 1], color, WHITE_SQUARE),
                        sf::Vertex(corners[i], color, WHITE_SQUARE));
    return;
  }
  // A fan from the first corner covers exactly the pixels that SFML's fan
  // from the centre covers, with two triangles fewer.
  emitLayer();
  auto corner = [&](std::size_t index) {
    sf::Vector2f p = PolygonGeometry::point(index, points, radius);
    return sf::Vertex(placement.apply(p.x, p.y), color, WHITE_SQUARE);
  };
  sf::Vertex first = corner(0);
  sf::Vertex previous = corner(1);
  for (std::size_t i = 2; i < points; i++) {
    sf::Vertex current = corner(i);
    batch.addTriangle(first, previous, current);
    previous = current;
  }
}

bool WindowBackEnd::layerFits() {
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

// The layer's pixels into the batch, before anything drawn after them.
void WindowBackEnd::emitLayer() {
  if (!layer.empty()) layer.emit(batch.getVertices(), WHITE_SQUARE);
}

void WindowBackEnd::present(sf::Texture *p_capture) {
  flush();
  layer_checked = false;
  if (p_capture) p_capture->update(*p_window);  // the finished frame, before it is shown
  p_window->display();
  p_window->clear(background);
}

void WindowBackEnd::setShake(int x_pixels, int y_pixels) {
  shake_x = x_pixels;
  shake_y = y_pixels;
}

void WindowBackEnd::setBackground(sf::Color color) {
  background = color;
  if (p_rectangle) p_rectangle->setFillColor(background);
}

void WindowBackEnd::flush() {
  flushBitmap();
  emitLayer();
  if (p_window) batch.draw(*p_window);
}

sf::RenderWindow *WindowBackEnd::takeWindow() {
  flush();
  layer_checked = false;  // the taker may change the view
  return p_window.get();
}

bool WindowBackEnd::hasWindow() const { return p_window != nullptr; }

void WindowBackEnd::setBatching(bool new_batching) {
  flush();
  batching = new_batching && batch.getTexture();
  if (p_bitmap) bitmap_batching = new_batching;
}

bool WindowBackEnd::getBatching() const { return p_bitmap ? bitmap_batching : batching; }

long long WindowBackEnd::getBatchDraws() const { return batch.getDraws(); }

bool WindowBackEnd::getPixelLayerReady() const { return layer_ready; }

}  // namespace sb
