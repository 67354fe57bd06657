#include "RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace sb {

int RegularFile::open(const std::string &name, int &fd) {
  // Opening a FIFO for reading blocks until a writer comes; O_NONBLOCK does not.
  fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return 0;
  close(fd);
  return -2;
}

int RegularFile::status(const std::string &name) {
  int fd = -1;
  int result = open(name, fd);
  if (result == 0) close(fd);
  return result;
}

int RegularFile::read(const std::string &name, std::string &text, std::size_t max_bytes) {
  int fd = -1;
  int result = open(name, fd);
  if (result != 0) return result;
  char chunk[65536];
  for (;;) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(chunk, static_cast<size_t>(got));
    if (text.size() > max_bytes) break;
  }
  close(fd);
  return 0;
}

}  // namespace sb
