#ifndef SORBELANE_RECORDING_H
#define SORBELANE_RECORDING_H

#include <cstdint>
#include <string>
#include <vector>

namespace sb {

/// What one line of a recording's body holds.
enum class RecordedKind {
  KEY,      ///< A keyboard event.
  MOUSE,    ///< A mouse event.
  NETWORK,  ///< A network event, with the message for DATA.
  CHECK,    ///< A checksum of the world at the end of a step.
  RESIZE,   ///< The terminal the game draws in changed its size.
};

/// One input event, network event or world checksum of a recording.
struct RecordedEvent {
  int step = 0;                           ///< Step (from 0 at start-up) it belongs to.
  RecordedKind kind = RecordedKind::KEY;  ///< What the line holds.
  bool from_terminal = false;             ///< Input from the terminal (else the window).
  int key = -1;                           ///< Engine key (KEY).
  int action = -1;                        ///< Keyboard or mouse action.
  char32_t character = 0;                 ///< The character a key press typed (KEY).
  bool alt = false;                       ///< Alt was held with the key (KEY).
  int button = -1;                        ///< Mouse button (MOUSE).
  float x = 0;                            ///< Mouse position in cells (MOUSE).
  float y = 0;                            ///< Mouse position in cells (MOUSE).
  int label = -1;                         ///< Network label (NETWORK).
  int socket = -1;                        ///< Socket index (NETWORK).
  std::string message;                    ///< The DATA message's bytes (NETWORK).
  int count = 0;                          ///< Objects in the world (CHECK).
  std::uint64_t hash = 0;                 ///< Checksum of the world (CHECK).
  std::string digests;                    ///< One byte per object, in world order (CHECK).
  int columns = 0;                        ///< The terminal's new width in cells (RESIZE).
  int rows = 0;                           ///< The terminal's new height in cells (RESIZE).
};

/// The first lines of a recording: what a replay must match or take over.
struct RecordingHeader {
  int version = 0;           ///< Format version.
  std::string engine;        ///< Engine version, as "4.13".
  std::string build;         ///< "GRID" or "SIMPLE".
  int seed = 0;              ///< Random seed in use (-1: unseeded).
  int first_id = 1;          ///< The id the first object made got.
  int columns = 0;           ///< Window width in cells.
  int rows = 0;              ///< Window height in cells.
  int frame_time = 0;        ///< Milliseconds per step.
  int check_every = 0;       ///< Steps between world checksums.
  std::string config;        ///< The configuration string as read.
  int terminal_columns = 0;  ///< The terminal's width in cells at the start (0: the window's).
  int terminal_rows = 0;     ///< The terminal's height in cells at the start (0: the window's).
};

/// A recording of a game: the text format that Recorder writes and Replay
/// reads (documented in docs/formats.md), and its reader. The reader bounds
/// every number and length and names the first faulty line; a recording
/// cut short (no end line) keeps what came before the cut.
class Recording {
 public:
  /// The format version this engine writes and reads.
  static const int FORMAT_VERSION = 1;
  /// Longest line read, in bytes (a network message of 64 KiB in hex fits).
  static const std::size_t MAX_LINE = 140 * 1024;
  /// Largest recording read, in bytes.
  static const std::size_t MAX_SIZE = 256u * 1024 * 1024;
  /// Largest step number.
  static const int MAX_STEP = 1000000000;

  RecordingHeader header;             ///< The header read.
  std::vector<RecordedEvent> events;  ///< The body, in order.
  int end_steps = -1;                 ///< Steps the recorded game ran; -1 when cut short.
  int cut_line = 0;                   ///< When cut short: the line number where it ends.

  /// Reads a whole recording. 0, or -1 with fault set to "line N: what is
  /// wrong". A recording without its end line reads as far as it is whole
  /// (end_steps -1, cut_line the line that is missing or cut).
  int parse(const std::string &text, std::string &fault);

  /// The header lines, each ending in a newline, and the terminal's size at
  /// the start ("0 terminal C R") when the header has one.
  static std::string headerText(const RecordingHeader &header);
  /// One body line with its newline.
  static std::string eventLine(const RecordedEvent &event);
  /// Room for one key or mouse line.
  static const int INPUT_LINE_SIZE = 160;
  /// Writes a key or mouse line with its newline into buffer, without
  /// allocating; its length, or -1 for another kind or too small a buffer.
  static int formatInput(const RecordedEvent &event, char *buffer, std::size_t size);
  /// The last line, with the number of steps run.
  static std::string endLine(int steps);

  /// The name of an engine key in recordings ("LEFTARROW", "A", "K153").
  static std::string keyName(int key);
  /// The engine key of a name; false for a name no key has.
  static bool keyFromName(const std::string &name, int &key);
  /// Bytes outside the printable ASCII range, blanks and '%' as %XX.
  static std::string escape(const std::string &text);
  /// The bytes of escape()'s text; false on a bad escape.
  static bool unescape(const std::string &text, std::string &bytes);
};

}  // namespace sb

#endif
