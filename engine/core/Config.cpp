#include "Config.h"

#include <cstdlib>
#include <fstream>

#include "Constants.h"
#include "LogManager.h"
#include "utility.h"

namespace sb {

namespace {

// Warns when a value is not wholly a number: what strtol() or strtod() made
// of it (0 when it has no leading digits) is used, and a frame time of 0
// would make the loop run without sleeping.
void warnUnlessNumber(const char *key, const std::string &value, const char *end,
                      const std::string &used) {
  if (*end == '\0' && end != value.c_str()) return;
  LogManager::getInstance().writeLog(
      "Config::loadConfig(): Warning! Value '%s' of key '%s' is not a number; using %s.",
      value.c_str(), key, used.c_str());
}

// A number beyond the int range gives the nearest limit.
int toInt(const char *key, const std::string &value) {
  char *end = nullptr;
  int number = clampToInt(static_cast<double>(strtol(value.c_str(), &end, 10)));
  warnUnlessNumber(key, value, end, std::to_string(number));
  return number;
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
  std::ifstream file(name);
  if (!file) {
    // A file the user named is expected to be there: say so whatever the
    // level (on standard error, as the log is not open yet).
    const char *format = "Config::readConfig(): Cannot open Sorbelane configuration file '%s'.";
    if (env_name)
      LogManager::getInstance().writeLog(format, name.c_str());
    else
      LogManager::getInstance().writeLog(1, format, name.c_str());
    return "";
  }
  // Lines are joined without a separator: each setting ends in its own comma.
  std::string content, line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    content += line;
  }
  return content;
}

void Config::loadConfig(std::string new_config) {
  if (new_config.empty()) new_config = readConfig();
  config = new_config;
  LogManager &log_manager = LogManager::getInstance();

  auto applyInt = [this](const char *key, int &field) {
    std::string value = match(key);
    if (!value.empty()) field = toInt(key, value);
  };
  auto applyBool = [this](const char *key, bool &field) {
    std::string value = match(key);
    if (!value.empty()) field = (value == "true");
  };
  auto applyString = [this](const char *key, std::string &field) {
    std::string value = match(key);
    if (!value.empty()) field = value;
  };

  applyInt("frame_time", frame_time);
  std::string value = match("font_scale");
  if (!value.empty()) {
    char *end = nullptr;
    font_scale = static_cast<float>(strtod(value.c_str(), &end));
    warnUnlessNumber("font_scale", value, end, toString(font_scale));
  }
  applyInt("window_horizontal_pixels", window_horizontal_pixels);
  applyInt("window_vertical_pixels", window_vertical_pixels);
  applyInt("window_horizontal_chars", window_horizontal_chars);
  applyInt("window_vertical_chars", window_vertical_chars);

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
  applyInt("random_seed", random_seed);
  if (!match("random_seed").empty()) seed_chosen = false;  // the new setting shows until start-up
  applyBool("networking", networking);
  applyInt("grid_width", grid_width);
  applyInt("grid_height", grid_height);
  applyInt("quadtree_depth", quadtree_depth);
  applyInt("quadtree_threshold", quadtree_threshold);
  applyBool("batch_drawing", batch_drawing);
  applyBool("terminal", terminal);
  value = match("charset");
  if (value == "cp437" || value == "latin1")
    charset = value;
  else if (!value.empty())
    log_manager.writeLog("loadConfig(): Unsupported charset '%s'", value.c_str());
}

// An empty configuration has no keys (match() itself would search its last parse).
std::string Config::match(std::string key) const {
  if (config.empty()) return "";
  return sb::match(config, key);
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
void Config::setConfig(std::string new_config) { config = new_config; }

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
