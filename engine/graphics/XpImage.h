#ifndef SORBELANE_XP_IMAGE_H
#define SORBELANE_XP_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Vector.h"

namespace sb {

/// One cell of a REXPaint image: a glyph (a code page 437 code in images
/// REXPaint made) and its foreground and background colours.
struct XpCell {
  int glyph = 0;            ///< Glyph code.
  std::uint8_t fg_r = 0;    ///< Foreground red.
  std::uint8_t fg_g = 0;    ///< Foreground green.
  std::uint8_t fg_b = 0;    ///< Foreground blue.
  std::uint8_t bg_r = 255;  ///< Background red.
  std::uint8_t bg_g = 0;    ///< Background green.
  std::uint8_t bg_b = 255;  ///< Background blue.
  /// True for REXPaint's transparent background, 255, 0, 255.
  bool isTransparent() const { return bg_r == 255 && bg_g == 0 && bg_b == 255; }
  /// True when every field is equal.
  bool operator==(const XpCell &other) const;
};

/// A REXPaint (.xp) image: layers of cells drawn over each other. The file is
/// gzip-compressed; inside, little-endian, an int32 version, an int32 layer
/// count, then for each layer an int32 width and height and its cells column
/// by column, each an int32 glyph and foreground and background RGB bytes.
class XpImage {
 private:
  struct Layer {
    int width;
    int height;
    std::vector<XpCell> cells;  // row-major
  };
  int version;
  std::vector<Layer> layers;

  const XpCell *cellAt(int layer, int x, int y) const;
  // Reads compressed image bytes into the image; what is wrong, or null.
  const char *decode(const void *data, std::size_t size);
  std::string encode() const;

 public:
  /// Most layers an image may have.
  static constexpr int MAX_LAYERS = 256;
  /// Longest side of a layer, in cells.
  static constexpr int MAX_SIDE = 8192;
  /// Most cells of all layers together.
  static constexpr long long MAX_CELLS = 1LL << 22;

  /// An image without layers.
  XpImage();

  /// Makes the image layer_count layers of width x height transparent cells.
  /// Returns 0, or -1 (logged, image unchanged) for sizes out of range.
  int create(int width, int height, int layer_count = 1);
  /// Reads a .xp file. Returns 0, or -1 (logged, image unchanged) when the
  /// file cannot be read or is not a well-formed image within the limits.
  int load(const std::string &file);
  /// Reads a .xp file's bytes (still compressed), as load() does.
  int loadFromMemory(const void *data, std::size_t size);
  /// Writes the image as a .xp file (through a temporary file, so a failed
  /// save leaves an old file whole). Returns 0, or -1 (logged).
  int save(const std::string &file) const;

  /// The number of layers.
  int getLayerCount() const { return static_cast<int>(layers.size()); }
  /// The width of a layer in cells (0 for no such layer).
  int getWidth(int layer = 0) const;
  /// The height of a layer in cells (0 for no such layer).
  int getHeight(int layer = 0) const;
  /// The version number the file carried (-1 for images made here).
  int getVersion() const { return version; }
  /// The cell at (x, y) of a layer; a transparent blank cell outside the image.
  XpCell getCell(int layer, int x, int y) const;
  /// Sets the cell at (x, y) of a layer. Returns 0, or -1 (logged) outside the image.
  int setCell(int layer, int x, int y, const XpCell &cell);

  /// Draws the layers in order with the top-left cell at world_position,
  /// skipping transparent cells: each glyph (codes 1 to 255 but 32) in its
  /// foreground colour; where the glyph is blank, a background other than
  /// black shows as a full block (glyph 219). Returns 0, or -1 at the first
  /// cell that could not be drawn (as DisplayManager::drawCh()).
  int draw(Vector world_position) const;
};

}  // namespace sb

#endif
