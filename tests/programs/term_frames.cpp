// Draws a fixed script of frames into the terminal, for the test that checks
// the bytes sent byte for byte. Run with a configuration holding
// terminal:true and a window of 4 x 2 cells of 10 x 10 pixels.
//   frame 1: a red A at (1, 0)
//   frame 2: the A, and a blue B at (3, 1)
//   frame 3: the A, and a green triangle too small for a cell at (2, 1)
//   frame 4: the A
//   frame 5: the A (nothing changes), and a shake of one pixel for one step
//   frame 6: the A shaken by a whole cell to (2, 1)
//   frame 7: the A back at (1, 0)
// The argument "abort" ends the program by abort() after frame 1, "term" by
// SIGTERM, "exit" by exit(3) without shutting the engine down.
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "Sorbelane.h"

int main(int argc, char **argv) {
  const char *end = argc > 1 ? argv[1] : "";
  sb::GameManager &game = sb::GameManager::getInstance();
  if (game.startUp() != 0) return 1;
  sb::DisplayManager &display = sb::DisplayManager::getInstance();
  const sb::Vector a(1, 0);
  for (int frame = 1; frame <= 7; frame++) {
    display.drawCh(a, 'A', sb::RED);
    if (frame == 2) display.drawCh(sb::Vector(3, 1), 'B', sb::BLUE);
    if (frame == 3) display.drawPolygon(20, 10, 1, 3, 0, sf::Color(0, 255, 0));
    if (frame == 5) display.shake(0, 0, 1);
    display.swapBuffers();
    if (frame == 1 && std::strcmp(end, "abort") == 0) std::abort();
    if (frame == 1 && std::strcmp(end, "term") == 0) std::raise(SIGTERM);
    if (frame == 1 && std::strcmp(end, "exit") == 0) std::exit(3);
  }
  game.shutDown();
  return 0;
}
