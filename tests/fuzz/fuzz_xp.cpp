// REXPaint images: the input is read as a .xp file's bytes, and again
// gzip-compressed here (so that mutations reach the image format itself, not
// only the compression). An image that loads must keep its layers within the
// limits, and give every cell.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

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

namespace {

void check(const uint8_t *data, size_t size) {
  sb::XpImage image;
  if (image.loadFromMemory(data, size) != 0) {
    if (image.getLayerCount() != 0) std::abort();  // a refused file leaves the image as it was
    return;
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
  if (sum == 1) image.setCell(0, 0, 0, sb::XpCell());
}

// The input as a gzip member.
std::vector<uint8_t> gzip(const uint8_t *data, size_t size) {
  z_stream stream{};
  std::vector<uint8_t> out;
  if (deflateInit2(&stream, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return out;
  out.resize(deflateBound(&stream, size));
  stream.next_in = const_cast<uint8_t *>(data);
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) out.clear();
  else out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  check(data, size);
  std::vector<uint8_t> packed = gzip(data, size);
  if (!packed.empty()) check(packed.data(), packed.size());
  return 0;
}
