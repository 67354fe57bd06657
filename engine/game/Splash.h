#ifndef SORBELANE_SPLASH_H
#define SORBELANE_SPLASH_H

#include <string>
#include <vector>

#include "Color.h"
#include "Object.h"

namespace sb {

class Sprite;

/// The engine's name that slides in from the right, changes lettering and
/// calls up the emblem; any key ends the splash screen.
/// splash() makes one and runs the game loop until it is over; a game rarely
/// makes one itself.
class Splash : public Object {
 private:
  int countdown;
  Sprite *p_sprite;  // owned

 public:
  /// Makes the name in the world just right of the view, sliding left; after 15
  /// steps it stops, changes lettering and calls up the emblem.
  Splash();
  /// Frees the name's sprite.
  ~Splash();
  /// Step: moves on the show, and sets game over when it ends; returns 1.
  /// Keyboard: sets game over at once and returns 0, leaving the key to others.
  /// Other events: 0. Once the game is over the object deletes itself.
  int eventHandler(const Event *p_e) override;
};

/// The event handling that the splash's pieces share: once the game is over,
/// p_o deletes itself (0); a key sets game over and deletes p_o, answering
/// key_result; a step is left to the caller (-1); anything else gives 0.
int splashEnding(Object *p_o, const Event *p_e, int key_result);

/// A sprite of frames drawn from rows of text (each row cut or padded with
/// spaces to width, missing rows blank), with its colour, slowdown and label.
/// The caller owns it.
Sprite *makeSplashSprite(const std::vector<std::vector<std::string>> &frames, int width, int height,
                         Color color, int slowdown, const std::string &label);

}  // namespace sb

#endif
