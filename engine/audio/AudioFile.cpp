#include "AudioFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "Constants.h"
#include "LogManager.h"

namespace sb {

bool AudioFile::formatPlayable(unsigned channels, unsigned rate, const char *caller,
                               const std::string &name) {
  LogManager &log = LogManager::getInstance();
  if (channels < 1 || channels > MAX_AUDIO_CHANNELS) {
    log.writeLog("%s: Error! '%s' has %u channels, must be 1 to %u.", caller, name.c_str(),
                 channels, MAX_AUDIO_CHANNELS);
    return false;
  }
  if (rate < 1 || rate > MAX_SAMPLE_RATE) {
    log.writeLog("%s: Error! '%s' has %u samples a second, must be 1 to %u.", caller, name.c_str(),
                 rate, MAX_SAMPLE_RATE);
    return false;
  }
  return true;
}

namespace {

uint32_t littleEndian(const unsigned char *bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; i--) value = value << 8 | bytes[i];
  return value;
}

// Walks a RIFF/WAVE file's chunks as SFML's reader does (each chunk's data
// follows its 8-byte head, with no padding) up to the data chunk. read(offset,
// buffer, length) gives bytes of the file, false past its end.
template <class Read>
bool walkWavChunks(Read read, const char *caller, const std::string &name) {
  unsigned char head[12];
  if (!read(0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4))
    return true;  // not a WAV file
  LogManager &log = LogManager::getInstance();
  uint64_t at = 12;
  for (int chunk = 0; chunk <= MAX_WAV_CHUNKS; chunk++) {
    unsigned char chunk_head[8];
    if (!read(at, chunk_head, 8)) return true;  // no data at all: the reader refuses it
    uint32_t size = littleEndian(chunk_head + 4, 4);
    if (std::memcmp(chunk_head, "data", 4) == 0) {
      log.writeLog("%s: Error! '%s' is a WAV file with data before its format.", caller,
                   name.c_str());
      return false;
    }
    if (std::memcmp(chunk_head, "fmt ", 4) == 0) {
      unsigned char format[16];
      if (size < 16 || !read(at + 8, format, 16) || littleEndian(format + 2, 2) == 0 ||
          littleEndian(format + 14, 2) < 8) {
        log.writeLog("%s: Error! '%s' is a WAV file with a broken format chunk.", caller,
                     name.c_str());
        return false;
      }
      return true;
    }
    at += 8 + static_cast<uint64_t>(size);
  }
  log.writeLog("%s: Error! '%s' is a WAV file with more than %d chunks before its data.", caller,
               name.c_str(), MAX_WAV_CHUNKS);
  return false;
}

}  // namespace

bool AudioFile::wavChunksSafe(const void *data, std::size_t size, const char *caller,
                              const std::string &name) {
  const unsigned char *bytes = static_cast<const unsigned char *>(data);
  return walkWavChunks(
      [&](uint64_t offset, unsigned char *buffer, size_t length) {
        if (!bytes || offset > size || length > size - offset) return false;
        std::memcpy(buffer, bytes + offset, length);
        return true;
      },
      caller, name);
}

bool AudioFile::wavChunksSafe(const std::string &filename, const char *caller) {
  int fd = open(filename.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  bool safe = walkWavChunks(
      [&](uint64_t offset, unsigned char *buffer, size_t length) {
        if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
        ssize_t got = pread(fd, buffer, length, static_cast<off_t>(offset));
        return got == static_cast<ssize_t>(length);
      },
      caller, filename);
  close(fd);
  return safe;
}

}  // namespace sb
