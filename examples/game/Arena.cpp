#include "Arena.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderWindow.hpp>

#include "DemoPilot.h"
#include "Enemy.h"
#include "Help.h"
#include "Player.h"
#include "Wall.h"

namespace {

const int kLives = 3;
const int kPointsPerEnemy = 10;
const int kMaxEnemies = 8;
const int kEndSteps = 60;  // the game-over message stays this long in a real game

// Where enemies come in: the four corners and the middle of the bottom edge.
const sb::Vector kSpawnPoints[] = {{4, 4}, {75, 22}, {75, 4}, {4, 22}, {40, 23}};

}  // namespace

Arena::Arena(const ArenaOptions &init_options) : options(init_options) {
  setType("Arena");
  setSolidness(sb::SPECTRAL);
  setVisible(false);
  registerInterest(sb::STEP_EVENT);

  p_scores = new HighScores;
  if (p_scores->load(options.high_score_file) == 0)
    sb::LogManager::getInstance().writeLog("arena: %d high scores read from %s",
                                           static_cast<int>(p_scores->getScores().size()),
                                           options.high_score_file.c_str());
  buildWalls();
  p_player = new Player(this, sb::Vector(40, 14));
  p_hud = new Hud(p_scores->best(), kLives);
  if (options.demo_steps > 0) new DemoPilot(this, options.demo_steps / 2);
  if (sb::Music *p_music = sb::ResourceManager::getInstance().getMusic("music")) p_music->play(true);
  sb::LogManager::getInstance().writeLog("arena: started");
}

Arena::~Arena() {
  // The capture texture must not outlive its use by the display manager.
  if (p_capture) sb::DisplayManager::getInstance().setCaptureTexture(nullptr);
  delete p_hud;
}

void Arena::toggleHelp() {
  if (!p_help) p_help = new Help;
  p_help->toggle();
}

void Arena::buildWalls() {
  // Bars and posts that leave the middle open and make the enemies go round.
  const int walls[][4] = {{8, 6, 14, 1},  {58, 6, 14, 1}, {8, 19, 14, 1}, {58, 19, 14, 1},
                          {24, 9, 1, 7},  {55, 9, 1, 7},  {34, 5, 12, 1}, {34, 21, 12, 1}};
  for (const auto &w : walls) new Wall(w[0], w[1], w[2], w[3]);
}

void Arena::spawnEnemy() {
  if (sb::WorldManager::getInstance().objectsOfType("Enemy").getCount() >= kMaxEnemies) return;
  // The next spawn point not right next to the player.
  for (int tries = 0; tries < 5; tries++) {
    sb::Vector where = kSpawnPoints[next_spawn_point];
    next_spawn_point = (next_spawn_point + 1) % 5;
    if (sb::distance(where, p_player->getPosition()) < 8.0f) continue;
    // Faster enemies as the game goes on.
    float speed = 0.3f + 0.02f * static_cast<float>(stats.enemies_spawned / 4);
    new Enemy(this, where, speed > 0.6f ? 0.6f : speed);
    stats.enemies_spawned++;
    return;
  }
}

void Arena::playSound(const std::string &label) {
  if (sb::Sound *p_sound = sb::ResourceManager::getInstance().getSound(label)) p_sound->play(false);
}

void Arena::enemyDown(bool by_shot) {
  explosions_pending = 15;
  if (by_shot) {
    stats.enemies_shot++;
    p_hud->addScore(kPointsPerEnemy);
    sb::LogManager::getInstance().writeLog("arena: enemy shot, score %d", p_hud->getScore());
    // The picture: the fourth kill, while its sparks fly.
    if (stats.enemies_shot == 4 && !options.screenshot_file.empty() && !p_capture) {
      sf::RenderWindow *p_window = sb::DisplayManager::getInstance().getWindow();
      if (p_window) {
        p_capture.reset(new sf::Texture);
        if (p_capture->create(p_window->getSize().x, p_window->getSize().y)) {
          sb::DisplayManager::getInstance().setCaptureTexture(p_capture.get());
          capture_step = stats.steps + 2;
        }
      }
    }
  } else {
    stats.enemies_reached++;
    sb::LogManager::getInstance().writeLog("arena: an enemy reached the player");
  }
}

void Arena::playerHit() {
  stats.lives_lost++;
  playSound("hit");
  p_hud->addLives(-1);
  sb::LogManager::getInstance().writeLog("arena: player hit, %d lives left", p_hud->getLives());
  if (p_hud->getLives() <= 0) endGame("no lives");
}

void Arena::shotFired(sb::Vector direction) {
  stats.shots++;
  playSound("shot");
  sb::LogManager::getInstance().writeLog(10, "arena: shot towards %.2f %.2f", direction.getX(),
                                         direction.getY());
}

void Arena::playerMoved(sb::Vector where) {
  stats.player_moves++;
  sb::LogManager::getInstance().writeLog("arena: player at %g %g", where.getX(), where.getY());
}

void Arena::countParticles() {
  int count = sb::WorldManager::getInstance().objectsOfType("Particle").getCount();
  if (count > stats.most_particles) stats.most_particles = count;
}

void Arena::screenshot() {
  sf::Image image = p_capture->copyToImage();
  sb::DisplayManager::getInstance().setCaptureTexture(nullptr);
  if (image.saveToFile(options.screenshot_file))
    sb::LogManager::getInstance().writeLog("arena: screenshot saved to %s",
                                           options.screenshot_file.c_str());
  p_capture.reset();
}

void Arena::endGame(const std::string &reason) {
  if (over) return;
  over = true;
  end_reason = reason;
  p_hud->showMessage("GAME OVER");
  int score = p_hud->getScore();
  int place = p_scores->add(score);
  if (place > 0) p_hud->setBest(p_scores->best());
  // Save the table and read the file back into a second table: what a next
  // game will see.
  HighScores *p_check = new HighScores;
  // A replay's score was the recorded game's: the table has it already.
  bool replaying = sb::Replay::getInstance().isReplaying();
  bool saved = replaying || p_scores->save(options.high_score_file) == 0;
  bool same = saved && p_check->load(options.high_score_file) == 0 &&
              p_check->getScores() == p_scores->getScores();
  sb::WorldManager::getInstance().markForDelete(p_check);

  say("arena: game over (" + reason + ") after " + std::to_string(stats.steps) + " steps");
  say("arena: score " + std::to_string(score) + ", enemies shot " +
      std::to_string(stats.enemies_shot) + ", enemies that reached the player " +
      std::to_string(stats.enemies_reached) + ", lives lost " + std::to_string(stats.lives_lost) +
      ", shots " + std::to_string(stats.shots) + ", most particles " +
      std::to_string(stats.most_particles) + ", player moves " +
      std::to_string(stats.player_moves));
  std::string table;
  for (int s : p_scores->getScores()) table += " " + std::to_string(s);
  say("arena: high scores" + table + (place > 0 ? " (new place " + std::to_string(place) + ")" : "") +
      (replaying ? ", not saved (a replay)"
       : same    ? ", saved and read back the same"
                 : ", NOT saved intact"));
  end_countdown = options.demo_steps > 0 || reason == "quit" ? 1 : kEndSteps;
}

void Arena::restart() {
  sb::WorldManager &world = sb::WorldManager::getInstance();
  for (const char *type : {"Enemy", "Shot", "Particle"}) {
    sb::ObjectList gone = world.objectsOfType(type);
    sb::ObjectListIterator it(&gone);
    for (it.first(); !it.isDone(); it.next()) world.markForDelete(it.currentObject());
  }
  p_player->setPosition(sb::Vector(40, 14));
  p_hud->addScore(-p_hud->getScore());
  p_hud->addLives(kLives - p_hud->getLives());
  p_hud->showMessage("");
  over = false;
  end_countdown = -1;
  spawn_countdown = 20;
  spawn_interval = 45;
  next_spawn_point = 0;
  explosions_pending = 0;
  stats = ArenaStats();
  say("arena: restarted");
}

int Arena::eventHandler(const sb::Event *p_e) {
  if (p_e->typeRef() != sb::STEP_EVENT) return 0;
  stats.steps++;
  if (explosions_pending > 0) {
    explosions_pending--;
    countParticles();
  }
  if (capture_step == stats.steps && p_capture) screenshot();
  if (over) {
    if (--end_countdown <= 0) sb::GameManager::getInstance().setGameOver();
    return 1;
  }
  if (--spawn_countdown <= 0) {
    spawnEnemy();
    if (spawn_interval > 15) spawn_interval -= 2;
    spawn_countdown = spawn_interval;
  }
  if (options.demo_steps > 0 && stats.steps >= options.demo_steps) endGame("demo finished");
  else if (options.max_steps > 0 && stats.steps >= options.max_steps) endGame("time is up");
  return 1;
}
