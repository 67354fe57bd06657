#ifndef SORBELANE_CONFIG_H
#define SORBELANE_CONFIG_H

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "AttributeList.h"
#include "Color.h"

namespace sb {

/// Every engine setting, read from one attribute-string configuration file
/// ("key:value," pairs, such as "frame_time:33,headless:true,"). The game
/// manager loads it at start-up; settings a game changes before that keep
/// their values unless the file names them.
class Config {
 private:
  Config();
  Config(const Config &) = delete;
  void operator=(const Config &) = delete;

  std::string config;
  AttributeList attributes{""};                         // config, parsed once for every lookup
  std::vector<std::pair<int, std::string>> file_lines;  // the last file read: line number, text
  std::map<std::string, bool> game_keys;  // keys a game declared: belongs to this run?
  int window_horizontal_pixels;
  int window_vertical_pixels;
  int window_horizontal_chars;
  int window_vertical_chars;
  int window_style;
  Color window_background_color;
  int frame_time;
  float font_scale;
  std::string window_title;
  bool show_mouse;
  bool headless;
  std::string font_file;
  std::string logfile;
  int random_seed;
  int seed_in_use;  // the seed start-up gave rand(), valid while seed_chosen
  bool seed_chosen;
  bool networking;
  int quadtree_threshold;
  int quadtree_depth;
  int grid_width;
  int grid_height;
  bool batch_drawing;
  bool terminal;
  std::string charset;

  std::string source_name = "the configuration";  // the file read, for warnings
  std::map<std::string, int> key_lines;           // while loading: the line each key is first on
  bool warnings = true;                           // while loading: whether mistakes are logged
  std::vector<std::string> held_warnings;         // made before the log was open
  int warning_count = 0;                          // while loading: mistakes found
  static constexpr int MAX_WARNINGS = 20;         // shown of one load; the rest are counted
  static constexpr std::size_t MAX_KEY_GUESSED = 64;  // longer keys get no nearest key

  void applyKeys();
  void applyInt(const char *key, int &field, int low, int high);
  void applyBool(const char *key, bool &field);
  void warnOfLines(const std::vector<std::pair<int, std::string>> &lines);
  void warn(int line, const std::string &what);
  int lineOf(const std::string &key) const;

 public:
  /// Largest configuration file read, in bytes; a larger one is refused.
  static constexpr std::size_t MAX_FILE_SIZE = 16u * 1024 * 1024;

  /// The one configuration.
  static Config &getInstance();

  /// Stores the string (or the file's content when empty), parses it once
  /// and applies every known key. Numbers beyond the int range give the
  /// nearest limit, a value that is not wholly a number gives what its
  /// leading digits read (0 without any), a boolean is true only for
  /// "true", and an unknown colour or window style is ignored; absent keys
  /// keep their values. With warn, each mistake gets one warning naming
  /// its line: a key neither the engine nor the game (addKey()) knows,
  /// with the nearest known key when one is close; a value its key cannot
  /// take; a line that does not end in its comma.
  void loadConfig(std::string new_config, bool warn = true);
  /// Writes the warnings of the last loadConfig() that came before the log
  /// manager was started (GameManager::startUp() calls it once the log is
  /// open; until then they are held).
  void writeWarnings();
  /// The configuration file's content, or "" when it cannot be read
  /// (logged whatever the level when SORBELANE_CONFIG named the file, else
  /// at level 1); a file that is not a regular file, or is larger than
  /// MAX_FILE_SIZE, is refused with an error. The file is named by the
  /// environment variable SORBELANE_CONFIG, else CONFIG_FILENAME; lines
  /// starting with '#' are skipped and the others joined.
  std::string readConfig();
  /// Declares a key the game reads, before GameManager::startUp(), so that
  /// it is not warned of as unknown. this_run: the key names something of
  /// this run (an output file, an input path, a display setting), which a
  /// replay takes from its own configuration and never from the recording.
  void addKey(const std::string &key, bool this_run = false);
  /// Forgets a key the game declared.
  void removeKey(const std::string &key);
  /// Whether the engine reads key, or the game declared it.
  bool isKnownKey(const std::string &key) const;
  /// The engine's and the game's keys that belong to this run rather than
  /// to the game (see addKey()): output files, display and replay settings.
  std::vector<std::string> runKeys() const;
  /// The known key nearest to key (at most two letters changed, added or
  /// removed, case ignored), or "" when none is that close.
  std::string nearestKey(const std::string &key) const;
  /// The value of key in the stored string, or "". Games may keep keys of
  /// their own in the file and read them here.
  std::string match(std::string key) const;
  /// Writes every setting to the log.
  void writeToLog() const;

  /// The stored configuration string.
  std::string getConfig() const;
  /// Stores a configuration string without applying it (see loadConfig()).
  void setConfig(std::string new_config);

  /// Window width in pixels (key window_horizontal_pixels, default 1024).
  int getWindowHorizontalPixels() const;
  /// Sets the window width in pixels.
  void setWindowHorizontalPixels(int value);
  /// Window height in pixels (key window_vertical_pixels, default 768).
  int getWindowVerticalPixels() const;
  /// Sets the window height in pixels.
  void setWindowVerticalPixels(int value);
  /// Window width in character cells (key window_horizontal_chars, default 80).
  int getWindowHorizontalChars() const;
  /// Sets the window width in cells.
  void setWindowHorizontalChars(int value);
  /// Window height in character cells (key window_vertical_chars, default 24).
  int getWindowVerticalChars() const;
  /// Sets the window height in cells.
  void setWindowVerticalChars(int value);
  /// Background colour (key window_background_color, a name such as
  /// "black" or "blue"; default BLACK).
  Color getWindowBackgroundColor() const;
  /// Sets the background colour.
  void setWindowBackgroundColor(Color value);
  /// Length of one game step in milliseconds (key frame_time, default 33).
  int getFrameTime() const;
  /// Sets the step length in milliseconds.
  void setFrameTime(int value);
  /// Glyph size as a multiple of the smaller cell side (key font_scale, default 2).
  float getFontScale() const;
  /// Sets the font scale.
  void setFontScale(float value);
  /// SFML window style bits: 5 (title bar and close button; key
  /// window_style "default") or 8 ("fullscreen").
  int getWindowStyle() const;
  /// Sets the window style bits.
  void setWindowStyle(int value);
  /// Window title (key window_title, default WINDOW_TITLE_DEFAULT).
  std::string getWindowTitle() const;
  /// Sets the window title.
  void setWindowTitle(std::string value);
  /// Whether the mouse cursor shows over the window (key show_mouse, default false).
  bool getShowMouse() const;
  /// Shows or hides the mouse cursor.
  void setShowMouse(bool value);
  /// Whether the engine runs without a window or input (key headless, default false).
  bool getHeadless() const;
  /// Runs with or without a window.
  void setHeadless(bool value);
  /// The TrueType font file (key font_file, default FONT_FILE_DEFAULT).
  std::string getFontFile() const;
  /// Sets the font file.
  void setFontFile(std::string value);
  /// The main log file (key logfile, default LOGFILE_DEFAULT); the
  /// environment variable SORBELANE_LOG overrides it.
  std::string getLogFile() const;
  /// Sets the main log file.
  void setLogFile(std::string value);
  /// The seed in use: once the game manager has started, the seed it gave
  /// rand() (the clock's when the configured seed was 0, the recording's when
  /// replaying), which a game may show and seed its own streams from;
  /// before that, the configured seed.
  int getRandomSeed() const;
  /// The configured seed of rand() (key random_seed): 0 (the default) seeds
  /// with the time, -1 leaves rand() unseeded.
  int getConfiguredRandomSeed() const;
  /// Sets the configured seed; getRandomSeed() gives it until the next start-up.
  void setRandomSeed(int value);
  /// Records the seed start-up gave rand() (called by the game manager).
  void useRandomSeed(int seed);
  /// Whether the network manager is started (key networking, default false).
  bool getNetworking() const;
  /// Turns networking on or off.
  void setNetworking(bool value);
  /// Key quadtree_threshold (default 1); read and logged, used by no scene graph.
  int getQuadtreeThreshold() const;
  /// Sets the quadtree threshold.
  void setQuadtreeThreshold(int value);
  /// Key quadtree_depth (default 10); read and logged, used by no scene graph.
  int getQuadtreeDepth() const;
  /// Sets the quadtree depth.
  void setQuadtreeDepth(int value);
  /// Grid build: columns of the collision grid, and the width of each in
  /// cells (key grid_width, default 20).
  int getGridWidth() const;
  /// Sets the grid width; the grid reads it once, when it is constructed
  /// (Grid::setDimensions() resizes a running grid).
  void setGridWidth(int value);
  /// Grid build: rows of the collision grid, and the height of each in
  /// cells (key grid_height, default 8).
  int getGridHeight() const;
  /// Sets the grid height; the grid reads it once, when it is constructed.
  void setGridHeight(int value);
  /// Whether a frame is drawn in one call (key batch_drawing, default true).
  bool getBatchDrawing() const;
  /// Turns collected drawing on or off for the next start-up.
  void setBatchDrawing(bool value);
  /// Whether the display draws into the terminal the program runs in
  /// instead of a window, and keys are read from it (key terminal, default
  /// false; headless wins over it).
  bool getTerminal() const;
  /// Draws into the terminal or into a window at the next start-up.
  void setTerminal(bool value);
  /// What character codes 1 to 31 and 128 to 255 show (key charset):
  /// "latin1" (the default: Latin-1, control codes blank in a terminal) or
  /// "cp437" (the glyphs of code page 437).
  std::string getCharset() const;
  /// Sets the character set ("latin1" or "cp437") for the next start-up.
  void setCharset(std::string value);
};

}  // namespace sb

#endif
