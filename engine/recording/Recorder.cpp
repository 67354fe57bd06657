#include "Recorder.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "Config.h"
#include "Constants.h"
#include "DisplayManager.h"
#include "EventKeyboard.h"
#include "EventMouse.h"
#include "EventNetwork.h"
#include "LogManager.h"
#include "LoopState.h"
#include "Object.h"
#include "Replay.h"
#include "utility.h"

namespace sb {

namespace {

// The game loop thread's processor time: what the game's work costs, apart
// from its sleeps and from time other programs take.
long long threadNanoseconds() {
  struct timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

long long monotonicMilliseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000LL + now.tv_nsec / 1000000;
}

// Signals of a crash: the recording's last lines are written out before the
// previous action (the default, a sanitizer's report, the terminal's
// restoring) takes place.
const int CRASH_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
const int CRASH_COUNT = sizeof(CRASH_SIGNALS) / sizeof(CRASH_SIGNALS[0]);
struct sigaction previous_crash_actions[CRASH_COUNT];
bool crash_handler_installed[CRASH_COUNT];
Recorder *p_crash_recorder = nullptr;

// Writes everything, with async-signal-safe calls only; false on failure.
bool writeAll(int fd, const char *data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

Recorder &Recorder::getInstance() {
  static Recorder recorder;
  return recorder;
}

// A program that exits without shutting the engine down keeps what was
// recorded, and its helper thread is joined before it goes.
Recorder::~Recorder() {
  if (fd < 0) return;
  flush();
  removeCrashHandlers();
  stopSyncing();
  ::close(fd);
  fd = -1;
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
    long long value = 0;
    if (!readNumber(every_text, value, NumberRule::WHOLE) || value < 1 ||
        value > Recording::MAX_STEP) {
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
    log.writeLog(
        "Recorder::start(): Error! %d steps have run; a recording starts before the "
        "first game loop.",
        step);
    return -1;
  }
  if (new_check_every < 1) new_check_every = 1;
  std::string header = headerText(new_check_every);
  // What a replay could not read is not written: the reader's own limits decide.
  Recording probe;
  std::string fault;
  if (probe.parse(header + Recording::endLine(1), fault) != 0) {
    log.writeLog(
        "Recorder::start(): Error! Recording '%s' could not be replayed (%s); not "
        "recording.",
        file.c_str(), fault.c_str());
    return -1;
  }
  fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    log.writeLog("Recorder::start(): Error! Cannot write recording '%s': %s", file.c_str(),
                 std::strerror(errno));
    return -1;
  }
  file_name = file;
  check_every = new_check_every;
  bytes = 0;
  used = 0;
  first_step_ns = last_step_ns = 0;
  write_failed = false;
  last_check = -1;
  terminal_columns = DisplayManager::getInstance().getTerminalHorizontal();
  terminal_rows = DisplayManager::getInstance().getTerminalVertical();
  write(header);
  flush();
  sync_stop = false;
  sync_dirty.store(false);
  last_wake_ms = 0;
  syncer = std::thread(&Recorder::syncLoop, this);
  installCrashHandlers();
  log.writeLog(1, "Recorder::start(): Recording into '%s', a checksum every %d steps.",
               file.c_str(), check_every);
  return 0;
}

std::string Recorder::headerText(int every) const {
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
  header.frame_time = LoopState::getInstance().getFrameTime();
  header.check_every = every;
  header.config = Config::getInstance().getConfig();
  // The terminal's size as the game reads it, when it is not the window's.
  if (display.getTerminalHorizontal() != header.columns ||
      display.getTerminalVertical() != header.rows) {
    header.terminal_columns = display.getTerminalHorizontal();
    header.terminal_rows = display.getTerminalVertical();
  }
  return Recording::headerText(header);
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
  flush();
  removeCrashHandlers();
  stopSyncing();
  bool closed = ::close(fd) == 0;
  fd = -1;
  LogManager &log = LogManager::getInstance();
  if (write_failed || !closed)
    log.writeLog("Recorder::stop(): Error! Recording '%s' is incomplete: writing failed.",
                 file_name.c_str());
  else
    log.writeLog(
        "Recorder::stop(): Recorded %d steps into '%s' (%lld bytes); the steps took "
        "%lld us of processor time.",
        step, file_name.c_str(), bytes, getStepsTime() / 1000);
}

void Recorder::write(const std::string &text) { write(text.data(), text.size()); }

// Whole lines wait in the buffer; a line longer than the buffer goes out at once.
void Recorder::write(const char *data, std::size_t size) {
  if (fd < 0 || write_failed) return;
  if (size > BUFFER_SIZE - static_cast<std::size_t>(used)) flush();
  if (size > BUFFER_SIZE) {
    flushing = 1;
    writeOut(data, size);
    flushing = 0;
  } else {
    std::memcpy(buffer + used, data, size);
    used = static_cast<sig_atomic_t>(used + static_cast<sig_atomic_t>(size));
  }
  bytes += static_cast<long long>(size);
}

void Recorder::flush() {
  if (used == 0 || fd < 0) return;
  flushing = 1;  // a crash now must not write these lines a second time
  writeOut(buffer, static_cast<std::size_t>(used));
  used = 0;
  flushing = 0;
}

void Recorder::writeOut(const char *data, std::size_t size) {
  if (write_failed) return;
  if (!writeAll(fd, data, size)) {
    write_failed = true;
    LogManager::getInstance().writeLog("Recorder: Error! Cannot write recording '%s': %s",
                                       file_name.c_str(), std::strerror(errno));
  }
}

// The helper thread: syncs the file to the disk after checksums went out,
// at once when woken, else within a sync period, so that the game loop
// never waits for the disk.
void Recorder::syncLoop() {
  std::unique_lock<std::mutex> lock(sync_mutex);
  while (!sync_stop) {
    sync_wanted.wait_for(lock, std::chrono::milliseconds(SYNC_PERIOD_MS));
    if (!sync_dirty.exchange(false, std::memory_order_acquire)) continue;
    lock.unlock();
    fdatasync(fd);
    lock.lock();
  }
  if (sync_dirty.exchange(false)) fdatasync(fd);  // the last lines too
}

void Recorder::stopSyncing() {
  if (!syncer.joinable()) return;
  sync_dirty.store(true);
  {
    std::lock_guard<std::mutex> lock(sync_mutex);
    sync_stop = true;
  }
  sync_wanted.notify_one();
  syncer.join();
}

void Recorder::onCrash(int signal) {
  Recorder *p = p_crash_recorder;
  if (p && p->fd >= 0 && !p->flushing && p->used > 0) {
    writeAll(p->fd, p->buffer, static_cast<std::size_t>(p->used));
    p->used = 0;
  }
  for (int i = 0; i < CRASH_COUNT; i++)
    if (CRASH_SIGNALS[i] == signal) sigaction(signal, &previous_crash_actions[i], nullptr);
  raise(signal);  // delivered, under the previous action, once this handler returns
}

void Recorder::installCrashHandlers() {
  struct sigaction action;
  std::memset(&action, 0, sizeof(action));
  action.sa_handler = onCrash;
  sigemptyset(&action.sa_mask);
  p_crash_recorder = this;
  for (int i = 0; i < CRASH_COUNT; i++) {
    crash_handler_installed[i] =
        sigaction(CRASH_SIGNALS[i], &action, &previous_crash_actions[i]) == 0;
    // A crash signal the program ignores stays ignored.
    if (crash_handler_installed[i] && !(previous_crash_actions[i].sa_flags & SA_SIGINFO) &&
        previous_crash_actions[i].sa_handler == SIG_IGN) {
      sigaction(CRASH_SIGNALS[i], &previous_crash_actions[i], nullptr);
      crash_handler_installed[i] = false;
    }
  }
}

void Recorder::removeCrashHandlers() {
  for (int i = 0; i < CRASH_COUNT; i++) {
    if (crash_handler_installed[i])
      sigaction(CRASH_SIGNALS[i], &previous_crash_actions[i], nullptr);
    crash_handler_installed[i] = false;
  }
  p_crash_recorder = nullptr;
}

void Recorder::recordInput(const Event *p_event, bool from_terminal) {
  if (fd < 0 || !p_event) return;
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
  if (length > 0) write(line, static_cast<std::size_t>(length));
}

void Recorder::recordTerminalSize(int columns, int rows) {
  if (fd < 0 || (columns == terminal_columns && rows == terminal_rows)) return;
  terminal_columns = columns;
  terminal_rows = rows;
  RecordedEvent e;
  e.step = step;
  e.kind = RecordedKind::RESIZE;
  e.columns = columns;
  e.rows = rows;
  write(Recording::eventLine(e));
}

void Recorder::recordNetwork(const EventNetwork &event, const char *message) {
  if (fd < 0) return;
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
  // Every step up to this checksum goes to the file, then to the disk.
  flush();
  sync_dirty.store(true, std::memory_order_release);
  // Waking the helper costs a system call: at most once per sync period
  // (a checksum a second, as by default, is synced at once).
  long long now = monotonicMilliseconds();
  if (now - last_wake_ms >= SYNC_PERIOD_MS) {
    last_wake_ms = now;
    sync_wanted.notify_one();
  }
}

void Recorder::endStep() {
  if (fd >= 0) {
    if (step % check_every == 0 || LoopState::getInstance().getGameOver()) writeCheck();
  }
  // The processor clock is read twice per recording, not every step: a
  // read costs as much as recording a step.
  if (fd >= 0 && first_step_ns == 0) first_step_ns = threadNanoseconds();
  step++;
}

}  // namespace sb
