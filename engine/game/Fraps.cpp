#include "Fraps.h"

#include <string>

#include "DisplayManager.h"
#include "EventKeyboard.h"
#include "GameManager.h"
#include "LogManager.h"
#include "utility.h"

namespace sb {

namespace {

float frame_rate = 30.0f;  // smoothed rate shared by all Fraps
const double SMOOTHING = 0.97;

}  // namespace

float Fraps::getFrameRate() { return frame_rate; }

void Fraps::setFrameRate(float new_frame_rate) { frame_rate = new_frame_rate; }

Fraps::Fraps(bool init_record) : record(init_record), log_frame_rate(false), p_texture(nullptr) {
  setType("Fraps");
  setLocation(TOP_RIGHT);
  setViewString(FRAPS_STRING);
  setColor(GREEN);
  setValue(30);
  sf::RenderWindow *p_window = DisplayManager::getInstance().getWindow();
  if (p_window) {
    sf::Vector2u size = p_window->getSize();
    p_texture = new sf::Texture;
    if (!p_texture->create(size.x, size.y)) {
      delete p_texture;
      p_texture = nullptr;
    }
  }
  updateCapture();
  registerInterest(STEP_EVENT);
  registerInterest(KEYBOARD_EVENT);
  LogManager::getInstance().writeLog("Fraps::Fraps(): Fraps module loaded.");
}

Fraps::~Fraps() {
  DisplayManager &display_manager = DisplayManager::getInstance();
  if (p_texture && display_manager.getCaptureTexture() == p_texture)
    display_manager.setCaptureTexture(nullptr);
  LogManager::getInstance().writeLog("Fraps::Fraps(): Fraps module unloaded");
  delete p_texture;
}

void Fraps::setRecord(bool new_record) {
  record = new_record;
  updateCapture();
}

// The step event comes after the window has been shown and cleared, so the
// display manager copies each finished frame into the texture just before
// showing it, while recording is on.
void Fraps::updateCapture() {
  if (!p_texture) return;
  DisplayManager &display_manager = DisplayManager::getInstance();
  sf::Texture *p_current = display_manager.getCaptureTexture();
  if (record) {
    if (p_current == p_texture) return;
    // Until the next swap the texture holds whatever the window holds now.
    sf::RenderWindow *p_window = display_manager.getWindow();
    if (p_window) p_texture->update(*p_window);
    display_manager.setCaptureTexture(p_texture);
  } else if (p_current == p_texture) {
    display_manager.setCaptureTexture(nullptr);
  }
}

int Fraps::eventHandler(const Event *p_e) {
  if (ViewObject::eventHandler(p_e) != 0) return 1;
  if (!p_e) return 0;
  const std::string &type = p_e->typeRef();
  if (type == KEYBOARD_EVENT) return handleKey(p_e);
  if (type == STEP_EVENT) return handleStep();
  return 0;
}

int Fraps::handleKey(const Event *p_e) {
  const EventKeyboard *p_keyboard = static_cast<const EventKeyboard *>(p_e);
  if (p_keyboard->getKeyboardAction() != KEY_PRESSED) return 1;
  switch (p_keyboard->getKey()) {
    case Keyboard::F9:
      LogManager::getInstance().writeLog(
          1, isVisible() ? "Fraps::eventHandler(): Setting visibility to false"
                         : "Fraps::eventHandler(): Setting visibility to true");
      setVisible(!isVisible());
      break;
    case Keyboard::F11: log_frame_rate = !log_frame_rate; break;
    case Keyboard::F12: setRecord(!record); break;
    default: break;
  }
  return 1;
}

int Fraps::handleStep() {
  LogManager &log_manager = LogManager::getInstance();
  if (log_frame_rate) log_manager.writeLog("Fraps: frame rate %.0f f/s", frame_rate);
  if (record) {
    if (!DisplayManager::getInstance().getWindow()) {
      log_manager.writeLog("Fraps::eventHandler(): DM window is NULL. Unable to record.");
      return 1;
    }
    saveFrame();
  }
  updateRate();
  Color new_color = frame_rate < 20 ? RED : frame_rate < 28 ? YELLOW : GREEN;
  if (log_frame_rate) new_color = CYAN;
  if (record) new_color = WHITE;
  setColor(new_color);
  setValue(clampToInt(frame_rate + 0.5f));
  return 1;
}

// Saves the last finished frame as fraps-<step>.jpg in the working directory.
void Fraps::saveFrame() {
  std::string file_name =
      FRAPS_FILENAME + "-" + std::to_string(GameManager::getInstance().getStepCount()) + ".jpg";
  if (!p_texture || !p_texture->copyToImage().saveToFile(file_name))
    LogManager::getInstance().writeLog("Fraps::eventHandler(): Warning! Unable to save file '%s'.",
                                       file_name.c_str());
}

// Exponential smoothing of the instantaneous rate; a zero interval is skipped.
void Fraps::updateRate() {
  long long d = clock.delta();
  if (d < 1) return;
  double rate = frame_rate * SMOOTHING + static_cast<double>(1000000 / d) * (1 - SMOOTHING);
  frame_rate = static_cast<float>(rate);
}

}  // namespace sb
