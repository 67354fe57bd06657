#include "GameManager.h"

#include <cerrno>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Cast.h"
#include "Clock.h"
#include "Config.h"
#include "DisplayManager.h"
#include "EventStep.h"
#include "InputManager.h"
#include "LogManager.h"
#include "LoopState.h"
#include "NetworkManager.h"
#include "PathManager.h"
#include "Recorder.h"
#include "Replay.h"
#include "ResourceManager.h"
#include "TerminalDisplay.h"
#include "WorldManager.h"
#include "AudioDevice.h"
#include "utility.h"

namespace sb {

namespace {

const char *const BANNER_LINE = "****************************************************";

// Starts one manager and logs the outcome; false on failure.
bool startManager(Manager &manager, const char *started, const char *failed) {
  LogManager &log_manager = LogManager::getInstance();
  if (manager.startUp() != 0) {
    log_manager.writeLog("%s", failed);
    return false;
  }
  log_manager.writeLog(1, "%s", started);
  return true;
}

void stopManager(Manager &manager, const char *stopped) {
  manager.shutDown();
  LogManager::getInstance().writeLog(1, "%s", stopped);
}

// While the loop runs, Ctrl-C (or SIGTERM, SIGHUP, SIGQUIT) is only recorded here and acted on by
// the loop at the end of its step: shutting down inside the handler could deadlock if the signal
// arrived in the middle of a memory allocation. A second Ctrl-C while the first is pending or
// shut-down is under way ends the process at once (a step that never ends can still be
// interrupted), and shut-down is never entered twice.
volatile sig_atomic_t loop_running = 0;
volatile sig_atomic_t pending_signal = 0;
volatile sig_atomic_t shutting_down = 0;

// Sleeps for a number of microseconds; a request of a second or more is split
// into whole seconds and nanoseconds so that nanosleep() accepts it. A signal
// the game goes on after (a resize, a resume) does not cut the sleep short:
// the rest is slept. A signal that ends the game does, so that it ends at once.
int sleepMicroseconds(long long microseconds) {
  struct timespec request, remaining;
  request.tv_sec = static_cast<time_t>(microseconds / 1000000);
  request.tv_nsec = static_cast<long>((microseconds % 1000000) * 1000);
  while (nanosleep(&request, &remaining) != 0) {
    if (errno != EINTR) return -1;
    if (pending_signal) return 0;
    request = remaining;
  }
  return 0;
}

void onSignal(int signal) {
  if (pending_signal || shutting_down) {
    TerminalDisplay::restoreFromSignal();  // async-signal-safe too
    _exit(signal);
  }
  if (loop_running) {
    pending_signal = signal;
    return;
  }
  doShutDown(signal);
}

// Ctrl-C, and the signals a terminal's hang-up, Ctrl-\ or kill send, end
// the game after the current step (see doShutDown()).
void installStopHandlers() {
  LogManager &log_manager = LogManager::getInstance();
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  if (sigaction(SIGINT, &action, nullptr) != 0)
    log_manager.writeLog("Error catching Ctrl-C signal!");
  for (int signal : {SIGTERM, SIGHUP, SIGQUIT})
    if (sigaction(signal, &action, nullptr) != 0)
      log_manager.writeLog("GameManager::startUp(): Error catching signal %d!", signal);
}

// The seed of this run: the recording's when replaying, the clock's when
// the configuration says 0, else the configured one (-1 leaves rand() alone).
int chooseSeed(int configured) {
  if (Replay::getInstance().isReplaying()) return Replay::getInstance().getSeed();
  return configured == 0 ? static_cast<int>(time(nullptr)) : configured;
}

}  // namespace

void doShutDown(int signal) {
  shutting_down = 1;
  LogManager::getInstance().writeLog(1, "doShutDown(): Signal is %d.  Shutting down.", signal);
  GameManager::getInstance().shutDown();
  exit(signal);
}

GameManager::GameManager() : frame_time(0), step_count(0) {
  setType("GameManager");
  // The network manager's Ctrl-C handler stops the engine through the loop state.
  LoopState::getInstance().setShutDown([] { GameManager::getInstance().shutDown(); });
}

// The step count lives here, in the log's line prefix and in the loop state.
void GameManager::setStep(int new_step_count) {
  step_count = new_step_count;
  LogManager::getInstance().setStepCount(step_count);
  LoopState::getInstance().setStepCount(step_count);
}

GameManager &GameManager::getInstance() {
  static GameManager game_manager;
  return game_manager;
}

bool GameManager::isValid(std::string event_type) const { return event_type == STEP_EVENT; }

int GameManager::startUp() {
  LogManager &log_manager = LogManager::getInstance();
  if (isStarted()) {
    log_manager.writeLog("GameManager::startup(): Already started.");
    return 0;
  }
  setStep(0);  // a new start logs step 0, as the first did
  Config &config = Config::getInstance();
  config.loadConfig("");
  AudioDevice::quietWithoutDevice();

  if (log_manager.startUp() != 0) {
    log_manager.writeLog("Error starting log manager!");
    config.writeWarnings();  // on standard error, then
    return -1;
  }
  log_manager.writeLog("%s", BANNER_LINE);
  log_manager.writeLog("** Sorbelane version %.2f **", SORBELANE_VERSION);
  log_manager.writeLog("** Game engine started **");
  log_manager.writeLog("%s", BANNER_LINE);
  log_manager.writeLog(1, "Log Manager started.");
  config.writeWarnings();
  // A replay runs with the recorded game's configuration.
  if (Replay::getInstance().prepare() != 0) return -1;
  config.writeToLog();

  frame_time = config.getFrameTime();
  LoopState::getInstance().setFrameTime(frame_time);
  log_manager.writeLog(5, "GameManager::startUp(): frame time is %d", frame_time);

  if (!startManager(DisplayManager::getInstance(), "Display manager started.",
                    "Error starting display manager!"))
    return -1;
  if (!startManager(InputManager::getInstance(), "Input manager started.",
                    "Error starting input manager!"))
    return -1;
  if (config.getNetworking() &&
      !startManager(NetworkManager::getInstance(), "Network manager started.",
                    "Error starting network manager!"))
    return -1;
  if (!startManager(ResourceManager::getInstance(), "Resource manager started.",
                    "Error starting resource manager!"))
    return -1;
  if (!startManager(WorldManager::getInstance(), "World manager started.",
                    "Error starting world manager!"))
    return -1;
  if (!startManager(PathManager::getInstance(), "Path manager started.",
                    "Error starting path manager!"))
    return -1;

  DisplayManager &display_manager = DisplayManager::getInstance();
  WorldManager &world_manager = WorldManager::getInstance();
  Box window_box(Vector(0, 0), static_cast<float>(display_manager.getHorizontal()),
                 static_cast<float>(display_manager.getVertical()));
  world_manager.setBoundary(window_box);
  world_manager.setView(window_box);
  world_manager.setViewSlack(Vector(1.0f / 3.0f, 1.0f / 3.0f));

  installStopHandlers();

  int seed = chooseSeed(config.getConfiguredRandomSeed());
  if (seed != -1) srand(static_cast<unsigned int>(seed));
  config.useRandomSeed(seed);
  // At every level: a player can report the seed of a run.
  log_manager.writeLog("GameManager()::startUp(): seed is %d", seed);
  Replay::getInstance().engineStarted();
  if (Recorder::getInstance().engineStarted(seed) != 0) return -1;

  setGameOver(false);
  Manager::startUp();
  log_manager.writeLog(5, "GameManager::startUp(): successfully started.");
  return 0;
}

// Recorded and replayed games give path searches a fixed amount of work per
// step, not a share of the frame's time, so that they find their paths at the
// same steps on any machine. "path_step_work:N," asks for that in any game.
void GameManager::choosePathStepWork() const {
  int step_work = 0;
  if (!readInt(Config::getInstance().match("path_step_work"), step_work) || step_work < 0)
    step_work = 0;
  if (step_work == 0 &&
      (Recorder::getInstance().isRecording() || Replay::getInstance().isReplaying()))
    step_work = PathManager::DETERMINISTIC_STEP_WORK;
  PathManager::getInstance().setStepWork(step_work);
}

// Sleeps out the rest of the step's frame time; gives the sleep's overshoot,
// which the next step takes off its own sleep.
long long GameManager::waitOutStep(const Clock &clock, long long adjust) const {
  LogManager &log_manager = LogManager::getInstance();
  long long split = clock.split();
  long long to_sleep = frame_time * 1000LL - split - adjust;
  if (!Replay::getInstance().isPaced()) return 0;  // a headless replay runs as fast as it can
  if (to_sleep <= 0) {
    if (frame_time > 0 && adjust == 0 && step_count > 0)
      log_manager.writeLog("GameManager::run(): Can't keep up! frame_time %d ms, split %d ms",
                           frame_time, static_cast<int>(split / 1000));
    return 0;
  }
  long long before = clock.split();
  if (sleepMicroseconds(to_sleep) != 0) {
    log_manager.writeLog("GameManager::run(): Error in nanosleep()! '%s'", strerror(errno));
    log_manager.writeLog("GameManager::run(): tv_nsec %ld, to_sleep %ld",
                         static_cast<long>((to_sleep % 1000000) * 1000),
                         static_cast<long>(to_sleep));
  }
  long long overshoot = (clock.split() - before) - to_sleep;
  return overshoot < 0 ? 0 : overshoot;
}

void GameManager::run() {
  LogManager &log_manager = LogManager::getInstance();
  // Without the managers the loop would spin without a frame wait, logging
  // every step that nothing is started.
  if (!isStarted()) {
    log_manager.writeLog(
        "GameManager::run(): Error! GameManager not started; call startUp() "
        "first.");
    return;
  }
  DisplayManager &display_manager = DisplayManager::getInstance();
  InputManager &input_manager = InputManager::getInstance();
  WorldManager &world_manager = WorldManager::getInstance();
  PathManager &path_manager = PathManager::getInstance();
  bool networking = Config::getInstance().getNetworking();
  Recorder &recorder = Recorder::getInstance();
  Replay &replay = Replay::getInstance();
  choosePathStepWork();

  Clock clock;
  log_manager.writeLog(1, "GameManager::run(): starting game loop");
  setGameOver(false);
  setStep(0);
  long long adjust = 0;  // sleep overshoot carried into the next step
  pending_signal = 0;
  loop_running = 1;

  do {
    clock.delta();
    display_manager.swapBuffers();
    recorder.recordTerminalSize(display_manager.getTerminalHorizontal(),
                                display_manager.getTerminalVertical());
    input_manager.getInput();
    EventStep step_event(step_count);
    onEvent(&step_event);

    if (networking && !replay.feedNetwork()) serviceNetwork(clock);

    world_manager.update();
    display_manager.beginDrawing();
    world_manager.draw();
    display_manager.endDrawing();

    long long remaining = frame_time * 1000LL - clock.split() - adjust;
    path_manager.cycle(static_cast<int>(static_cast<float>(remaining) * 0.95f / 1000.0f));
    recorder.endStep();
    replay.endStep();

    adjust = waitOutStep(clock, adjust);
    setStep(step_count + 1);
    if (pending_signal) {
      loop_running = 0;
      doShutDown(pending_signal);
    }
  } while (!getGameOver());

  loop_running = 0;
  if (pending_signal) doShutDown(pending_signal);  // arrived after the last step's check
  log_manager.writeLog(1, "GameManager::run(): end of game loop");
}

// Sends on what closed connections still owe their peers, accepts a pending
// client and turns arrived messages into events within a fifth of the frame
// time.
void GameManager::serviceNetwork(const Clock &clock) {
  NetworkManager &network_manager = NetworkManager::getInstance();
  network_manager.flushLeaving();
  if (network_manager.isServer()) network_manager.accept();
  long long budget_end =
      static_cast<long long>(static_cast<float>(frame_time) * 0.2f * 1000.0f) + clock.split();
  bool data_arrived;
  do {
    data_arrived = false;
    for (int i = 0; i < network_manager.getNumConnections();) {
      int before = network_manager.getNumConnections();
      if (network_manager.genDataEvents(i) > 0) data_arrived = true;
      // A closed connection moves the later ones down onto its index.
      if (network_manager.getNumConnections() >= before) i++;
    }
  } while (data_arrived && clock.split() < budget_end);
  if (data_arrived && clock.split() >= budget_end)
    LogManager::getInstance().writeLog("GameManager::run(): Warning! Residual network data.");
}

void GameManager::shutDown() {
  setGameOver(true);
  Recorder::getInstance().engineStopping();
  Replay::getInstance().engineStopping();
  stopManager(PathManager::getInstance(), "Path manager stopped");
  stopManager(WorldManager::getInstance(), "World manager stopped");
  stopManager(ResourceManager::getInstance(), "Resource manager stopped");
  if (Config::getInstance().getNetworking())
    stopManager(NetworkManager::getInstance(), "Network manager stopped");
  stopManager(InputManager::getInstance(), "Input manager stopped");
  stopManager(DisplayManager::getInstance(), "Display manager stopped");
  Cast::getInstance().stop();
  LogManager &log_manager = LogManager::getInstance();
  log_manager.writeLog("%s", BANNER_LINE);
  log_manager.writeLog("** Game engine stopped **");
  log_manager.shutDown();
  Manager::shutDown();
}

void GameManager::setGameOver(bool new_game_over) {
  LoopState::getInstance().setGameOver(new_game_over);
}
bool GameManager::getGameOver() const { return LoopState::getInstance().getGameOver(); }
int GameManager::getFrameTime() const { return frame_time; }
int GameManager::getStepCount() const { return step_count; }

Manager &Manager::handlerOf(const std::string &event_type) {
  if (event_type == KEYBOARD_EVENT || event_type == MSE_EVENT) return InputManager::getInstance();
  if (event_type == STEP_EVENT) return GameManager::getInstance();
  if (event_type == NETWORK_EVENT || event_type == NETWORK_KEYBOARD_EVENT ||
      event_type == NETWORK_MSE_EVENT || event_type == NETWORK_CUSTOM_EVENT)
    return NetworkManager::getInstance();
  return WorldManager::getInstance();
}

}  // namespace sb
