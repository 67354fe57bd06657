#ifndef SORBELANE_SPLASH_SORBELANE_H
#define SORBELANE_SPLASH_SORBELANE_H

#include "Object.h"
#include "Vector.h"

namespace sb {

class Sprite;

// The splash screen's emblem: rises from below the view to its target,
// alternates its frames, then shows a still picture until the splash ends.
class SplashSorbelane : public Object {
 private:
  Vector target;
  int countdown;
  Sprite *p_sprite;  // owned

 public:
  explicit SplashSorbelane(Vector target);
  ~SplashSorbelane();
  int eventHandler(const Event *p_e) override;
};

}  // namespace sb

#endif
