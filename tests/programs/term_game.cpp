// A small game for the tests that play a terminal's part: it draws a border
// of '#' around its window every step, logs every key event as
// "term_game: key K action A char C alt L" and every resize of the terminal
// as "term_game: resize C R, asked C R at step S", and ends when Q is pressed
// (or after a minute). Its window and terminal settings come from the
// configuration. An unseen object stands at the terminal's size in cells,
// so that a replay that gave the game other sizes would not match; a
// replay's outcome is the exit status.
#include "Sorbelane.h"

namespace {

class Border : public sb::Object {
 public:
  Border() {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::KEYBOARD_EVENT);
    registerInterest(sb::STEP_EVENT);
    registerInterest(sb::RESIZE_EVENT);
  }

  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::KEYBOARD_EVENT) {
      const auto *p_key = static_cast<const sb::EventKeyboard *>(p_e);
      sb::LogManager::getInstance().writeLog(
          "term_game: key %d action %d char %u alt %d", static_cast<int>(p_key->getKey()),
          static_cast<int>(p_key->getKeyboardAction()),
          static_cast<unsigned>(p_key->getCharacter()), p_key->getAlt() ? 1 : 0);
      if (p_key->getKey() == sb::Keyboard::Q && p_key->getKeyboardAction() == sb::KEY_PRESSED)
        sb::GameManager::getInstance().setGameOver(true);
      return 1;
    }
    if (p_e->getType() == sb::RESIZE_EVENT) {
      const auto *p_resize = static_cast<const sb::EventResize *>(p_e);
      sb::DisplayManager &display = sb::DisplayManager::getInstance();
      sb::LogManager::getInstance().writeLog(
          "term_game: resize %d %d, asked %d %d at step %d", p_resize->getColumns(),
          p_resize->getRows(), display.getTerminalHorizontal(), display.getTerminalVertical(),
          sb::GameManager::getInstance().getStepCount());
      return 1;
    }
    if (p_e->getType() == sb::STEP_EVENT &&
        static_cast<const sb::EventStep *>(p_e)->getStepCount() > 1800)
      sb::GameManager::getInstance().setGameOver(true);
    return 0;
  }

  int draw() override {
    sb::DisplayManager &display = sb::DisplayManager::getInstance();
    int columns = display.getHorizontal(), rows = display.getVertical();
    for (int x = 0; x < columns; x++)
      for (int y = 0; y < rows; y++)
        if (x == 0 || y == 0 || x == columns - 1 || y == rows - 1)
          display.drawCh(sb::Vector(static_cast<float>(x), static_cast<float>(y)), '#',
                         sb::BLUE);
    return 0;
  }
};

// Stands at the terminal's size as the game reads it, at the start and
// after every resize.
class SizeMark : public sb::Object {
 public:
  SizeMark() {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::RESIZE_EVENT);
    standAtTerminalSize();
  }
  void standAtTerminalSize() {
    sb::DisplayManager &display = sb::DisplayManager::getInstance();
    setPosition(sb::Vector(static_cast<float>(display.getTerminalHorizontal()),
                           static_cast<float>(display.getTerminalVertical())));
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::RESIZE_EVENT) return 0;
    standAtTerminalSize();
    return 1;
  }
  int draw() override { return 0; }
};

}  // namespace

int main() {
  sb::GameManager &game = sb::GameManager::getInstance();
  if (game.startUp() != 0) return 1;
  sb::LogManager::getInstance().setFlush(true);
  new Border;
  new SizeMark;
  game.run();
  game.shutDown();
  return sb::Replay::getInstance().getExitStatus();
}
