// REXPaint images: the input is read as a .xp file's bytes. An image that
// loads must keep its layers within the limits, and give every cell.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Config.h"
#include "LogManager.h"
#include "XpImage.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("SORBELANE_LOG", "/dev/null", 1);
  sb::Config::getInstance().setHeadless(true);  // drawing refuses at once
  sb::LogManager::getInstance().setLogLevel(15);
  sb::LogManager::getInstance().startUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sb::XpImage image;
  if (image.loadFromMemory(data, size) != 0) {
    if (image.getLayerCount() != 0) std::abort();  // a refused file leaves the image as it was
    return 0;
  }
  int layers = image.getLayerCount();
  if (layers < 1 || layers > sb::XpImage::MAX_LAYERS) std::abort();
  long long cells = 0;
  unsigned sum = 0;
  for (int l = 0; l < layers; l++) {
    int w = image.getWidth(l), h = image.getHeight(l);
    if (w < 1 || h < 1 || w > sb::XpImage::MAX_SIDE || h > sb::XpImage::MAX_SIDE) std::abort();
    cells += static_cast<long long>(w) * h;
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) sum += static_cast<unsigned>(image.getCell(l, x, y).glyph);
  }
  if (cells > sb::XpImage::MAX_CELLS || cells * 10 > static_cast<long long>(size) * 1100 + 4096) std::abort();
  image.draw(sb::Vector(0, 0));
  return static_cast<int>(sum & 0);
}
