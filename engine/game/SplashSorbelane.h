#ifndef SORBELANE_SPLASH_SORBELANE_H
#define SORBELANE_SPLASH_SORBELANE_H

#include "Object.h"
#include "Vector.h"

namespace sb {

class Sprite;

/// The splash screen's emblem: rises from below the view to its target,
/// alternates its frames, then shows a still picture until the splash ends.
/// Made by Splash; a game never makes one itself.
class SplashSorbelane : public Object {
 private:
  Vector target;
  int countdown;
  Sprite *p_sprite;  // owned

 public:
  /// Makes the emblem just below the view, rising to the world position target.
  explicit SplashSorbelane(Vector target);
  /// Frees the emblem's sprite.
  ~SplashSorbelane();
  /// Step: moves on the show, and sets game over when it ends. Keyboard: sets
  /// game over at once. Returns 1 for these events, 0 for others; once the game
  /// is over the object deletes itself.
  int eventHandler(const Event *p_e) override;
};

}  // namespace sb

#endif
