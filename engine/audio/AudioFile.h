#ifndef SORBELANE_AUDIO_FILE_H
#define SORBELANE_AUDIO_FILE_H

#include <cstddef>
#include <string>

namespace sb {

/// Checks of sound and music files made before SFML reads them, so that a
/// hostile file is refused with a log line instead of harming the reader.
class AudioFile {
 public:
  /// Whether an audio stream of channels channels at rate samples a second can
  /// be played: 1 to MAX_AUDIO_CHANNELS channels at 1 to MAX_SAMPLE_RATE. When
  /// not, logs why as "<caller>: Error! '<name>' has ..." and returns false.
  static bool formatPlayable(unsigned channels, unsigned rate, const char *caller,
                             const std::string &name);
  /// Whether a sound file's chunks are safe for SFML's WAV reader, which divides
  /// by the sample size of the first "fmt " chunk when it meets the "data" chunk:
  /// false (logged as "<caller>: Error! '<name>' ...") for a RIFF/WAVE file whose
  /// data comes before any format, whose first format chunk has no channels or
  /// fewer than 8 bits a sample, or whose data follows more than
  /// MAX_WAV_CHUNKS other chunks. Other formats are left to their readers: true.
  static bool wavChunksSafe(const void *data, std::size_t size, const char *caller,
                            const std::string &name);
  /// The same for a file on disk (false when it cannot be read).
  static bool wavChunksSafe(const std::string &filename, const char *caller);
};

}  // namespace sb

#endif
