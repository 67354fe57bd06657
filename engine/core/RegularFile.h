#ifndef SORBELANE_REGULAR_FILE_H
#define SORBELANE_REGULAR_FILE_H

#include <cstddef>
#include <string>

namespace sb {

/// Files read as outside input (sprites, sounds, music): opened for reading
/// without blocking and taken only when they are regular files, since a FIFO
/// waits for a writer for ever, a device such as /dev/zero never ends and a
/// directory holds no data.
class RegularFile {
 public:
  /// Whether name is a regular file that can be opened for reading: 0 when it
  /// is; -1 when it cannot be opened; -2 when it is something else.
  static int status(const std::string &name);
  /// Appends the content of name to text, stopping once text holds more than
  /// max_bytes (so a file over the bound shows as text longer than it).
  /// Returns as status() does; text is untouched unless the result is 0.
  static int read(const std::string &name, std::string &text, std::size_t max_bytes);

 private:
  /// Opens name as status() judges it; on 0, fd is open for reading.
  static int open(const std::string &name, int &fd);
};

}  // namespace sb

#endif
