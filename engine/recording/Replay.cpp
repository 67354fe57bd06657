#include "Replay.h"

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>

#include "AttributeList.h"
#include "Config.h"
#include "Constants.h"
#include "DisplayManager.h"
#include "EventKeyboard.h"
#include "EventMouse.h"
#include "EventNetwork.h"
#include "EventResize.h"
#include "LogManager.h"
#include "LoopState.h"
#include "Object.h"
#include "RegularFile.h"
#include "TerminalDisplay.h"
#include "WorldManager.h"

namespace sb {

namespace {

const int MAX_SOCKETS = 8;

// "key:value," of the running configuration, empty values included, so
// that it goes before (and so wins over) the recorded configuration's key.
std::string keep(const Config &config, const std::string &key) {
  return key + ":" + AttributeList::escape(config.match(key)) + ",";
}

}  // namespace

Replay &Replay::getInstance() {
  static Replay replay;
  return replay;
}

int Replay::prepare() {
  replaying = false;
  diverged_step = -1;
  Config &config = Config::getInstance();
  std::string name = config.match("replay");
  if (name.empty()) return 0;
  LogManager &log = LogManager::getInstance();
  if (!config.match("record").empty()) {
    log.writeLog(
        "Replay::prepare(): Error! record and replay are both set; a replay is not "
        "recorded.");
    return -1;
  }
  std::string text;
  int status = RegularFile::read(name, text, Recording::MAX_SIZE);
  if (status != 0) {
    log.writeLog("Replay::prepare(): Error! Recording '%s' refused, line 0: %s", name.c_str(),
                 status == -2
                     ? "not a regular file"
                     : ("cannot open the file: " + std::string(std::strerror(errno))).c_str());
    return -1;
  }
  std::string mode = config.match("replay_on_divergence");
  if (!mode.empty() && mode != "stop" && mode != "continue") {
    log.writeLog("Replay::prepare(): Error! replay_on_divergence '%s' is not stop or continue.",
                 mode.c_str());
    return -1;
  }
  if (load(text, name) != 0) return -1;
  stop_on_divergence = mode == "stop";

  // The recorded game's configuration, but shown (window, terminal or
  // headless), logged and written where this run asks: every key of this
  // run, output files above all, is this run's even when it is not set
  // here, so that a replay never writes where the recording says.
  const RecordingHeader &h = recording.header;
  std::string settings = std::string("headless:") + (config.getHeadless() ? "true" : "false") + ",";
  settings += std::string("terminal:") + (config.getTerminal() ? "true" : "false") + ",";
  for (const std::string &key : config.runKeys()) settings += keep(config, key);
  settings += "window_horizontal_chars:" + std::to_string(h.columns) + ",";
  settings += "window_vertical_chars:" + std::to_string(h.rows) + ",";
  settings += "frame_time:" + std::to_string(h.frame_time) + ",";
  config.loadConfig(settings + h.config, false);
  return 0;
}

int Replay::load(const std::string &text, const std::string &name) {
  LogManager &log = LogManager::getInstance();
  replaying = false;
  std::string fault;
  if (recording.parse(text, fault) != 0) {
    log.writeLog("Replay::prepare(): Error! Recording '%s' refused, %s", name.c_str(),
                 fault.c_str());
    return -1;
  }
  const RecordingHeader &h = recording.header;
  char version[16];
  std::snprintf(version, sizeof version, "%.2f", SORBELANE_VERSION);
  if (h.engine != version) {
    log.writeLog(
        "Replay::prepare(): Error! Recording '%s' refused, line 2: made by engine "
        "version %s, this is version %s.",
        name.c_str(), h.engine.c_str(), version);
    return -1;
  }
  const char *build = SORBELANE_GRID ? "GRID" : "SIMPLE";
  if (h.build != build) {
    log.writeLog(
        "Replay::prepare(): Error! Recording '%s' refused, line 3: made by the %s "
        "build, this is the %s build.",
        name.c_str(), h.build.c_str(), build);
    return -1;
  }
  if (recording.end_steps < 0)
    log.writeLog(
        "Replay::prepare(): Warning! Recording '%s' is cut short at line %d: replaying "
        "what comes before.",
        name.c_str(), recording.cut_line);
  file_name = name;
  replaying = true;
  finished = false;
  next = 0;
  step = 0;
  diverged_step = -1;
  checks = differing_checks = 0;
  for (std::string &message : pending_message) message.clear();
  terminal_input.reset();
  log.writeLog(1, "Replay::prepare(): Replaying '%s': seed %d, %d x %d cells, %d events, %s.",
               name.c_str(), h.seed, h.columns, h.rows, static_cast<int>(recording.events.size()),
               recording.end_steps >= 0 ? (std::to_string(recording.end_steps) + " steps").c_str()
                                        : "cut short");
  return 0;
}

bool Replay::isPaced() const { return !replaying || !Config::getInstance().getHeadless(); }

void Replay::engineStarted() {
  if (!replaying) return;
  if (WorldManager::getInstance().getAllObjects(true).getCount() == 0)
    Object::setMaxId(recording.header.first_id);
  // The game reads the recorded terminal's size, whatever this one's.
  const RecordingHeader &h = recording.header;
  bool terminal = h.terminal_columns > 0;
  DisplayManager::getInstance().fixTerminalSize(terminal ? h.terminal_columns : h.columns,
                                                terminal ? h.terminal_rows : h.rows);
}

// Escape, or the window closed: the player wants the replay to end.
bool Replay::realStopRequested() {
  DisplayManager &display = DisplayManager::getInstance();
  if (const TerminalDisplay *p_terminal = display.getTerminal()) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    long long now_us = static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    for (const TerminalEvent &e : terminal_input.readStep(p_terminal->getInputFd(), now_us))
      if (!e.mouse && e.key == Keyboard::ESCAPE && e.keyboard_action == KEY_PRESSED) return true;
    return false;
  }
  sf::RenderWindow *p_window = display.getWindow();
  if (!p_window) return false;
  sf::Event event;
  bool stop = false;
  while (p_window->pollEvent(event)) {
    if (event.type == sf::Event::Closed) stop = true;
    if (event.type == sf::Event::KeyPressed && event.key.code == sf::Keyboard::Escape) stop = true;
  }
  return stop;
}

void Replay::stopGame(const char *why) {
  LogManager::getInstance().writeLog("Replay: %s at step %d.", why, step);
  finished = true;
  LoopState::getInstance().setGameOver(true);
}

bool Replay::feedInput(Manager &input_manager) {
  if (!replaying) return false;
  if (!finished && realStopRequested()) {
    stopGame("stopped by the player");
    replaying = false;
    return true;
  }
  while (next < recording.events.size()) {
    const RecordedEvent &e = recording.events[next];
    if (e.step != step || e.kind == RecordedKind::NETWORK || e.kind == RecordedKind::CHECK) break;
    next++;
    if (e.kind == RecordedKind::RESIZE) {
      // Heard as the step begins, as the display tells of a real resize.
      DisplayManager::getInstance().fixTerminalSize(e.columns, e.rows);
      EventResize event(e.columns, e.rows);
      WorldManager::getInstance().onEvent(&event);
    } else if (e.kind == RecordedKind::KEY) {
      EventKeyboard event;
      event.setKey(static_cast<Keyboard::Key>(e.key));
      event.setKeyboardAction(static_cast<EventKeyboardAction>(e.action));
      event.setCharacter(e.character);
      event.setAlt(e.alt);
      input_manager.Manager::onEvent(&event);
    } else {
      EventMouse event;
      event.setMouseAction(static_cast<EventMouseAction>(e.action));
      event.setMouseButton(static_cast<Mouse::Button>(e.button));
      event.setMousePosition(Vector(e.x, e.y));
      input_manager.Manager::onEvent(&event);
    }
  }
  return true;
}

bool Replay::feedNetwork() {
  if (!replaying) return false;
  Manager &network = Manager::handlerOf(NETWORK_EVENT);  // the network manager
  while (next < recording.events.size()) {
    const RecordedEvent &e = recording.events[next];
    if (e.step != step || e.kind != RecordedKind::NETWORK) break;
    next++;
    if (e.socket < MAX_SOCKETS && e.label == Network::DATA) pending_message[e.socket] = e.message;
    EventNetwork event(static_cast<Network::Label>(e.label));
    event.setSocketIndex(e.socket);
    event.setBytes(static_cast<int>(e.message.size()));
    network.onEvent(&event);
  }
  return true;
}

bool Replay::receive(void *buffer, int nbytes, bool peek, int sock_index, int &result) {
  if (!replaying) return false;
  result = -1;
  if (!buffer || nbytes < 0 || sock_index < 0 || sock_index >= MAX_SOCKETS) return true;
  std::string &message = pending_message[sock_index];
  if (message.empty()) return true;  // nothing recorded waits on that socket
  std::size_t n = std::min(message.size(), static_cast<std::size_t>(nbytes));
  std::memcpy(buffer, message.data(), n);
  if (!peek) message.erase(0, n);
  result = static_cast<int>(n);
  return true;
}

int Replay::connect() const {
  for (std::size_t i = next; i < recording.events.size(); i++) {
    const RecordedEvent &e = recording.events[i];
    if (e.kind == RecordedKind::NETWORK && e.label == Network::CONNECT) return e.socket;
  }
  return -1;
}

void Replay::compare(const RecordedEvent &check) {
  checks++;
  checksum.compute();
  if (checksum.getHash() == check.hash && checksum.getCount() == check.count) return;
  differing_checks++;
  if (diverged_step >= 0) return;
  diverged_step = step;
  LogManager::getInstance().writeLog("Replay diverged at step %d: %d objects (recorded %d), %s",
                                     step, checksum.getCount(), check.count,
                                     differenceText(check).c_str());
  if (stop_on_divergence) stopGame("stopped at the first divergence");
}

// Names the first object whose digest differs; when every digest agrees,
// says what else differs.
std::string Replay::differenceText(const RecordedEvent &check) const {
  int shared = std::min(checksum.getCount(), static_cast<int>(check.digests.size()));
  int index = checksum.firstDifference(check.count, check.digests);
  if (index >= 0 && index < shared)
    return "first differing object #" + std::to_string(index) + ": " +
           WorldChecksum::describe(index);
  if (checksum.getCount() != check.count)
    return "every object's digest agrees as far as both go: only the object count differs";
  return "every object's digest agrees: only the objects' order differs (or what one-byte "
         "digests cannot tell apart)";
}

int Replay::getExitStatus() const { return diverged_step >= 0 ? DIVERGED_STATUS : 0; }

void Replay::finish() {
  if (finished) return;
  finished = true;
  LogManager &log = LogManager::getInstance();
  if (diverged_step < 0)
    log.writeLog("Replay matched to the end (%d steps).", step);
  else
    log.writeLog("Replay ended after %d steps: diverged at step %d, %d of %d checks differed.",
                 step, diverged_step, differing_checks, checks);
}

void Replay::endStep() {
  if (!replaying) return;
  // Events of this step that nothing took (networking off) are passed over.
  while (next < recording.events.size() && recording.events[next].step == step &&
         recording.events[next].kind != RecordedKind::CHECK)
    next++;
  if (next < recording.events.size() && recording.events[next].step == step) {
    compare(recording.events[next]);
    next++;
  }
  step++;
  if (finished) return;
  if (recording.end_steps >= 0 && step >= recording.end_steps) {
    finish();
    LoopState::getInstance().setGameOver(true);
  } else if (recording.end_steps < 0 && next >= recording.events.size()) {
    LogManager::getInstance().writeLog(
        "Replay: the recording is cut short at line %d; replayed its %d steps.", recording.cut_line,
        step);
    finished = true;
    LoopState::getInstance().setGameOver(true);
  }
}

void Replay::engineStopping() {
  DisplayManager::getInstance().fixTerminalSize(0, 0);
  if (!replaying) return;
  if (!finished) {
    if (recording.end_steps >= 0 && step < recording.end_steps) {
      if (diverged_step < 0) diverged_step = step;
      LogManager::getInstance().writeLog(
          "Replay diverged at step %d: the game ended before the recording's end (%d steps).", step,
          recording.end_steps);
    }
    finish();
  }
  replaying = false;
}

}  // namespace sb
