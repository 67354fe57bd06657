#include "SplashSorbelane.h"

#include "Animation.h"
#include "EventStep.h"
#include "GameManager.h"
#include "Splash.h"
#include "Sprite.h"
#include "WorldManager.h"

namespace sb {

namespace {

const int EMBLEM_STEPS = 30;  // steps to rise to the target

// The emblem with its outer strokes raised, then lowered.
const std::vector<std::vector<std::string>> EMBLEM_FRAMES = {
    {
        "\\    |    /",
        " \\   |   / ",
        "  \\ ### /  ",
        "---#(O)#---",
        "  / ### \\  ",
        " /   |   \\ ",
        "/    |    \\",
    },
    {
        "           ",
        "\\    |    /",
        " \\  ###  / ",
        "---#(O)#---",
        " /  ###  \\ ",
        "/    |    \\",
        "           ",
    },
};

// The emblem standing still.
const std::vector<std::vector<std::string>> EMBLEM_STILL = {{
    "  _____  ",
    " / --- \\ ",
    "|  (O)  |",
    "|-- | --|",
    " \\_____/ ",
    "   | |   ",
}};

}  // namespace

SplashSorbelane::SplashSorbelane(Vector new_target)
    : target(new_target), countdown(EMBLEM_STEPS), p_sprite(nullptr) {
  p_sprite = makeSplashSprite(EMBLEM_FRAMES, 11, 7, BLUE, 2, "splash-sorbelane");
  Animation animation;
  animation.setSprite(p_sprite);
  setAnimation(animation);
  setType("SplashSorbelane");
  setSolidness(SPECTRAL);

  Box view = WorldManager::getInstance().getView();
  Vector start(target.getX(), view.getCorner().getY() + view.getVertical() + 6);
  setPosition(start);
  setVelocity(Vector(0, -(start.getY() - target.getY()) / EMBLEM_STEPS));

  registerInterest(STEP_EVENT);
  registerInterest(KEYBOARD_EVENT);
}

SplashSorbelane::~SplashSorbelane() { delete p_sprite; }

int SplashSorbelane::eventHandler(const Event *p_e) {
  int ending = splashEnding(this, p_e, 1);
  if (ending != -1) return ending;
  GameManager &game_manager = GameManager::getInstance();
  WorldManager &world_manager = WorldManager::getInstance();
  countdown--;
  if (countdown <= 0 && getPosition().getY() <= target.getY()) setVelocity(Vector(0, 0));
  if (countdown == -15) {
    // The animation moves to the new sprite before the old one is freed.
    Sprite *p_old = p_sprite;
    p_sprite = makeSplashSprite(EMBLEM_STILL, 9, 6, GREEN, 0, "splash-sorbelane");
    Animation animation;
    animation.setSprite(p_sprite);
    setAnimation(animation);
    delete p_old;
    Vector position = getPosition();
    setPosition(Vector(position.getX() - 1, position.getY()));
  }
  if (countdown == -45) {
    game_manager.setGameOver();
    world_manager.markForDelete(this);
  }
  return 1;
}

}  // namespace sb
