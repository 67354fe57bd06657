#include "DisplayManager.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdlib>

#include "Config.h"
#include "LogManager.h"
#include "utility.h"

#if __has_include("Frame.h")
#include "Frame.h"
#define SORBELANE_HAVE_FRAME 1
#else
namespace sb {
// Stand-in until the frame class exists; drawFrame then forwards to Frame::draw.
class Frame {};
}  // namespace sb
#define SORBELANE_HAVE_FRAME 0
#endif

namespace sb {

namespace {

// A connection to the X server, held while the window is made. SFML aborts
// the whole program when it cannot open the display, so the window is only
// asked for when this connection opened. Holding it until the window exists
// keeps the server from resetting (as an X server does when its last client
// leaves) between this probe and SFML's own connection. Xlib is already
// loaded with SFML; it is looked up at run time so the engine needs no link
// dependency of its own.
class DisplayProbe {
 public:
  DisplayProbe() {
    lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
    if (!lib) return;
    auto open_display = reinterpret_cast<OpenDisplay>(dlsym(lib, "XOpenDisplay"));
    close_display = reinterpret_cast<CloseDisplay>(dlsym(lib, "XCloseDisplay"));
    if (open_display && close_display) display = open_display(nullptr);
  }
  ~DisplayProbe() {
    if (display) close_display(display);
    if (lib) dlclose(lib);
  }
  DisplayProbe(const DisplayProbe &) = delete;
  void operator=(const DisplayProbe &) = delete;

  bool available() const { return display != nullptr; }

 private:
  using OpenDisplay = void *(*)(const char *);
  using CloseDisplay = int (*)(void *);
  void *lib = nullptr;
  CloseDisplay close_display = nullptr;
  void *display = nullptr;
};

// One shake offset: (scale + 1) - 2 * (rand() mod (scale + 1)).
int shakeOffset(int scale) {
  int span = scale + 1;
  if (span == 0) return 0;  // a scale of -1 would divide by zero: no shake
  return span - 2 * (rand() % span);
}

}  // namespace

DisplayManager::DisplayManager()
    : p_window(nullptr),
      window_horizontal_pixels(0),
      window_vertical_pixels(0),
      window_horizontal_chars(0),
      window_vertical_chars(0),
      p_rectangle(nullptr),
      window_background_color(sf::Color::Black),
      p_text(nullptr),
      shake_duration(0),
      shake_scale_x(0),
      shake_scale_y(0),
      shake_x(0),
      shake_y(0) {
  setType("DisplayManager");
}

DisplayManager::~DisplayManager() { releaseGraphics(); }

DisplayManager &DisplayManager::getInstance() {
  static DisplayManager display_manager;
  return display_manager;
}

void DisplayManager::releaseGraphics() {
  if (p_window) {
    p_window->close();
    delete p_window;
    p_window = nullptr;
  }
  delete p_text;
  p_text = nullptr;
  delete p_rectangle;
  p_rectangle = nullptr;
}

int DisplayManager::startUp() {
  LogManager &log_manager = LogManager::getInstance();
  if (isStarted()) {
    log_manager.writeLog("DisplayManager::startUp(): Already started.");
    return 0;
  }

  // The sizes are read in headless mode too, so that cell conversions work.
  const Config &config = Config::getInstance();
  window_horizontal_pixels = config.getWindowHorizontalPixels();
  window_vertical_pixels = config.getWindowVerticalPixels();
  window_horizontal_chars = config.getWindowHorizontalChars();
  window_vertical_chars = config.getWindowVerticalChars();

  // Cell sizes divide by the character counts, headless or not.
  if (window_horizontal_chars <= 0 || window_vertical_chars <= 0) {
    log_manager.writeLog("DisplayManager::startUp(): Error! Window size (%d, %d) characters "
                         "must be positive.",
                         window_horizontal_chars, window_vertical_chars);
    return -1;
  }

  if (config.getHeadless()) {
    log_manager.writeLog(1,
                         "DisplayManager::startUp(): not doing graphics since in headless mode.");
  } else if (openWindow() != 0) {
    return -1;
  }

  Manager::startUp();
  log_manager.writeLog(5, "DisplayManager::startUp(): successfully started.");
  return 0;
}

int DisplayManager::openWindow() {
  LogManager &log_manager = LogManager::getInstance();
  const Config &config = Config::getInstance();
  releaseGraphics();  // what a failed earlier start-up left behind

  DisplayProbe probe;
  if (window_horizontal_pixels <= 0 || window_vertical_pixels <= 0 || !probe.available()) {
    log_manager.writeLog("DisplayManager::startUp(): Unable to allocate window!");
    return -1;
  }
  sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
  log_manager.writeLog(5, "DisplayManager::startUp(): window resolution (%d, %d) pixels.",
                       static_cast<int>(desktop.width), static_cast<int>(desktop.height));

  // The configured style values are SFML's style bits (5 title bar and
  // close button, 8 full screen).
  p_window = new sf::RenderWindow(
      sf::VideoMode(static_cast<unsigned int>(window_horizontal_pixels),
                    static_cast<unsigned int>(window_vertical_pixels), 32),
      config.getWindowTitle(), static_cast<sf::Uint32>(config.getWindowStyle()));
  if (!p_window->isOpen()) {
    delete p_window;
    p_window = nullptr;
    log_manager.writeLog("DisplayManager::startUp(): Unable to allocate window!");
    return -1;
  }
  p_window->setMouseCursorVisible(config.getShowMouse());
  p_window->setVerticalSyncEnabled(true);

  std::string font_file = config.getFontFile();
  if (!font.loadFromFile(font_file)) {
    log_manager.writeLog("DisplayManager::startUp(): Unable to load font from file '%s'.",
                         font_file.c_str());
    return -1;
  }

  float cell_width = charWidth(), cell_height = charHeight();
  p_rectangle = new sf::RectangleShape(sf::Vector2f(cell_width, cell_height));
  float smaller = cell_width < cell_height ? cell_width : cell_height;
  p_text = new sf::Text();
  p_text->setFont(font);
  p_text->setStyle(sf::Text::Bold);
  float character_size = config.getFontScale() * smaller;
  if (!(character_size >= 0)) character_size = 0;  // NaN or negative
  if (character_size > MAX_CHARACTER_SIZE) character_size = MAX_CHARACTER_SIZE;
  p_text->setCharacterSize(static_cast<unsigned int>(character_size));

  setBackgroundColor(config.getWindowBackgroundColor());
  return 0;
}

void DisplayManager::shutDown() {
  releaseGraphics();
  Manager::shutDown();
  LogManager::getInstance().writeLog(1, "DisplayManager::shutDown(): successfully stopped.");
}

// Before start-up (also after a failed one, which may leave a window open)
// drawing logs and fails; without a window it fails silently.
bool DisplayManager::canDraw() const {
  if (!isStarted()) {
    LogManager::getInstance().writeLog("%s not started!", getType().c_str());
    return false;
  }
  return p_window != nullptr;
}

int DisplayManager::drawCh(Vector world_pos, char ch, Color color) const {
  if (Config::getInstance().getHeadless()) return -1;
  // Black unless the colour names one: CUSTOM leaves the outputs unchanged.
  unsigned char r = 0, g = 0, b = 0;
  colorToRGB(color, r, g, b);
  return drawCh(world_pos, ch, r, g, b);
}

int DisplayManager::drawCh(Vector world_pos, char ch, unsigned char r, unsigned char g,
                           unsigned char b) const {
  if (!canDraw()) return -1;
  Vector pixel = spacesToPixels(worldToView(world_pos));
  float px = pixel.getX(), py = pixel.getY();
  float cell_width = static_cast<float>(window_horizontal_pixels) / window_horizontal_chars;
  float cell_height = static_cast<float>(window_vertical_pixels) / window_vertical_chars;

  // The cell's background first, so each character blanks what was beneath.
  p_rectangle->setPosition(px - cell_width / 10, py + cell_height / 5);
  p_window->draw(*p_rectangle);

  p_text->setString(sf::String(static_cast<sf::Uint32>(static_cast<unsigned char>(ch))));
  p_text->setPosition(px + shake_x, py + shake_y);
  p_text->setFillColor(sf::Color(r, g, b, 255));
  p_window->draw(*p_text);
  return 0;
}

int DisplayManager::drawString(Vector world_pos, std::string str, Justification just,
                               Color color) const {
  if (!canDraw()) return -1;
  int length = static_cast<int>(str.size());
  float start = world_pos.getX();
  if (just == CENTER_JUSTIFIED)
    start -= static_cast<float>(length / 2);
  else if (just == RIGHT_JUSTIFIED)
    start -= static_cast<float>(length);
  for (int i = 0; i < length; i++)
    drawCh(Vector(start + static_cast<float>(i), world_pos.getY()), str[i], color);
  return 0;
}

int DisplayManager::drawFrame(Vector world_pos, Frame frame, bool centered, Color color,
                              char transparent) const {
  (void)centered;  // frames are always drawn centred on their position
#if SORBELANE_HAVE_FRAME
  return frame.draw(world_pos, color, transparent);
#else
  (void)world_pos;
  (void)frame;
  (void)color;
  (void)transparent;
  return -1;
#endif
}

int DisplayManager::getHorizontal() const { return window_horizontal_chars; }
int DisplayManager::getVertical() const { return window_vertical_chars; }
int DisplayManager::getHorizontalPixels() const { return window_horizontal_pixels; }
int DisplayManager::getVerticalPixels() const { return window_vertical_pixels; }

int DisplayManager::swapBuffers() {
  if (!canDraw()) return -1;
  if (p_capture) p_capture->update(*p_window);  // the finished frame, before it is shown
  p_window->display();
  p_window->clear(window_background_color);

  // The offsets apply to every glyph drawn during the coming step.
  if (shake_duration > 0) {
    shake_x = shakeOffset(shake_scale_x);
    shake_y = shakeOffset(shake_scale_y);
    shake_duration--;
  } else {
    shake_x = 0;
    shake_y = 0;
  }
  return 0;
}

bool DisplayManager::setBackgroundColor(Color color) {
  if (Config::getInstance().getHeadless()) return false;
  window_background_color = colorToSFML(color);
  if (p_rectangle) p_rectangle->setFillColor(window_background_color);
  return true;
}

sf::RenderWindow *DisplayManager::getWindow() const { return p_window; }

void DisplayManager::shake(int scale_x, int scale_y, int duration, bool add) {
  if (add) {
    shake_scale_x += scale_x;
    shake_scale_y += scale_y;
    shake_duration += duration;
  } else {
    shake_scale_x = scale_x;
    shake_scale_y = scale_y;
    shake_duration = duration;
  }
}

}  // namespace sb
