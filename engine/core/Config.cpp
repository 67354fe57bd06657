#include "Config.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "Constants.h"
#include "LogManager.h"
#include "RegularFile.h"
#include "utility.h"

namespace sb {

namespace {

// Every key the engine reads from the configuration, and whether it belongs
// to this run (an output file, a display or replay setting) rather than to
// the game: a replay takes the game's keys from its recording and this
// run's keys from its own configuration. A key the engine learns to read
// goes here.
struct EngineKey {
  const char *name;
  bool this_run;
};
const EngineKey ENGINE_KEYS[] = {
    {"window_horizontal_pixels", true},
    {"window_vertical_pixels", true},
    {"window_horizontal_chars", false},
    {"window_vertical_chars", false},
    {"window_style", true},
    {"window_background_color", false},
    {"frame_time", false},
    {"font_scale", true},
    {"window_title", true},
    {"show_mouse", true},
    {"headless", true},
    {"font_file", true},
    {"logfile", true},
    {"random_seed", false},
    {"networking", false},
    {"quadtree_threshold", false},
    {"quadtree_depth", false},
    {"grid_width", false},
    {"grid_height", false},
    {"batch_drawing", false},
    {"terminal", true},
    {"charset", false},
    {"path_step_work", false},
    {"record", true},
    {"record_check", true},
    {"replay", true},
    {"replay_on_divergence", true},
    {"cast", true},
};

const EngineKey *findEngineKey(const std::string &key) {
  for (const EngineKey &known : ENGINE_KEYS)
    if (key == known.name) return &known;
  return nullptr;
}

// Letters changed, added or removed to turn a into b, case ignored; stops
// counting past limit.
int editDistance(const std::string &a, const std::string &b, int limit) {
  if (std::abs(static_cast<int>(a.size()) - static_cast<int>(b.size())) > limit) return limit + 1;
  std::vector<int> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); j++) row[j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); i++) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    int best = row[0];
    for (std::size_t j = 1; j <= b.size(); j++) {
      int above = row[j];
      bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                  std::tolower(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
      best = std::min(best, row[j]);
    }
    if (best > limit) return limit + 1;  // no later row gets back under it
  }
  return row[b.size()];
}

// A value as a log line can show it: control bytes as \xHH.
std::string printable(const std::string &value) {
  std::string out;
  for (unsigned char c : value) {
    if (c >= 0x20 && c != 0x7f) {
      out += static_cast<char>(c);
      continue;
    }
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
    out += escaped;
  }
  return out;
}

}  // namespace

Config::Config()
    : window_horizontal_pixels(1024),
      window_vertical_pixels(768),
      window_horizontal_chars(80),
      window_vertical_chars(24),
      window_style(5),
      window_background_color(BLACK),
      frame_time(33),
      font_scale(2.0f),
      window_title(WINDOW_TITLE_DEFAULT),
      show_mouse(false),
      headless(false),
      font_file(FONT_FILE_DEFAULT),
      logfile(LOGFILE_DEFAULT),
      random_seed(0),
      seed_in_use(0),
      seed_chosen(false),
      networking(false),
      quadtree_threshold(1),
      quadtree_depth(10),
      grid_width(20),
      grid_height(8),
      batch_drawing(true),
      terminal(false),
      charset("latin1") {}

Config &Config::getInstance() {
  static Config config_instance;
  return config_instance;
}

std::string Config::readConfig() {
  const char *env_name = getenv("SORBELANE_CONFIG");
  std::string name = env_name ? env_name : CONFIG_FILENAME;
  file_lines.clear();
  source_name = "'" + name + "'";
  std::string text;
  int status = RegularFile::read(name, text, MAX_FILE_SIZE);
  LogManager &log = LogManager::getInstance();
  if (status == -1) {
    // A file the user named is expected to be there: say so whatever the
    // level (on standard error, as the log is not open yet).
    const char *format = "Config::readConfig(): Cannot open Sorbelane configuration file '%s'.";
    if (env_name)
      log.writeLog(format, name.c_str());
    else
      log.writeLog(1, format, name.c_str());
    return "";
  }
  // A FIFO would wait for a writer for ever, /dev/zero never ends.
  if (status != 0 || text.size() > MAX_FILE_SIZE) {
    log.writeLog("Config::readConfig(): Error! Configuration file '%s' is %s; not read.",
                 name.c_str(),
                 status != 0 ? "not a regular file"
                             : ("larger than " + std::to_string(MAX_FILE_SIZE) + " bytes").c_str());
    return "";
  }
  // Lines are joined without a separator: each setting ends in its own comma.
  std::string content;
  content.reserve(text.size());
  std::size_t at = 0;
  for (int number = 1; at < text.size(); number++) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    content += line;
    file_lines.emplace_back(number, line);
  }
  return content;
}

void Config::loadConfig(std::string new_config, bool warn) {
  std::vector<std::pair<int, std::string>> lines;
  if (new_config.empty()) {
    new_config = readConfig();
    lines.swap(file_lines);
  } else {
    source_name = "the configuration string";
    lines.emplace_back(1, new_config);
  }
  setConfig(new_config);
  key_lines.clear();
  held_warnings.clear();
  warnings = warn;
  warning_count = 0;
  if (warn) warnOfLines(lines);
  applyKeys();
  key_lines.clear();
  if (warning_count > MAX_WARNINGS) {
    int more = warning_count - MAX_WARNINGS;
    warning_count = 0;
    std::string text = "Config::loadConfig(): Warning! " + std::to_string(more) +
                       " more mistakes in " + source_name + " not shown.";
    if (LogManager::getInstance().isStarted())
      LogManager::getInstance().writeLog("%s", text.c_str());
    else
      held_warnings.push_back(text);
  }
}

// One warning for each line that does not end in its comma, and for each
// key that neither the engine nor the game reads.
void Config::warnOfLines(const std::vector<std::pair<int, std::string>> &lines) {
  for (std::size_t i = 0; i < lines.size(); i++) {
    int number = lines[i].first;
    std::string compact;
    for (char c : lines[i].second)
      if (!std::isspace(static_cast<unsigned char>(c))) compact += c;
    if (compact.empty()) continue;
    bool runs_on = compact.back() != ',' && i + 1 < lines.size();
    if (runs_on)
      warn(number, "The line does not end in a comma, so line " +
                       std::to_string(lines[i + 1].first) + " runs into its value.");
    std::vector<std::string> elements = splitRuns(compact, ',');
    for (std::size_t e = 0; e < elements.size(); e++) {
      std::vector<std::string> parts = splitRuns(elements[e], ':');
      if (parts.empty()) break;  // colons only end the list
      // The value the next line ran into was warned of with the line.
      bool warned = runs_on && e + 1 == elements.size();
      if (!key_lines.emplace(parts[0], warned ? -number : number).second) continue;
      if (isKnownKey(parts[0])) continue;
      std::string nearest = nearestKey(parts[0]);
      warn(number, "Unknown key '" + parts[0] + "'" +
                       (nearest.empty() ? " (kept for the game to read)."
                                        : "; did you mean '" + nearest + "'?"));
    }
  }
}

// Before the log is open (start-up reads the configuration first) the
// warnings wait for writeWarnings().
void Config::warn(int line, const std::string &what) {
  if (!warnings || line == 0) return;
  // A file of many mistakes (or none of them settings) is summed up.
  if (++warning_count > MAX_WARNINGS) return;
  std::string text = "Config::loadConfig(): Warning! " + what + " Line " + std::to_string(line) +
                     " of " + source_name + ".";
  LogManager &log = LogManager::getInstance();
  if (log.isStarted())
    log.writeLog("%s", text.c_str());
  else
    held_warnings.push_back(text);
}

void Config::writeWarnings() {
  for (const std::string &text : held_warnings)
    LogManager::getInstance().writeLog("%s", text.c_str());
  held_warnings.clear();
}

// The line a key is first on; 0 when its value was warned of already.
int Config::lineOf(const std::string &key) const {
  auto it = key_lines.find(key);
  return it == key_lines.end() ? 1 : it->second < 0 ? 0 : it->second;
}

void Config::applyInt(const char *key, int &field, int low, int high) {
  std::string value = match(key);
  if (value.empty()) return;
  long long read = 0;
  bool whole = readNumber(value, read, NumberRule::WHOLE);
  field = clampToInt(static_cast<double>(read));
  if (!whole)
    warn(lineOf(key), "Value '" + printable(value) + "' of key '" + key +
                          "' is not a number; using " + std::to_string(field) + ".");
  else if (field < low || field > high)
    warn(lineOf(key),
         std::string("Value ") + std::to_string(field) + " of key '" + key + "' is " +
             (high == INT_MAX ? "less than " + std::to_string(low)
                              : "not from " + std::to_string(low) + " to " + std::to_string(high)) +
             ".");
}

void Config::applyBool(const char *key, bool &field) {
  std::string value = match(key);
  if (value.empty()) return;
  field = value == "true";
  if (!field && value != "false")
    warn(lineOf(key), "Value '" + printable(value) + "' of key '" + key +
                          "' is neither true nor false; using false.");
}

void Config::applyKeys() {
  LogManager &log_manager = LogManager::getInstance();
  auto applyString = [this](const char *key, std::string &field) {
    std::string value = match(key);
    if (!value.empty()) field = value;
  };

  applyInt("frame_time", frame_time, 0, INT_MAX);
  std::string value = match("font_scale");
  if (!value.empty()) {
    double read = 0;
    bool whole = readNumber(value, read, NumberRule::WHOLE);
    font_scale = static_cast<float>(read);
    if (!whole)
      warn(lineOf("font_scale"), "Value '" + printable(value) +
                                     "' of key 'font_scale' is not a number; using " +
                                     toString(font_scale) + ".");
  }
  applyInt("window_horizontal_pixels", window_horizontal_pixels, 1, INT_MAX);
  applyInt("window_vertical_pixels", window_vertical_pixels, 1, INT_MAX);
  applyInt("window_horizontal_chars", window_horizontal_chars, 1, INT_MAX);
  applyInt("window_vertical_chars", window_vertical_chars, 1, INT_MAX);

  value = match("window_background_color");
  if (!value.empty()) {
    if (!colorFromName(value, window_background_color))
      log_manager.writeLog("loadConfig(): Unsupported window color '%s'", value.c_str());
  }

  value = match("window_style");
  if (!value.empty()) {
    if (value == "fullscreen")
      window_style = 8;
    else if (value == "default")
      window_style = 5;
    else
      log_manager.writeLog("loadConfig(): Unsupported window style '%s'", value.c_str());
  }

  applyString("window_title", window_title);
  applyBool("show_mouse", show_mouse);
  applyBool("headless", headless);
  applyString("font_file", font_file);
  applyString("logfile", logfile);
  applyInt("random_seed", random_seed, INT_MIN, INT_MAX);
  if (!match("random_seed").empty()) seed_chosen = false;  // the new setting shows until start-up
  applyBool("networking", networking);
  applyInt("grid_width", grid_width, 1, INT_MAX);
  applyInt("grid_height", grid_height, 1, INT_MAX);
  applyInt("quadtree_depth", quadtree_depth, INT_MIN, INT_MAX);
  applyInt("quadtree_threshold", quadtree_threshold, INT_MIN, INT_MAX);
  applyBool("batch_drawing", batch_drawing);
  applyBool("terminal", terminal);
  value = match("charset");
  if (value == "cp437" || value == "latin1")
    charset = value;
  else if (!value.empty())
    log_manager.writeLog("loadConfig(): Unsupported charset '%s'", value.c_str());
}

std::string Config::match(std::string key) const { return attributes.value(key); }

void Config::addKey(const std::string &key, bool this_run) { game_keys[key] = this_run; }
void Config::removeKey(const std::string &key) { game_keys.erase(key); }

bool Config::isKnownKey(const std::string &key) const {
  return findEngineKey(key) != nullptr || game_keys.count(key) != 0;
}

std::vector<std::string> Config::runKeys() const {
  std::vector<std::string> keys;
  for (const EngineKey &known : ENGINE_KEYS)
    if (known.this_run) keys.push_back(known.name);
  for (const auto &declared : game_keys)
    if (declared.second && !findEngineKey(declared.first)) keys.push_back(declared.first);
  return keys;
}

std::string Config::nearestKey(const std::string &key) const {
  std::string best;
  if (key.size() > MAX_KEY_GUESSED) return best;
  int best_distance = 3;  // more than two edits is another word
  auto consider = [&](const std::string &known) {
    int distance = editDistance(key, known, best_distance);
    if (distance < best_distance) {
      best_distance = distance;
      best = known;
    }
  };
  for (const EngineKey &known : ENGINE_KEYS) consider(known.name);
  for (const auto &declared : game_keys) consider(declared.first);
  return best;
}

void Config::writeToLog() const {
  LogManager &log = LogManager::getInstance();
  const char *hyphens = "-----------------------------------";
  log.writeLog(1, "%s", hyphens);
  log.writeLog(1, "Sorbelane configuration:");
  log.writeLog(1, "  Window horizontal pixels: %d", window_horizontal_pixels);
  log.writeLog(1, "  Window vertical pixels: %d", window_vertical_pixels);
  log.writeLog(1, "  Window horizontal characters: %d", window_horizontal_chars);
  log.writeLog(1, "  Window vertical characters: %d", window_vertical_chars);
  log.writeLog(1, "  Window background color: %d", static_cast<int>(window_background_color));
  log.writeLog(1, "  Frame time: %d", frame_time);
  log.writeLog(1, "  Window style: %s", window_style == 5 ? "default" : "fullscreen");
  log.writeLog(1, "  Window title: %s", window_title.c_str());
  log.writeLog(1, "  Show mouse: %s", toString(show_mouse).c_str());
  log.writeLog(1, "  Headless: %s", toString(headless).c_str());
  log.writeLog(1, "  Font file: %s", font_file.c_str());
  log.writeLog(1, "  Log file: %s", logfile.c_str());
  log.writeLog(1, "  Random seed: %d", random_seed);
  log.writeLog(1, "  Networking: %s", toString(networking).c_str());
  log.writeLog(1, "  Grid width: %d", grid_width);
  log.writeLog(1, "  Grid height: %d", grid_height);
  log.writeLog(1, "  Quadtree threshold: %d", quadtree_threshold);
  log.writeLog(1, "  Quadtree depth: %d", quadtree_depth);
  log.writeLog(1, "  Batch drawing: %s", toString(batch_drawing).c_str());
  log.writeLog(1, "  Terminal: %s", toString(terminal).c_str());
  log.writeLog(1, "  Charset: %s", charset.c_str());
  log.writeLog(1, "%s", hyphens);
}

std::string Config::getConfig() const { return config; }
void Config::setConfig(std::string new_config) {
  config = new_config;
  attributes = AttributeList(config);
}

int Config::getWindowHorizontalPixels() const { return window_horizontal_pixels; }
void Config::setWindowHorizontalPixels(int value) { window_horizontal_pixels = value; }
int Config::getWindowVerticalPixels() const { return window_vertical_pixels; }
void Config::setWindowVerticalPixels(int value) { window_vertical_pixels = value; }
int Config::getWindowHorizontalChars() const { return window_horizontal_chars; }
void Config::setWindowHorizontalChars(int value) { window_horizontal_chars = value; }
int Config::getWindowVerticalChars() const { return window_vertical_chars; }
void Config::setWindowVerticalChars(int value) { window_vertical_chars = value; }
Color Config::getWindowBackgroundColor() const { return window_background_color; }
void Config::setWindowBackgroundColor(Color value) { window_background_color = value; }
int Config::getFrameTime() const { return frame_time; }
void Config::setFrameTime(int value) { frame_time = value; }
float Config::getFontScale() const { return font_scale; }
void Config::setFontScale(float value) { font_scale = value; }
int Config::getWindowStyle() const { return window_style; }
void Config::setWindowStyle(int value) { window_style = value; }
std::string Config::getWindowTitle() const { return window_title; }
void Config::setWindowTitle(std::string value) { window_title = value; }
bool Config::getShowMouse() const { return show_mouse; }
void Config::setShowMouse(bool value) { show_mouse = value; }
bool Config::getHeadless() const { return headless; }
void Config::setHeadless(bool value) { headless = value; }
std::string Config::getFontFile() const { return font_file; }
void Config::setFontFile(std::string value) { font_file = value; }
std::string Config::getLogFile() const { return logfile; }
void Config::setLogFile(std::string value) { logfile = value; }
int Config::getRandomSeed() const { return seed_chosen ? seed_in_use : random_seed; }
int Config::getConfiguredRandomSeed() const { return random_seed; }
void Config::setRandomSeed(int value) {
  random_seed = value;
  seed_chosen = false;
}
void Config::useRandomSeed(int seed) {
  seed_in_use = seed;
  seed_chosen = true;
}
bool Config::getNetworking() const { return networking; }
void Config::setNetworking(bool value) { networking = value; }
int Config::getQuadtreeThreshold() const { return quadtree_threshold; }
void Config::setQuadtreeThreshold(int value) { quadtree_threshold = value; }
int Config::getQuadtreeDepth() const { return quadtree_depth; }
void Config::setQuadtreeDepth(int value) { quadtree_depth = value; }
int Config::getGridWidth() const { return grid_width; }
void Config::setGridWidth(int value) { grid_width = value; }
int Config::getGridHeight() const { return grid_height; }
void Config::setGridHeight(int value) { grid_height = value; }
bool Config::getBatchDrawing() const { return batch_drawing; }
void Config::setBatchDrawing(bool value) { batch_drawing = value; }
bool Config::getTerminal() const { return terminal; }
void Config::setTerminal(bool value) { terminal = value; }
std::string Config::getCharset() const { return charset; }
void Config::setCharset(std::string value) { charset = value; }

}  // namespace sb
