#ifndef SORBELANE_SPLASH_H
#define SORBELANE_SPLASH_H

#include <string>
#include <vector>

#include "Color.h"
#include "Object.h"

namespace sb {

class Sprite;

// The engine's name that slides in from the right, changes lettering and
// calls up the emblem; any key ends the splash screen.
class Splash : public Object {
 private:
  int countdown;
  Sprite *p_sprite;  // owned

 public:
  Splash();
  ~Splash();
  int eventHandler(const Event *p_e) override;
};

// A sprite of frames drawn from rows of text (each row cut or padded with
// spaces to width), with its colour, slowdown and label. The caller owns it.
Sprite *makeSplashSprite(const std::vector<std::vector<std::string>> &frames, int width,
                         int height, Color color, int slowdown, const std::string &label);

}  // namespace sb

#endif
