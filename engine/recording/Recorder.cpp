#include "Recorder.h"

#include <time.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Config.h"
#include "Constants.h"
#include "DisplayManager.h"
#include "EventKeyboard.h"
#include "EventMouse.h"
#include "EventNetwork.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Object.h"
#include "Replay.h"

namespace sb {

namespace {

// The game loop thread's processor time: what the game's work costs, apart
// from its sleeps and from time other programs take.
long long threadNanoseconds() {
  struct timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

}  // namespace

Recorder &Recorder::getInstance() {
  static Recorder recorder;
  return recorder;
}

int Recorder::engineStarted(int new_seed) {
  seed = new_seed;
  step = 0;
  last_check = -1;
  engine_running = true;
  Config &config = Config::getInstance();
  std::string file = config.match("record");
  if (file.empty() || Replay::getInstance().isReplaying()) return 0;
  int every = 30;
  std::string every_text = config.match("record_check");
  if (!every_text.empty()) {
    char *end = nullptr;
    long value = std::strtol(every_text.c_str(), &end, 10);
    if (*end != '\0' || value < 1 || value > Recording::MAX_STEP) {
      LogManager::getInstance().writeLog(
          "Recorder::start(): Error! record_check '%s' is not a number of steps from 1 to %d.",
          every_text.c_str(), Recording::MAX_STEP);
      return -1;
    }
    every = static_cast<int>(value);
  }
  return start(file, every);
}

void Recorder::engineStopping() {
  stop();
  engine_running = false;
  step = 0;
}

int Recorder::start(const std::string &file, int new_check_every) {
  LogManager &log = LogManager::getInstance();
  if (isRecording()) {
    log.writeLog("Recorder::start(): Error! Already recording into '%s'.", file_name.c_str());
    return -1;
  }
  if (Replay::getInstance().isReplaying()) {
    log.writeLog("Recorder::start(): Error! A replay runs; it cannot be recorded as well.");
    return -1;
  }
  if (!engine_running) {
    log.writeLog("Recorder::start(): Error! The game manager is not started.");
    return -1;
  }
  // A replay starts from the seed: a recording that begins later could not be replayed.
  if (step != 0) {
    log.writeLog("Recorder::start(): Error! %d steps have run; a recording starts before the "
                 "first game loop.", step);
    return -1;
  }
  if (new_check_every < 1) new_check_every = 1;
  p_file = std::fopen(file.c_str(), "w");
  if (!p_file) {
    log.writeLog("Recorder::start(): Error! Cannot write recording '%s': %s", file.c_str(),
                 std::strerror(errno));
    return -1;
  }
  file_name = file;
  check_every = new_check_every;
  bytes = 0;
  first_step_ns = last_step_ns = 0;
  std::setvbuf(p_file, nullptr, _IOFBF, 1 << 16);  // one write() per 64 KiB
  write_failed = false;
  last_check = -1;

  const DisplayManager &display = DisplayManager::getInstance();
  RecordingHeader header;
  header.version = Recording::FORMAT_VERSION;
  char version[16];
  std::snprintf(version, sizeof version, "%.2f", SORBELANE_VERSION);
  header.engine = version;
  header.build = SORBELANE_GRID ? "GRID" : "SIMPLE";
  header.seed = seed;
  header.first_id = Object::getMaxId();
  header.columns = display.getHorizontal();
  header.rows = display.getVertical();
  header.frame_time = GameManager::getInstance().getFrameTime();
  header.check_every = check_every;
  header.config = Config::getInstance().getConfig();
  write(Recording::headerText(header));
  log.writeLog(1, "Recorder::start(): Recording into '%s', a checksum every %d steps.",
               file.c_str(), check_every);
  return 0;
}

void Recorder::stop() {
  if (!isRecording()) return;
  if (last_check != step - 1 && step > 0) {
    step--;  // the world as the last step left it
    writeCheck();
    step++;
  }
  last_step_ns = threadNanoseconds();
  write(Recording::endLine(step));
  bool closed = std::fclose(p_file) == 0;
  p_file = nullptr;
  LogManager &log = LogManager::getInstance();
  if (write_failed || !closed)
    log.writeLog("Recorder::stop(): Error! Recording '%s' is incomplete: writing failed.",
                 file_name.c_str());
  else
    log.writeLog("Recorder::stop(): Recorded %d steps into '%s' (%lld bytes); the steps took "
                 "%lld us of processor time.",
                 step, file_name.c_str(), bytes, getStepsTime() / 1000);
}

void Recorder::write(const std::string &text) {
  if (!p_file || write_failed) return;
  if (std::fwrite(text.data(), 1, text.size(), p_file) != text.size()) {
    write_failed = true;
    LogManager::getInstance().writeLog("Recorder: Error! Cannot write recording '%s': %s",
                                       file_name.c_str(), std::strerror(errno));
    return;
  }
  bytes += static_cast<long long>(text.size());
}

void Recorder::recordInput(const Event *p_event, bool from_terminal) {
  if (!p_file || !p_event) return;
  RecordedEvent e;
  e.step = step;
  e.from_terminal = from_terminal;
  if (p_event->typeRef() == KEYBOARD_EVENT) {
    const EventKeyboard *p_key = static_cast<const EventKeyboard *>(p_event);
    e.kind = RecordedKind::KEY;
    e.key = p_key->getKey();
    e.action = p_key->getKeyboardAction();
    e.character = p_key->getCharacter();
    e.alt = p_key->getAlt();
  } else if (p_event->typeRef() == MSE_EVENT) {
    const EventMouse *p_mouse = static_cast<const EventMouse *>(p_event);
    e.kind = RecordedKind::MOUSE;
    e.action = p_mouse->getMouseAction();
    e.button = p_mouse->getMouseButton();
    e.x = p_mouse->getMousePosition().getX();
    e.y = p_mouse->getMousePosition().getY();
  } else {
    return;
  }
  char line[Recording::INPUT_LINE_SIZE];
  int length = Recording::formatInput(e, line, sizeof line);
  if (length <= 0 || std::fwrite(line, 1, static_cast<std::size_t>(length), p_file) !=
                         static_cast<std::size_t>(length)) {
    write(Recording::eventLine(e));  // logs the failure, if it persists
    return;
  }
  bytes += length;
}

void Recorder::recordNetwork(const EventNetwork &event, const char *message) {
  if (!p_file) return;
  RecordedEvent e;
  e.step = step;
  e.kind = RecordedKind::NETWORK;
  e.label = event.getLabel();
  e.socket = event.getSocketIndex();
  if (e.label == Network::DATA && message && event.getBytes() > 0)
    e.message.assign(message, static_cast<std::size_t>(event.getBytes()));
  write(Recording::eventLine(e));
}

void Recorder::writeCheck() {
  checksum.compute();
  RecordedEvent e;
  e.step = step;
  e.kind = RecordedKind::CHECK;
  e.count = checksum.getCount();
  e.hash = checksum.getHash();
  e.digests = checksum.getDigests();
  write(Recording::eventLine(e));
  last_check = step;
}

void Recorder::endStep() {
  if (p_file) {
      if (step % check_every == 0 || GameManager::getInstance().getGameOver()) writeCheck();
  }
  // The processor clock is read twice per recording, not every step: a
  // read costs as much as recording a step.
  if (p_file && first_step_ns == 0) first_step_ns = threadNanoseconds();
  step++;
}

}  // namespace sb
