#ifndef SORBELANE_FONT_INFLATER_H
#define SORBELANE_FONT_INFLATER_H

#include <cstddef>
#include <string>

namespace sb {

/// Unpacks gzipped font files (zlib).
class FontInflater {
 public:
  /// The content of a gzip file into out; false with what is wrong in
  /// problem when it is broken, cut short or larger than max_size unpacked.
  static bool gunzip(const std::string &packed, std::size_t max_size, std::string &out,
                     std::string &problem);
};

}  // namespace sb

#endif
