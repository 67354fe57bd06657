// Hello, world: a greeting in the middle of the screen for three seconds.
#include "Sorbelane.h"

class Hello : public sb::Object {
 public:
  Hello() { registerInterest(sb::STEP_EVENT); setPosition(sb::Vector(40, 12)); }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::STEP_EVENT) return 0;
    if (++steps == 90) sb::GameManager::getInstance().setGameOver();  // 90 x 33 ms
    return 1;
  }
  int draw() override {  // positions are world cells, as the view shows them
    return sb::DisplayManager::getInstance().drawString(getPosition(), "Hello, world!",
                                                        sb::CENTER_JUSTIFIED, sb::YELLOW);
  }
  int steps = 0;
};

int main() {
  sb::GameManager &game = sb::GameManager::getInstance();
  if (game.startUp() != 0) return 1;  // every failure is also a line in sorbelane.log
  new Hello;                          // the world owns it from now on
  game.run();                         // until an object sets game over
  game.shutDown();                    // stops the managers and deletes the objects
}
