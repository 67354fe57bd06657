#ifndef SORBELANE_WINDOW_BACK_END_H
#define SORBELANE_WINDOW_BACK_END_H

#include <cstddef>
#include <memory>
#include <vector>

#include <SFML/Graphics.hpp>

#include "BitmapFont.h"
#include "DisplayBackEnd.h"
#include "PixelLayer.h"
#include "VertexBatch.h"

namespace sb {

/// The display drawn into a window through SFML. By default the cells,
/// glyphs and shapes of a frame are collected into one vertex array, in
/// drawing order, and handed to the window in one draw call when the frame
/// is shown or someone takes the window; the pixels are those of drawing
/// each piece on its own, which the immediate mode still does.
class WindowBackEnd : public DisplayBackEnd {
 public:
  /// A back end without a window yet.
  WindowBackEnd();
  /// Closes the window.
  ~WindowBackEnd() override;

  /// Opens a window of width x height pixels with the configured title,
  /// style and mouse cursor, and loads the font (the configured file, else
  /// the engine's own, logged as a warning); cells are charWidth() x
  /// charHeight() pixels. 0, or -1 (logged) when the window or any font
  /// cannot be had; a window that opened stays open.
  int open(int width, int height);
  /// Draws with a bitmap font instead of TrueType, each glyph pixel
  /// scale x scale window pixels (call before open()): every cell is then
  /// exactly its glyph's pixels, the background filling the cell.
  void useBitmapFont(std::unique_ptr<BitmapFont> p_font, int scale);
  /// Readies collected drawing for a window of this many cells and finds
  /// the pixel layer's rules (call after open() and setBackground()).
  void prepareBatch(int columns, int rows);

  /// Whether the window is open.
  bool canDraw() const override;
  /// Draws the cell's background rectangle, then the glyph moved by the shake.
  int drawCh(Vector view_pos, char ch, unsigned char r, unsigned char g, unsigned char b) override;
  /// Draws the cell's background rectangle in cell_background, then the
  /// glyph moved by the shake.
  int drawChOver(Vector view_pos, char ch, sf::Color color, sf::Color cell_background) override;
  /// Draws the polygon as sf::CircleShape would, collected or on its own.
  int drawPolygon(float x, float y, float radius, std::size_t points, float rotation,
                  sf::Color color) override;
  /// Flushes, copies the frame into p_capture (unless null), shows it and
  /// clears the window to the background colour.
  void present(sf::Texture *p_capture) override;
  /// Sets the glyph offsets in pixels.
  void setShake(int x_pixels, int y_pixels) override;
  /// Sets the clear colour and the cell rectangle's fill colour.
  void setBackground(sf::Color color) override;

  /// Hands what has been collected to the window, in one draw call.
  void flush() override;
  /// The window after flush(); the layer's fit is checked again.
  sf::RenderWindow *takeWindow() override;
  /// Whether the window exists.
  bool hasWindow() const override;
  /// Collected drawing or one draw call a piece; switching flushes first.
  /// Collecting stays off without a white square on the font page.
  void setBatching(bool new_batching) override;
  /// Whether drawing is collected.
  bool getBatching() const override;
  /// Draw calls that handed collected drawing to the window.
  long long getBatchDraws() const override;
  /// Whether small opaque shapes are resolved to pixels.
  bool getPixelLayerReady() const override;

 private:
  sf::Font font;
  // A bitmap font, when one is used: its glyphs as white pixels in a texture.
  std::unique_ptr<BitmapFont> p_bitmap;
  sf::Texture bitmap_texture;
  sf::Sprite bitmap_glyph;
  int tile_scale = 1;
  static const int ATLAS_COLUMNS = 64;
  // Collected bitmap cells (two triangles for the background, on the
  // atlas's white texel, and two for the glyph), drawn in one call.
  bool bitmap_batching = false;
  sf::VertexArray bitmap_cells{sf::Triangles};
  sf::Vector2f white_texel;
  std::unique_ptr<sf::RenderWindow> p_window;
  std::unique_ptr<sf::RectangleShape> p_rectangle;
  std::unique_ptr<sf::Text> p_text;
  sf::CircleShape figure{0, 30};  // the shape of the immediate mode
  sf::Color background = sf::Color::Black;
  float cell_width = 0, cell_height = 0;  // pixels
  int shake_x = 0, shake_y = 0;
  bool cp437 = false;
  bool batching = true;
  VertexBatch batch;
  // Runs of small opaque shapes, resolved to pixels; usable once the
  // rasterizer's rules have been found.
  PixelLayer layer;
  bool layer_ready = false;
  // Whether the window still has the layer's size and a full viewport;
  // checked again after anyone took the window and every frame.
  bool layer_checked = false;
  bool layer_fits = false;

  // A small shape drawn to find the rasterizer's rules.
  struct Probe {
    float x, y, radius, rotation;
    std::size_t points;
  };

  bool layerFits();
  void emitLayer();
  void calibrateLayer();
  bool drawProbes(const std::vector<Probe> &probes, sf::Image &drawn);
  bool rulesCover(const PixelLayer::Rules &rules, const std::vector<Probe> &probes,
                  const sf::Image &drawn);
  // A cell collected: its background quad (the rectangle's, or the whole
  // cell in *p_cell_background), then the glyph.
  int drawCollected(float px, float py, char ch, sf::Color color,
                    const sf::Color *p_cell_background = nullptr);
  void drawGlyph(float px, float py, char ch, sf::Color color);
  // Builds the bitmap font's texture; false when it cannot be had.
  bool prepareBitmap();
  // A cell of the bitmap font: its background, then its glyph's pixels.
  void drawBitmapCell(float px, float py, char ch, sf::Color color, sf::Color cell_background);
  // Adds a quad of the window's pixels (left, top, size) textured by the
  // atlas's (u, v, texture size) to the collected bitmap cells.
  void addBitmapQuad(sf::Vector2f at, sf::Vector2f size, sf::Vector2f texel,
                     sf::Vector2f texel_size, sf::Color color);
  // Draws the collected bitmap cells.
  void flushBitmap();
  void drawCollectedPolygon(float x, float y, float radius, std::size_t points, float rotation,
                            sf::Color color);
};

}  // namespace sb

#endif
