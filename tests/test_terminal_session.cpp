// A game in a terminal, with this test playing the terminal and its shell:
// a pseudo-terminal whose screen is kept by a small emulator here, and a
// shell process that runs the game as a job of its own, so that Ctrl-Z
// stops it as a shell's job. Resizes, suspend and resume, and the signals
// that end a game are checked on the screen, the log and the exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TerminalDisplay.h"
#include "support/ProgramRunner.h"
#include "support/TestEngine.h"
#include "support/TypedStrings.h"

namespace {

using sbtest::LEAVE;

// The screen as a terminal would show it: cursor moves, clears and
// printable characters (UTF-8 taken as one cell); other sequences ignored.
class Screen {
 public:
  void resize(int new_columns, int new_rows) {
    columns = new_columns;
    rows = new_rows;
    // What a terminal shows after a resize or a shell's prompt is anyone's
    // guess: '?' everywhere, which only a whole redraw removes.
    cells.assign(static_cast<size_t>(rows), std::string(static_cast<size_t>(columns), '?'));
  }
  void scribble() { resize(columns, rows); }

  void feed(const std::string &bytes) {
    pending += bytes;
    size_t at = 0;
    while (at < pending.size()) {
      unsigned char c = static_cast<unsigned char>(pending[at]);
      if (c == 0x1b) {
        if (at + 1 >= pending.size()) break;
        if (pending[at + 1] != '[') {
          at += 2;
          continue;
        }
        size_t end = at + 2;
        while (end < pending.size() && (pending[end] < 0x40 || pending[end] > 0x7e)) end++;
        if (end >= pending.size()) break;
        control(pending.substr(at + 2, end - at - 2), pending[end]);
        at = end + 1;
      } else if (c >= 0x80) {
        size_t length = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : 2;
        if (at + length > pending.size()) break;
        put('U');
        at += length;
      } else {
        if (c >= 0x20) put(static_cast<char>(c));
        at++;
      }
    }
    pending.erase(0, at);
  }

  std::string row(int y) const { return cells[static_cast<size_t>(y)]; }
  bool has(char c) const {
    for (const std::string &line : cells)
      if (line.find(c) != std::string::npos) return true;
    return false;
  }

 private:
  int columns = 0, rows = 0, x = 0, y = 0;
  std::vector<std::string> cells;
  std::string pending;

  void put(char c) {
    if (x < columns && y < rows) cells[static_cast<size_t>(y)][static_cast<size_t>(x)] = c;
    x++;
  }
  void control(const std::string &params, char final) {
    if (final == 'H') {
      int r = 1, c = 1;
      sscanf(params.c_str(), "%d;%d", &r, &c);
      y = r - 1;
      x = c - 1;
    } else if (final == 'J' && params == "2") {
      for (std::string &line : cells) line.assign(line.size(), ' ');
    }
  }
};

// The game on a pseudo-terminal, run by a shell process that puts it in a
// process group of its own in the foreground, as a shell runs a job.
class TerminalSession {
 public:
  // extra_config goes at the end of the game's configuration.
  TerminalSession(const std::string &name, int columns, int rows,
                  const std::string &extra_config = "") {
    dir = sbtest::tempDir() + "/session-" + name;
    mkdir(dir.c_str(), 0700);
    log_path = dir + "/game.log";
    std::string config = dir + "/sb-config.txt";
    sbtest::writeFile(config,
                      "terminal:true,\nwindow_horizontal_chars:20,\n"
                      "window_vertical_chars:6,\nwindow_horizontal_pixels:200,\n"
                      "window_vertical_pixels:120,\nframe_time:20,\n" +
                          extra_config);
    unlink(log_path.c_str());
    screen.resize(columns, rows);
    struct winsize size = {};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    int pid_pipe[2];
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0 || pipe(pid_pipe) != 0) return;
    shell = fork();
    if (shell == 0) {
      close(master);
      close(pid_pipe[0]);
      setsid();
      ioctl(slave, TIOCSCTTY, 0);
      pid_t job = fork();
      if (job == 0) {
        setpgid(0, 0);
        dup2(slave, 0);
        dup2(slave, 1);
        dup2(slave, 2);
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("SORBELANE_CONFIG", config.c_str(), 1);
        setenv("SORBELANE_LOG", log_path.c_str(), 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("TERM", "xterm-256color", 1);
        execl(TERM_GAME_BIN, TERM_GAME_BIN, static_cast<char *>(nullptr));
        _exit(127);
      }
      setpgid(job, job);
      signal(SIGTTOU, SIG_IGN);
      tcsetpgrp(slave, job);
      (void)!write(pid_pipe[1], &job, sizeof job);
      int status = 0;
      // Waits out the job's stops; its end becomes the shell's status.
      while (waitpid(job, &status, 0) == job && !WIFEXITED(status) && !WIFSIGNALED(status)) {
      }
      _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    close(pid_pipe[1]);
    if (read(pid_pipe[0], &game, sizeof game) != sizeof game) game = -1;
    close(pid_pipe[0]);
  }

  ~TerminalSession() {
    if (game > 0) kill(game, SIGKILL);
    if (shell > 0) waitpid(shell, nullptr, 0);
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }

  // Reads what the game sends for up to ms milliseconds, until done() holds.
  template <typename Done>
  bool readUntil(Done done, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      struct pollfd ready = {master, POLLIN, 0};
      if (poll(&ready, 1, 10) > 0) {
        char buffer[4096];
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) {
          output.append(buffer, static_cast<size_t>(n));
          screen.feed(std::string(buffer, static_cast<size_t>(n)));
        }
      }
    }
    return done();
  }

  bool showsBorder(int columns, int rows, bool notice) {
    for (int y = 0; y < rows; y++) {
      std::string expected(static_cast<size_t>(columns), ' ');
      for (int x = 0; x < columns; x++)
        if (x == 0 || y == 0 || x == 19 || y == 5) expected[static_cast<size_t>(x)] = '#';
      if (notice && y == 0) continue;
      if (screen.row(y) != expected) return false;
    }
    return !notice || screen.row(0).compare(0, 8, "Terminal") == 0;
  }

  void resize(int columns, int rows) {
    struct winsize size = {};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(master, TIOCSWINSZ, &size);  // the kernel sends SIGWINCH to the job
    screen.resize(columns, rows);
  }

  // The game's state letter from /proc: 'T' when stopped.
  char state() const {
    std::string stat = sbtest::readFile("/proc/" + std::to_string(game) + "/stat");
    size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() ? stat[paren + 2] : '?';
  }

  // The shell's status once the game has ended: its exit status, or 128 +
  // the signal that ended it; -1 when it did not end within 5 s.
  int finish() {
    int status = -1;
    for (int i = 0; i < 500; i++) {
      readUntil([] { return false; }, 10);
      if (waitpid(shell, &status, WNOHANG) == shell) {
        shell = -1;
        game = -1;
        readUntil([] { return false; }, 50);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    return -1;
  }

  std::string log() const { return sbtest::readFile(log_path); }

  int master = -1, slave = -1;
  pid_t shell = -1, game = -1;
  std::string dir, log_path, output;
  Screen screen;
};

}  // namespace

TEST(TerminalSession, ResizedSuspendedAndResumedThenEndedBySigterm) {
  TerminalSession session("resize", 20, 6);
  ASSERT_GT(session.game, 0);
  ASSERT_TRUE(session.readUntil([&] { return session.showsBorder(20, 6, false); }, 20000))
      << session.log();

  // Shrunk: the top left that fits, a warning on the top row and in the log,
  // nothing left of what the terminal showed before.
  session.resize(12, 4);
  EXPECT_TRUE(session.readUntil([&] { return session.showsBorder(12, 4, true); }, 3000))
      << session.screen.row(0) << "|" << session.screen.row(1);
  EXPECT_NE(session.log().find("Warning! The terminal has 12 x 4 cells, the window 20 x 6"),
            std::string::npos);
  // Grown back: everything again, warning gone.
  session.resize(20, 6);
  EXPECT_TRUE(session.readUntil([&] { return session.showsBorder(20, 6, false); }, 3000))
      << session.screen.row(0) << "|" << session.screen.row(1);

  // No answer to the keyboard query: a tap is released a step after its
  // press, and the kitty protocol stays off.
  ASSERT_EQ(write(session.master, "t", 1), 1);
  EXPECT_TRUE(session.readUntil(
      [&] { return session.log().find("term_game: key 55 action 1") != std::string::npos; },
      3000));
  EXPECT_EQ(session.output.find("\x1b[>11u"), std::string::npos);

  // Ctrl-Z: the terminal is given back and the game stops.
  size_t before_stop = session.output.size();
  ASSERT_EQ(write(session.master, "\x1a", 1), 1);
  EXPECT_TRUE(session.readUntil([&] { return session.state() == 'T'; }, 3000));
  session.readUntil([] { return false; }, 100);
  EXPECT_NE(session.output.find(LEAVE, before_stop), std::string::npos);
  // The shell takes line mode back and writes over the screen; then fg.
  struct termios modes;
  ASSERT_EQ(tcgetattr(session.slave, &modes), 0);
  EXPECT_TRUE((modes.c_lflag & ECHO) && (modes.c_lflag & ICANON));
  session.screen.scribble();
  kill(session.game, SIGCONT);
  EXPECT_TRUE(session.readUntil([&] { return session.showsBorder(20, 6, false); }, 3000))
      << session.screen.row(0);
  // Keys come at once, without a new line, although line mode was set.
  ASSERT_EQ(write(session.master, "a", 1), 1);
  EXPECT_TRUE(session.readUntil(
      [&] { return session.log().find("term_game: key 36 action 0") != std::string::npos; },
      3000));

  // SIGTERM: the game ends after its step, log written, terminal back.
  size_t before_end = session.output.size();
  kill(session.game, SIGTERM);
  EXPECT_EQ(session.finish(), SIGTERM);
  EXPECT_NE(session.output.find(LEAVE, before_end), std::string::npos);
  EXPECT_NE(session.log().find("** Game engine stopped **"), std::string::npos);
  ASSERT_EQ(tcgetattr(session.slave, &modes), 0);
  EXPECT_TRUE((modes.c_lflag & ECHO) && (modes.c_lflag & ICANON));
}

TEST(TerminalSession, HangUpAndQuitEndTheGameWithItsLog) {
  for (int signal : {SIGHUP, SIGQUIT}) {
    TerminalSession session("signal-" + std::to_string(signal), 20, 6);
    ASSERT_GT(session.game, 0);
    ASSERT_TRUE(session.readUntil([&] { return session.showsBorder(20, 6, false); }, 20000));
    kill(session.game, signal);
    EXPECT_EQ(session.finish(), signal);
    EXPECT_NE(session.log().find("** Game engine stopped **"), std::string::npos) << signal;
    EXPECT_NE(session.output.find(LEAVE), std::string::npos) << signal;
  }
}

namespace {

int count(const std::string &text, const std::string &part) {
  int found = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) found++;
  return found;
}

}  // namespace

TEST(TerminalSession, KittyKeyboardGivesRealPressesAndReleases) {
  TerminalSession session("kitty", 20, 6);
  ASSERT_GT(session.game, 0);
  // The query comes at start-up; the answer turns the reports on.
  ASSERT_TRUE(session.readUntil(
      [&] { return session.output.find("\x1b[?u") != std::string::npos; }, 20000));
  ASSERT_EQ(write(session.master, "\x1b[?0u", 6), 6);
  ASSERT_TRUE(session.readUntil(
      [&] { return session.output.find("\x1b[>31u") != std::string::npos; }, 3000))
      << session.log();

  // A held with no repeat for 300 ms, Shift pressed and released.
  const std::string press = "\x1b[97u\x1b[57441;2u";
  ASSERT_EQ(write(session.master, press.data(), press.size()), static_cast<ssize_t>(press.size()));
  session.readUntil([] { return false; }, 300);
  const std::string release = "\x1b[97;1:3u\x1b[57441;2:3u";
  ASSERT_EQ(write(session.master, release.data(), release.size()),
            static_cast<ssize_t>(release.size()));
  EXPECT_TRUE(session.readUntil(
      [&] { return session.log().find("term_game: key 22 action 1") != std::string::npos; },
      3000));
  std::string log = session.log();
  EXPECT_EQ(count(log, "term_game: key 36 action 0"), 1) << log;
  EXPECT_EQ(count(log, "term_game: key 36 action 1"), 1) << log;
  EXPECT_GE(count(log, "term_game: key 36 action 2"), 8) << log;  // 300 ms of 20 ms steps
  EXPECT_EQ(count(log, "term_game: key 22 action 0"), 1) << log;

  // Shift+period with its text, and with the shifted key alone: both '>'.
  const std::string typed = "\x1b[46:62;2;62u\x1b[46:62;2:3u\x1b[46:62;2u";
  ASSERT_EQ(write(session.master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  EXPECT_TRUE(session.readUntil(
      [&] { return count(session.log(), "term_game: key 12 action 0 char 62 alt 0") == 2; },
      3000)) << session.log();

  // Q ends the game; the keyboard mode is popped before the screen goes back.
  ASSERT_EQ(write(session.master, "\x1b[113u", 7), 7);
  EXPECT_EQ(session.finish(), 0);
  EXPECT_NE(session.output.find("\x1b[<u" + LEAVE), std::string::npos);
}

namespace {

// Waits up to ms milliseconds for fd to become readable.
bool readable(int fd, int ms) {
  struct pollfd ready = {fd, POLLIN, 0};
  return poll(&ready, 1, ms) > 0;
}

// Waits up to ms milliseconds for the child to end; its status, or -1.
int endOf(pid_t child, int ms) {
  int status = 0;
  for (int waited = 0; waited < ms; waited += 10) {
    if (waitpid(child, &status, WNOHANG) == child) return status;
    usleep(10000);
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return -1;
}

// In a child process: a display on the pseudo-terminal sends frames of
// noise, every cell new, far more than the terminal holds unread; reports
// the frames it dropped; then, told so, fills the screen with 'Z'.
void stalledDisplay(int slave, int report, int orders) {
  sb::TerminalDisplay display;
  if (display.open(slave, slave, 80, 24, sb::TerminalDisplay::TRUE_COLOR) != 0) _exit(2);
  std::mt19937 random(8);
  for (int frame = 0; frame < 300; frame++) {
    for (int y = 0; y < 24; y++)
      for (int x = 0; x < 80; x++)
        display.put(x, y, static_cast<char>('a' + random() % 26), static_cast<unsigned char>(random()),
                    static_cast<unsigned char>(random()), static_cast<unsigned char>(random()));
    if (display.present() < 0) _exit(3);
  }
  long long dropped = display.getDroppedFrames();
  char order = 0;
  if (write(report, &dropped, sizeof dropped) != sizeof dropped || read(orders, &order, 1) != 1)
    _exit(4);
  for (int frame = 0; frame < 100; frame++) {
    for (int y = 0; y < 24; y++)
      for (int x = 0; x < 80; x++) display.put(x, y, 'Z', 255, 255, 255);
    display.present();
    usleep(5000);
  }
  display.close();
  _exit(0);
}

// The presses in a term_game log, as "key K char C alt L" each.
std::vector<std::string> pressesIn(const std::string &log) {
  std::vector<std::string> presses;
  const std::string mark = "term_game: key ";
  for (size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1)) {
    size_t end = log.find('\n', at);
    std::string line = log.substr(at + mark.size(), end - at - mark.size());
    size_t action = line.find(" action 0 ");
    if (action != std::string::npos)
      presses.push_back("key " + line.substr(0, action) + line.substr(action + 9));
  }
  return presses;
}

std::string press(int key, unsigned character, int alt = 0) {
  return "key " + std::to_string(key) + " char " + std::to_string(character) + " alt " +
         std::to_string(alt);
}

}  // namespace

// A terminal that stops reading (a stalled link) holds up neither the frames
// nor, after SIGTERM, the end of the program: frames are dropped meanwhile,
// and once it reads again the screen is drawn whole, no sequence cut.
TEST(TerminalSession, AStalledReaderNeverHoldsTheGameUp) {
  for (bool terminate : {false, true}) {
    SCOPED_TRACE(terminate ? "terminated while stalled" : "reading again");
    struct winsize size = {};
    size.ws_col = 80;
    size.ws_row = 24;
    int master = -1, slave = -1, report[2], orders[2];
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
    ASSERT_EQ(pipe(report), 0);
    ASSERT_EQ(pipe(orders), 0);
    pid_t child = fork();
    if (child == 0) {
      close(master);
      signal(SIGTERM, SIG_DFL);  // not the handler of an engine this process started earlier
      stalledDisplay(slave, report[1], orders[0]);
    }
    close(report[1]);
    close(orders[0]);
    long long dropped = -1;
    bool reported = readable(report[0], 10000) &&
                    read(report[0], &dropped, sizeof dropped) == sizeof dropped;
    EXPECT_TRUE(reported) << "a frame waited for the terminal";
    EXPECT_GT(dropped, 0);
    Screen screen;
    screen.resize(80, 24);
    if (terminate || !reported) {
      // The signal's handler gives the terminal back as far as it can, at once,
      // and the process ends by the signal.
      kill(child, SIGTERM);
      int status = endOf(child, 5000);
      EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
      struct termios modes;
      ASSERT_EQ(tcgetattr(slave, &modes), 0);
      EXPECT_TRUE((modes.c_lflag & ECHO) && (modes.c_lflag & ICANON));
    } else {
      ASSERT_EQ(write(orders[1], "R", 1), 1);
      int status = -1;
      for (int waited = 0; waited < 20000 && status == -1; waited += 10) {
        char buffer[65536];
        while (readable(master, 0)) {
          ssize_t n = read(master, buffer, sizeof buffer);
          if (n <= 0) break;
          screen.feed(std::string(buffer, static_cast<size_t>(n)));
        }
        if (waitpid(child, &status, WNOHANG) != child) status = -1;
        usleep(10000);
      }
      char rest[65536];
      for (ssize_t n; readable(master, 50) && (n = read(master, rest, sizeof rest)) > 0;)
        screen.feed(std::string(rest, static_cast<size_t>(n)));
      EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
      for (int y = 0; y < 24; y++) EXPECT_EQ(screen.row(y), std::string(80, 'Z')) << "row " << y;
    }
    close(report[0]);
    close(orders[1]);
    close(master);
    close(slave);
  }
}

// Without the kitty protocol: every key the terminal sends is one press,
// in order, with the character it typed; quick taps and bytes that come in
// one read are not merged; Escape and a character is Alt with its key; a
// terminal's own strings give no key at all.
TEST(TerminalSession, TypedCharactersAndQuickTapsArriveWholeInOrder) {
  TerminalSession session("typed", 20, 6);
  ASSERT_GT(session.game, 0);
  ASSERT_TRUE(session.readUntil(
      [&] { return session.output.find("\x1b[?u") != std::string::npos; }, 20000));
  std::vector<std::string> expected;
  auto send = [&](const std::string &bytes, int pause_ms) {
    ASSERT_EQ(write(session.master, bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
    session.readUntil([] { return false; }, pause_ms);
  };
  for (const sbtest::TypedString &typed : sbtest::typedStrings()) {
    send(typed.text, 100);
    for (size_t i = 0; i < typed.keys.size(); i++)
      expected.push_back(press(typed.keys[i], static_cast<unsigned char>(typed.text[i])));
  }
  for (int tap = 0; tap < 8; tap++) {  // eight taps 60 ms apart
    send("j", 60);
    expected.push_back(press(sb::Keyboard::J, 'j'));
  }
  send("\x1b" "d" "\x1b]11;rgb:0000/0000/0000\x07" "\x1bP1$r0m\x1b\\" "\xc3\xa9x", 100);
  expected.push_back(press(sb::Keyboard::D, 'd', 1));
  expected.push_back(press(-1, 0xe9));
  expected.push_back(press(sb::Keyboard::X, 'x'));
  EXPECT_TRUE(session.readUntil(
      [&] { return pressesIn(session.log()).size() >= expected.size(); }, 5000));
  EXPECT_EQ(pressesIn(session.log()), expected) << session.log();
  // A smaller terminal: objects registered for RESIZE_EVENT hear its size.
  session.resize(14, 5);
  EXPECT_TRUE(session.readUntil(
      [&] { return session.log().find("term_game: resize 14 5, asked 14 5") != std::string::npos; },
      3000)) << session.log();
  ASSERT_EQ(write(session.master, "q", 1), 1);
  EXPECT_EQ(session.finish(), 0);
}

namespace {

// The resizes a log says the game heard, with their sizes and steps.
std::vector<std::string> heardResizes(const std::string &log) {
  std::vector<std::string> heard;
  const std::string mark = "term_game: resize ";
  for (size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1))
    heard.push_back(log.substr(at, log.find('\n', at) - at));
  return heard;
}

}  // namespace

// A game recorded in a terminal that starts at another size than its window
// and is resized three times replays headless with the same resizes at the
// same steps, the same sizes read, and the same world at every checksum.
TEST(TerminalSession, ResizesAreRecordedAndReplayedHeadless) {
  TerminalSession session("record-resize", 26, 8, "record:game.rec,\nrecord_check:5,\n");
  ASSERT_GT(session.game, 0);
  ASSERT_TRUE(session.readUntil(
      [&] { return session.screen.row(0).compare(0, 20, std::string(20, '#')) == 0; }, 20000))
      << session.log();
  for (std::pair<int, int> size :
       {std::make_pair(30, 9), std::make_pair(12, 4), std::make_pair(26, 8)}) {
    session.resize(size.first, size.second);
    std::string heard = "term_game: resize " + std::to_string(size.first) + " " +
                        std::to_string(size.second) + ", asked";
    EXPECT_TRUE(
        session.readUntil([&] { return session.log().find(heard) != std::string::npos; }, 3000))
        << heard << "\n"
        << session.log();
  }
  ASSERT_EQ(write(session.master, "q", 1), 1);
  ASSERT_EQ(session.finish(), 0);
  std::string recording = sbtest::readFile(session.dir + "/game.rec");
  EXPECT_NE(recording.find("\nsteps\n0 terminal 26 8\n"), std::string::npos) << recording;
  EXPECT_EQ(count(recording, " resize "), 3) << recording;
  ASSERT_EQ(heardResizes(session.log()).size(), 3u) << session.log();

  sbtest::ProgramRun run;
  run.binary = TERM_GAME_BIN;
  run.config = "headless:true,\nreplay:" + session.dir + "/game.rec,\n";
  sbtest::ProgramResult replay = sbtest::runProgram(run);
  EXPECT_EQ(replay.status, 0) << replay.log;
  EXPECT_NE(replay.log.find("Replay matched to the end"), std::string::npos) << replay.log;
  EXPECT_EQ(heardResizes(replay.log), heardResizes(session.log()));
}
