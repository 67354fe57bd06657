#include "FontInflater.h"

#include <zlib.h>

namespace sb {

bool FontInflater::gunzip(const std::string &packed, std::size_t max_size, std::string &out,
                          std::string &problem) {
  z_stream stream = {};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {  // 16: a gzip header
    problem = "cannot start unpacking";
    return false;
  }
  out.clear();
  stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  char buffer[16384];
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef *>(buffer);
    stream.avail_out = sizeof buffer;
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
    if (out.size() > max_size) {
      problem = "larger than " + std::to_string(max_size >> 20) + " MiB unpacked";
      inflateEnd(&stream);
      return false;
    }
    if (result == Z_BUF_ERROR && stream.avail_in == 0) break;  // cut short
  }
  inflateEnd(&stream);
  if (result != Z_STREAM_END) {
    problem = result == Z_BUF_ERROR ? "gzip data cut short" : "broken gzip data";
    return false;
  }
  return true;
}

}  // namespace sb
