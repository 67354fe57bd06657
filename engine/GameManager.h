#ifndef SORBELANE_GAME_MANAGER_H
#define SORBELANE_GAME_MANAGER_H

#include "Clock.h"
#include "Manager.h"

namespace sb {

// Starts and stops every manager and runs the fixed-rate game loop.
class GameManager : public Manager {
 private:
  GameManager();
  GameManager(const GameManager &) = delete;
  void operator=(const GameManager &) = delete;

  bool game_over;
  int frame_time;
  int step_count;

  void serviceNetwork(const Clock &clock);

 public:
  static GameManager &getInstance();

  bool isValid(std::string event_type) const override;
  int startUp() override;
  void shutDown() override;

  // Runs the game loop until game over is set.
  void run();

  void setGameOver(bool new_game_over = true);
  bool getGameOver() const;
  int getFrameTime() const;
  int getStepCount() const;
};

// SIGINT handler: shuts the engine down and exits with the signal number.
void doShutDown(int signal);

}  // namespace sb

#endif
