// The game itself: builds the arena, sends enemies in, keeps score and lives,
// and ends the game, saving the best scores. One Arena object runs a game.
#ifndef ARENA_ARENA_H
#define ARENA_ARENA_H

#include <memory>
#include <string>

#include <SFML/Graphics/Texture.hpp>

#include "HighScores.h"
#include "Hud.h"
#include "Sorbelane.h"
#include "Transcript.h"

class Help;
class Player;

// How to play: taken from the configuration by main().
struct ArenaOptions {
  std::string high_score_file = "arena-scores.txt";
  int demo_steps = 0;           // > 0: scripted input plays this many steps, then the game ends
  int max_steps = 0;            // > 0: the game ends after this many steps whatever happens
  std::string screenshot_file;  // not empty: a picture of the window after the fourth kill
};

// What happened in a game, for the summary printed at its end.
struct ArenaStats {
  int steps = 0;
  int shots = 0;
  int enemies_spawned = 0;
  int enemies_shot = 0;
  int enemies_reached = 0;  // enemies that got to the player
  int lives_lost = 0;
  int most_particles = 0;   // most particles alive at once
  int player_moves = 0;
};

class Arena : public sb::Object {
  ArenaOptions options;
  ArenaStats stats;
  Player *p_player = nullptr;
  Hud *p_hud = nullptr;
  HighScores *p_scores = nullptr;
  bool over = false;
  int end_countdown = -1;     // steps until the loop stops once the game is over
  int spawn_countdown = 20;
  int spawn_interval = 45;
  int next_spawn_point = 0;
  int explosions_pending = 0;  // steps in which particles are worth counting
  std::unique_ptr<sf::Texture> p_capture;
  int capture_step = -1;
  Help *p_help = nullptr;
  std::string end_reason;

  void buildWalls();
  void spawnEnemy();
  void countParticles();
  void screenshot();
  void finish();

 public:
  explicit Arena(const ArenaOptions &options);
  ~Arena() override;

  Player *getPlayer() const { return p_player; }
  bool isOver() const { return over; }
  const ArenaStats &getStats() const { return stats; }

  void playSound(const std::string &label);
  void enemyDown(bool by_shot);
  void playerHit();
  void shotFired(sb::Vector direction);
  void playerMoved(sb::Vector where);
  // Ends the game once: the score goes into the table, the table to its file.
  void endGame(const std::string &reason);
  // Starts a new game at once (the R key), during play or while the
  // game-over message shows: enemies and shots go, score and lives start again.
  void restart();
  // '?': shows or hides the help panel (made on first use, so that a game
  // that never asks has the same objects as before).
  void toggleHelp();
  // '>': the next enemy comes at once.
  void callNextEnemy() { spawn_countdown = 1; }

  int eventHandler(const sb::Event *p_e) override;
};

#endif
