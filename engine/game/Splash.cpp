#include "Splash.h"

#include <algorithm>

#include "Animation.h"
#include "EventStep.h"
#include "GameManager.h"
#include "LogManager.h"
#include "SplashSorbelane.h"
#include "Sprite.h"
#include "WorldManager.h"
#include "utility.h"

namespace sb {

namespace {

const int SPLASH_WIDTH = 47;
const int SPLASH_HEIGHT = 8;

// The engine's name in slanted strokes, then in upright ones.
const std::vector<std::vector<std::string>> SPLASH_FRAMES = {
    {
        "",
        "   _____            __         __             ",
        "  / ___/____  _____/ /_  ___  / /___ _____  ___",
        "  \\__ \\/ __ \\/ ___/ __ \\/ _ \\/ / __ `/ __ \\/ _ ",
        " ___/ / /_/ / /  / /_/ /  __/ / /_/ / / / /  __",
        "/____/\\____/_/  /_.___/\\___/_/\\__,_/_/ /_/\\___/",
        "",
        "",
    },
    {
        "",
        " ____            _          _",
        "/ ___|  ___  _ _| |__   ___| | __ _ _ __   ___",
        "\\___ \\ / _ \\| '_| '_ \\ / _ \\ |/ _` | '_ \\ / _ \\",
        " ___) | (_) | | | |_) |  __/ | (_| | | | |  __/",
        "|____/ \\___/|_| |_.__/ \\___|_|\\__,_|_| |_|\\___|",
        "",
        "",
    },
};

}  // namespace

Sprite *makeSplashSprite(const std::vector<std::vector<std::string>> &frames, int width, int height,
                         Color color, int slowdown, const std::string &label) {
  Sprite *p_s = new Sprite(static_cast<int>(frames.size()));
  p_s->setWidth(width);
  p_s->setHeight(height);
  p_s->setColor(color);
  p_s->setSlowdown(slowdown);
  p_s->setLabel(label);
  for (const std::vector<std::string> &rows : frames) {
    std::string text;
    for (int row = 0; row < height; row++) {
      std::string line = row < static_cast<int>(rows.size()) ? rows[row] : std::string();
      line.resize(static_cast<size_t>(width), ' ');
      text += line;
    }
    p_s->addFrame(Frame(width, height, text));
  }
  return p_s;
}

Splash::Splash() : countdown(15), p_sprite(nullptr) {
  p_sprite = makeSplashSprite(SPLASH_FRAMES, SPLASH_WIDTH, SPLASH_HEIGHT, GREEN, 0, "splash");
  Animation animation;
  animation.setSprite(p_sprite);
  animation.setIndex(0);
  animation.setSlowdownCount(-1);  // frozen
  setAnimation(animation);
  setType("Splash");
  setSolidness(SPECTRAL);

  WorldManager &world_manager = WorldManager::getInstance();
  Box view = world_manager.getView();
  Box box = getBox();
  setPosition(Vector(view.getCorner().getX() + view.getHorizontal() + box.getHorizontal() / 2,
                     view.getCorner().getY() + view.getVertical() / 2));
  // Travels its distance in half as many steps as the frame time has
  // milliseconds; at least one step, for frame times below 2 ms.
  int steps = std::max(1, GameManager::getInstance().getFrameTime() / 2);
  float distance = box.getHorizontal() / 2 + view.getHorizontal() / 2 + 11;
  setVelocity(Vector(-distance / static_cast<float>(steps), 0));

  registerInterest(STEP_EVENT);
  registerInterest(KEYBOARD_EVENT);
}

Splash::~Splash() {
  // The animation still points at the sprite; nothing draws it any more.
  delete p_sprite;
}

int splashEnding(Object *p_o, const Event *p_e, int key_result) {
  GameManager &game_manager = GameManager::getInstance();
  WorldManager &world_manager = WorldManager::getInstance();
  if (game_manager.getGameOver()) {
    world_manager.markForDelete(p_o);
    return 0;
  }
  if (!p_e) return 0;
  if (p_e->getType() == KEYBOARD_EVENT) {
    game_manager.setGameOver();
    world_manager.markForDelete(p_o);
    return key_result;
  }
  return p_e->getType() == STEP_EVENT ? -1 : 0;
}

int Splash::eventHandler(const Event *p_e) {
  // Any key ends the splash; the key is left to others (0), unlike the
  // emblem, which takes it.
  int ending = splashEnding(this, p_e, 0);
  if (ending != -1) return ending;
  WorldManager &world_manager = WorldManager::getInstance();
  countdown--;
  if (countdown == 0) {
    Animation animation = getAnimation();
    animation.setIndex(1);
    setAnimation(animation, false);
    setVelocity(Vector(0, 0));
    Vector position = getPosition();
    new SplashSorbelane(Vector(position.getX() + 24, position.getY() + 1));
  }
  if (countdown == -75) world_manager.markForDelete(this);
  return 1;
}

// Runs the splash screen in a game loop of its own; game over stays set.
int splash() {
  LogManager &log_manager = LogManager::getInstance();
  log_manager.writeLog(10, "splash(): Started.");
  GameManager &game_manager = GameManager::getInstance();
  if (!game_manager.isStarted()) {
    log_manager.writeLog("splash(): Error! Cannot run splash screen until game manger is started.");
    return -1;
  }
  new Splash;
  game_manager.run();
  log_manager.writeLog(10, "splash(): Finished.");
  return 0;
}

}  // namespace sb
