#include "XpImage.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "DisplayManager.h"
#include "LogManager.h"

namespace sb {

namespace {

const int CELL_BYTES = 10;
// The most an image within the limits decompresses to.
const std::size_t MAX_RAW_BYTES =
    8 + 8 * XpImage::MAX_LAYERS + static_cast<std::size_t>(XpImage::MAX_CELLS) * CELL_BYTES;
const std::size_t MAX_FILE_BYTES = MAX_RAW_BYTES + (1 << 20);

int readInt32(const unsigned char *p) {
  std::uint32_t v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                    static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  return static_cast<int>(v);
}

void writeInt32(std::string &out, int value) {
  std::uint32_t v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; i++) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

// The size an image's bytes claim, as far as the headers inflated so far
// tell: -1 when a count is already out of range, 0 while a layer header is
// still to come, else the whole image's bytes.
long long claimedSize(const std::vector<unsigned char> &raw) {
  if (raw.size() < 8) return 0;
  int layer_count = readInt32(&raw[4]);
  if (layer_count < 1 || layer_count > XpImage::MAX_LAYERS) return -1;
  long long pos = 8, cells = 0;
  for (int l = 0; l < layer_count; l++) {
    if (static_cast<long long>(raw.size()) < pos + 8) return 0;
    int width = readInt32(&raw[pos]), height = readInt32(&raw[pos + 4]);
    cells += static_cast<long long>(width) * height;
    if (width < 1 || height < 1 || width > XpImage::MAX_SIDE || height > XpImage::MAX_SIDE ||
        cells > XpImage::MAX_CELLS)
      return -1;
    pos += 8 + static_cast<long long>(width) * height * CELL_BYTES;
  }
  return pos;
}

// Inflates gzip data until the image it holds is complete (what follows is
// ignored), stopping with false at a fault or as soon as the headers claim
// more than the limits allow.
bool inflateGzip(const void *data, std::size_t size, std::vector<unsigned char> &raw) {
  z_stream stream;
  std::memset(&stream, 0, sizeof(stream));
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return false;
  stream.next_in = static_cast<Bytef *>(const_cast<void *>(data));
  stream.avail_in = static_cast<uInt>(size);
  unsigned char chunk[16384];
  int status = Z_OK;
  long long claimed = 0;
  while (status == Z_OK && (claimed == 0 || static_cast<long long>(raw.size()) < claimed)) {
    stream.next_out = chunk;
    stream.avail_out = sizeof(chunk);
    status = inflate(&stream, Z_NO_FLUSH);
    raw.insert(raw.end(), chunk, chunk + (sizeof(chunk) - stream.avail_out));
    claimed = claimedSize(raw);
    if (claimed < 0 || raw.size() > MAX_RAW_BYTES) status = Z_DATA_ERROR;
  }
  inflateEnd(&stream);
  return status == Z_STREAM_END || (status == Z_OK && claimed > 0);
}

int fail(const char *operation, const char *what, const std::string &name) {
  LogManager::getInstance().writeLog("XpImage::%s(): Error! %s: '%.200s'.", operation, what,
                                     name.c_str());
  return -1;
}

}  // namespace

bool XpCell::operator==(const XpCell &o) const {
  return glyph == o.glyph && fg_r == o.fg_r && fg_g == o.fg_g && fg_b == o.fg_b && bg_r == o.bg_r &&
         bg_g == o.bg_g && bg_b == o.bg_b;
}

XpImage::XpImage() : version(-1) {}

int XpImage::create(int width, int height, int layer_count) {
  if (width < 1 || height < 1 || width > MAX_SIDE || height > MAX_SIDE || layer_count < 1 ||
      layer_count > MAX_LAYERS ||
      static_cast<long long>(width) * height * layer_count > MAX_CELLS) {
    LogManager::getInstance().writeLog(
        "XpImage::create(): Error! %d layers of %d x %d cells are out of range.", layer_count,
        width, height);
    return -1;
  }
  layers.assign(layer_count, Layer{width, height,
                                   std::vector<XpCell>(static_cast<std::size_t>(width) * height)});
  version = -1;
  return 0;
}

int XpImage::load(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return fail("load", "Cannot open", file);
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::size_t>(size) > MAX_FILE_BYTES)
    return fail("load", "Too large or unreadable", file);
  in.seekg(0);
  std::vector<char> bytes(static_cast<std::size_t>(size));
  if (!in.read(bytes.data(), size)) return fail("load", "Cannot read", file);
  const char *why = decode(bytes.data(), bytes.size());
  if (why) return fail("load", why, file);
  return 0;
}

int XpImage::loadFromMemory(const void *data, std::size_t size) {
  const char *why = decode(data, size);
  if (why) LogManager::getInstance().writeLog("XpImage::loadFromMemory(): Error! %s.", why);
  return why ? -1 : 0;
}

const char *XpImage::decode(const void *data, std::size_t size) {
  std::vector<unsigned char> raw;
  if (size > MAX_FILE_BYTES) return "File too large";
  if (!inflateGzip(data, size, raw))
    return claimedSize(raw) < 0 ? "Layer count or size out of range" : "Bad or truncated gzip data";
  // Every count is checked against the bytes there before anything is allocated.
  std::size_t pos = 8;
  if (raw.size() < pos) return "No header";
  int new_version = readInt32(&raw[0]), layer_count = readInt32(&raw[4]);
  if (layer_count < 1 || layer_count > MAX_LAYERS) return "Bad layer count";
  std::vector<Layer> new_layers;
  long long total_cells = 0;
  for (int l = 0; l < layer_count; l++) {
    if (raw.size() - pos < 8) return "Truncated layer";
    int width = readInt32(&raw[pos]), height = readInt32(&raw[pos + 4]);
    pos += 8;
    long long cells = static_cast<long long>(width) * height;
    total_cells += cells;
    if (width < 1 || height < 1 || width > MAX_SIDE || height > MAX_SIDE ||
        total_cells > MAX_CELLS ||
        static_cast<unsigned long long>(cells) * CELL_BYTES > raw.size() - pos)
      return "Bad or truncated layer size";
    Layer layer{width, height, std::vector<XpCell>(static_cast<std::size_t>(cells))};
    for (int x = 0; x < width; x++)
      for (int y = 0; y < height; y++, pos += CELL_BYTES) {
        XpCell &cell = layer.cells[static_cast<std::size_t>(y) * width + x];
        const unsigned char *p = &raw[pos];
        cell.glyph = readInt32(p);
        cell.fg_r = p[4], cell.fg_g = p[5], cell.fg_b = p[6];
        cell.bg_r = p[7], cell.bg_g = p[8], cell.bg_b = p[9];
      }
    new_layers.push_back(std::move(layer));
  }
  layers.swap(new_layers);
  version = new_version;
  return nullptr;
}

std::string XpImage::encode() const {
  std::string out;
  writeInt32(out, version);
  writeInt32(out, getLayerCount());
  for (const Layer &layer : layers) {
    writeInt32(out, layer.width);
    writeInt32(out, layer.height);
    for (int x = 0; x < layer.width; x++)
      for (int y = 0; y < layer.height; y++) {
        const XpCell &cell = layer.cells[static_cast<std::size_t>(y) * layer.width + x];
        writeInt32(out, cell.glyph);
        const std::uint8_t colours[6] = {cell.fg_r, cell.fg_g, cell.fg_b,
                                         cell.bg_r, cell.bg_g, cell.bg_b};
        out.append(reinterpret_cast<const char *>(colours), 6);
      }
  }
  return out;
}

int XpImage::save(const std::string &file) const {
  if (layers.empty()) return fail("save", "No layers to save", file);
  std::string temporary = file + ".tmp";
  gzFile out = gzopen(temporary.c_str(), "wb9");
  if (!out) return fail("save", "Cannot write", temporary);
  std::string raw = encode();
  bool written =
      gzwrite(out, raw.data(), static_cast<unsigned>(raw.size())) == static_cast<int>(raw.size());
  written = gzclose(out) == Z_OK && written;
  if (!written || std::rename(temporary.c_str(), file.c_str()) != 0) {
    std::remove(temporary.c_str());
    return fail("save", "Cannot write", file);
  }
  return 0;
}

int XpImage::getWidth(int layer) const {
  return layer >= 0 && layer < getLayerCount() ? layers[layer].width : 0;
}

int XpImage::getHeight(int layer) const {
  return layer >= 0 && layer < getLayerCount() ? layers[layer].height : 0;
}

const XpCell *XpImage::cellAt(int layer, int x, int y) const {
  if (layer < 0 || layer >= getLayerCount()) return nullptr;
  const Layer &l = layers[layer];
  if (x < 0 || y < 0 || x >= l.width || y >= l.height) return nullptr;
  return &l.cells[static_cast<std::size_t>(y) * l.width + x];
}

XpCell XpImage::getCell(int layer, int x, int y) const {
  const XpCell *p_cell = cellAt(layer, x, y);
  return p_cell ? *p_cell : XpCell();
}

int XpImage::setCell(int layer, int x, int y, const XpCell &cell) {
  XpCell *p_cell = const_cast<XpCell *>(cellAt(layer, x, y));
  if (!p_cell) {
    LogManager::getInstance().writeLog("XpImage::setCell(): Error! No cell (%d, %d) in layer %d.",
                                       x, y, layer);
    return -1;
  }
  *p_cell = cell;
  return 0;
}

int XpImage::draw(Vector world_position) const {
  const DisplayManager &display = DisplayManager::getInstance();
  int result = 0;
  for (const Layer &layer : layers)
    for (int y = 0; y < layer.height; y++)
      for (int x = 0; x < layer.width; x++) {
        const XpCell &cell = layer.cells[static_cast<std::size_t>(y) * layer.width + x];
        if (cell.isTransparent()) continue;
        Vector at(world_position.getX() + x, world_position.getY() + y);
        bool blank = cell.glyph == 0 || cell.glyph == 32;
        if (blank && (cell.bg_r || cell.bg_g || cell.bg_b)) {
          result = display.drawCh(at, static_cast<char>(219), cell.bg_r, cell.bg_g, cell.bg_b);
        } else if (!blank && cell.glyph > 0 && cell.glyph < 256) {
          result =
              display.drawCh(at, static_cast<char>(cell.glyph), cell.fg_r, cell.fg_g, cell.fg_b);
        }
        if (result != 0) return -1;  // nothing else would draw either
      }
  return result;
}

}  // namespace sb
