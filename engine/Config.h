#ifndef SORBELANE_CONFIG_H
#define SORBELANE_CONFIG_H

#include <string>

#include "Color.h"

namespace sb {

// Every engine setting, read from one attribute-string configuration file.
class Config {
 private:
  Config();
  Config(const Config &) = delete;
  void operator=(const Config &) = delete;

  std::string config;
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
  bool networking;
  int quadtree_threshold;
  int quadtree_depth;
  int grid_width;
  int grid_height;
  bool batch_drawing;

 public:
  static Config &getInstance();

  // Stores the string (or the file's content when empty) and applies every known key.
  void loadConfig(std::string new_config);
  // The configuration file's content, or "" when it cannot be opened.
  std::string readConfig();
  // The value of key in the stored string, or "".
  std::string match(std::string key) const;
  void writeToLog() const;

  std::string getConfig() const;
  void setConfig(std::string new_config);

  int getWindowHorizontalPixels() const;
  void setWindowHorizontalPixels(int value);
  int getWindowVerticalPixels() const;
  void setWindowVerticalPixels(int value);
  int getWindowHorizontalChars() const;
  void setWindowHorizontalChars(int value);
  int getWindowVerticalChars() const;
  void setWindowVerticalChars(int value);
  Color getWindowBackgroundColor() const;
  void setWindowBackgroundColor(Color value);
  int getFrameTime() const;
  void setFrameTime(int value);
  float getFontScale() const;
  void setFontScale(float value);
  int getWindowStyle() const;
  void setWindowStyle(int value);
  std::string getWindowTitle() const;
  void setWindowTitle(std::string value);
  bool getShowMouse() const;
  void setShowMouse(bool value);
  bool getHeadless() const;
  void setHeadless(bool value);
  std::string getFontFile() const;
  void setFontFile(std::string value);
  std::string getLogFile() const;
  void setLogFile(std::string value);
  int getRandomSeed() const;
  void setRandomSeed(int value);
  bool getNetworking() const;
  void setNetworking(bool value);
  int getQuadtreeThreshold() const;
  void setQuadtreeThreshold(int value);
  int getQuadtreeDepth() const;
  void setQuadtreeDepth(int value);
  int getGridWidth() const;
  void setGridWidth(int value);
  int getGridHeight() const;
  void setGridHeight(int value);
  bool getBatchDrawing() const;
  void setBatchDrawing(bool value);
};

}  // namespace sb

#endif
