#ifndef SORBELANE_GAME_MANAGER_H
#define SORBELANE_GAME_MANAGER_H

#include "Clock.h"
#include "Manager.h"

namespace sb {

/// Starts and stops every manager and runs the fixed-rate game loop. A game
/// calls startUp(), loads its resources, makes its objects, calls run() and
/// finally shutDown().
class GameManager : public Manager {
 private:
  GameManager();
  GameManager(const GameManager &) = delete;
  void operator=(const GameManager &) = delete;

  int frame_time;
  int step_count;
  void setStep(int new_step_count);

  void serviceNetwork(const Clock &clock);
  void choosePathStepWork() const;
  long long waitOutStep(const Clock &clock, long long adjust) const;

 public:
  /// The one game manager.
  static GameManager &getInstance();

  /// Only step events may be registered here.
  bool isValid(std::string event_type) const override;
  /// Loads the configuration, starts the log, then the display, input,
  /// network (when configured), resource, world and path managers; sets the
  /// world's boundary and view to the window, catches Ctrl-C and seeds
  /// rand(). 0, or -1 (logged) when a manager fails to start, those started
  /// before it staying started. Starting again only logs.
  int startUp() override;
  /// Sets game over and stops every manager in reverse order, the log last;
  /// the world's objects are deleted.
  void shutDown() override;

  /// Runs the game loop until game over is set: each step shows the last
  /// frame, reads input, sends a step event, moves and draws the world, lets
  /// path searches run, then sleeps for the rest of the frame time. Before
  /// startUp() (or after shutDown()) it logs an error and returns at once.
  void run();

  /// Ends the game loop after the current step (true), or clears the flag.
  void setGameOver(bool new_game_over = true);
  /// Whether the game is over.
  bool getGameOver() const;
  /// Length of one step in milliseconds, from the configuration at start-up.
  int getFrameTime() const;
  /// Steps run since run() began.
  int getStepCount() const;
};

/// What SIGINT (Ctrl-C), SIGTERM, SIGHUP and SIGQUIT do once the current
/// step has ended (at once outside the game loop): shuts the engine down,
/// which writes out the log and gives a terminal back, and exits with the
/// signal number as the status (2, 15, 1 and 3). A second such signal before
/// that is done gives the terminal back and exits at once.
void doShutDown(int signal);

}  // namespace sb

#ifdef SORBELANE_INSTALLED_FONT
// An installed engine package defines SORBELANE_INSTALLED_FONT for the games
// built against it: the font it carries then serves as the fallback font.
#include "EngineFont.h"
namespace sb {
/// Registers the installed package's font once per program, before main().
inline const bool installed_font_registered =
    EngineFont::setInstalledFile(SORBELANE_INSTALLED_FONT);
}  // namespace sb
#endif

#endif
