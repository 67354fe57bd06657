// Drawing into and reading from a terminal: the escape sequences a scripted
// program sends to a pseudo-terminal, byte for byte, the terminal given back
// on every way out, colour matching, and the decoding of keys and mouse
// reports into the window's events.
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

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "Sorbelane.h"
#include "support/TestEngine.h"

namespace {

const std::string ENTER =
    "\x1b[?1049h\x1b[?25l\x1b[0m\x1b[2J\x1b[?1000h\x1b[?1002h\x1b[?1006h\x1b[?u";
using sbtest::LEAVE;

// One frame as the terminal receives it: a synchronized update.
std::string frame(const std::string &cells) { return "\x1b[?2026h" + cells + "\x1b[?2026l"; }

struct PtyRun {
  std::string output;
  int status = -1;
  bool echo_restored = false;  // ECHO and ICANON on again once the program ended
  std::string log;
};

// Runs the frame script on a pseudo-terminal of columns x rows cells, with
// TERM set to term (unset when null); without terminal_key the configuration
// asks for a window, and there is no X display.
PtyRun runOnPty(int columns, int rows, const char *colorterm, const char *end = "",
                const char *term = "xterm-256color", bool terminal_key = true) {
  PtyRun run;
  std::string dir = sbtest::tempDir() + "/pty-" + std::to_string(columns) + "x" +
                    std::to_string(rows) + (colorterm ? colorterm : "") + end +
                    (term ? term : "-unset") + (terminal_key ? "" : "-nokey");
  mkdir(dir.c_str(), 0700);
  std::string config = dir + "/sb-config.txt", log = dir + "/term.log";
  sbtest::writeFile(config, std::string(terminal_key ? "terminal:true,\n" : "") +
                            "window_horizontal_chars:4,\nwindow_vertical_chars:2,\n"
                            "window_horizontal_pixels:40,\nwindow_vertical_pixels:20,\n"
                            "random_seed:3,\nframe_time:3000,\n");
  unlink(log.c_str());
  struct winsize size = {};
  size.ws_col = static_cast<unsigned short>(columns);
  size.ws_row = static_cast<unsigned short>(rows);
  int master = -1, slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) return run;
  pid_t child = fork();
  if (child == 0) {
    setsid();
    ioctl(slave, TIOCSCTTY, 0);
    dup2(slave, 0);
    dup2(slave, 1);
    dup2(slave, 2);
    close(master);
    if (chdir(dir.c_str()) != 0) _exit(126);
    setenv("SORBELANE_CONFIG", config.c_str(), 1);
    setenv("SORBELANE_LOG", log.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    if (colorterm) setenv("COLORTERM", colorterm, 1); else unsetenv("COLORTERM");
    if (term) setenv("TERM", term, 1); else unsetenv("TERM");
    if (!terminal_key) unsetenv("DISPLAY");
    execl(TERM_FRAMES_BIN, TERM_FRAMES_BIN, end, static_cast<char *>(nullptr));
    _exit(127);
  }
  // The slave stays open here, so reads never fail while the child runs.
  char buffer[4096];
  bool exited = false;
  for (int waited = 0; waited < 1500; waited++) {
    struct pollfd ready = {master, POLLIN, 0};
    if (poll(&ready, 1, 10) > 0) {
      ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) run.output.append(buffer, static_cast<size_t>(n));
      continue;
    }
    if (exited) break;  // drained after the end
    exited = waitpid(child, &run.status, WNOHANG) == child;
  }
  if (!exited) {
    kill(child, SIGKILL);
    waitpid(child, &run.status, 0);
  }
  struct termios after;
  run.echo_restored = tcgetattr(slave, &after) == 0 && (after.c_lflag & ECHO) &&
                      (after.c_lflag & ICANON);
  close(master);
  close(slave);
  run.log = sbtest::readFile(log);
  return run;
}

}  // namespace

TEST(TerminalDisplay, ScriptedFramesSendOnlyChangedCells) {
  // 256 colours: red 196, blue 21, green 46, black 16. The first frame
  // sends every cell; then only changes, with colours only when they change.
  const std::string frames_256 =
      frame("\x1b[1;1H\x1b[48;5;16m \x1b[38;5;196mA  \x1b[2;1H    ") +  // frame 1
      frame("\x1b[2;4H\x1b[38;5;21mB") +                             // frame 2
      frame("\x1b[2;3H\x1b[48;5;46m \x1b[48;5;16m ") +               // frame 3: fill, B gone
      frame("\x1b[2;3H ") +  // frame 4, the colour already set; frame 5 sends nothing
      frame("\x1b[1;2H \x1b[2;3H\x1b[38;5;196mA") +  // frame 6: shaken one cell right and down
      frame("\x1b[1;2HA\x1b[2;3H ");                 // frame 7
  PtyRun indexed = runOnPty(10, 5, nullptr);
  EXPECT_TRUE(WIFEXITED(indexed.status) && WEXITSTATUS(indexed.status) == 0) << indexed.log;
  EXPECT_EQ(indexed.output, ENTER + frames_256 + LEAVE);
  EXPECT_TRUE(indexed.echo_restored);

  const std::string frames_24bit =
      frame("\x1b[1;1H\x1b[48;2;0;0;0m \x1b[38;2;255;0;0mA  \x1b[2;1H    ") +
      frame("\x1b[2;4H\x1b[38;2;0;0;255mB") +
      frame("\x1b[2;3H\x1b[48;2;0;255;0m \x1b[48;2;0;0;0m ") +
      frame("\x1b[2;3H ") +
      frame("\x1b[1;2H \x1b[2;3H\x1b[38;2;255;0;0mA") +
      frame("\x1b[1;2HA\x1b[2;3H ");
  PtyRun direct = runOnPty(10, 5, "truecolor");
  EXPECT_EQ(direct.output, ENTER + frames_24bit + LEAVE);

  // A terminal of 3 x 1 cells shows the first three cells of the top row,
  // under a warning for the first frame (three seconds at this frame time);
  // after its last column the cursor's place is not assumed.
  PtyRun small = runOnPty(3, 1, nullptr);
  EXPECT_EQ(small.output, ENTER + frame("\x1b[1;1H\x1b[38;5;16;48;5;226mTer") +
                              frame("\x1b[1;1H\x1b[48;5;16m \x1b[38;5;196mA ") +
                              frame("\x1b[1;2H ") + frame("\x1b[1;2HA") + LEAVE);  // frames 1, 2, 6, 7
  EXPECT_NE(small.log.find("DisplayManager::startUp(): Warning! The terminal has 3 x 1 cells, "
                           "the window 4 x 2: drawing what fits."),
            std::string::npos)
      << small.log;
}

TEST(TerminalDisplay, TerminalGivenBackOnAbortSignalAndExit) {
  const std::string first = frame("\x1b[1;1H\x1b[48;5;16m \x1b[38;5;196mA  \x1b[2;1H    ");
  PtyRun killed = runOnPty(10, 5, nullptr, "abort");
  EXPECT_TRUE(WIFSIGNALED(killed.status) && WTERMSIG(killed.status) == SIGABRT);
  EXPECT_EQ(killed.output, ENTER + first + LEAVE);
  EXPECT_TRUE(killed.echo_restored);

  // SIGTERM shuts the engine down as Ctrl-C does: the log ends whole and the
  // status is the signal's number.
  PtyRun terminated = runOnPty(10, 5, nullptr, "term");
  EXPECT_TRUE(WIFEXITED(terminated.status) && WEXITSTATUS(terminated.status) == SIGTERM);
  EXPECT_EQ(terminated.output, ENTER + first + LEAVE);
  EXPECT_TRUE(terminated.echo_restored);
  EXPECT_NE(terminated.log.find("** Game engine stopped **"), std::string::npos) << terminated.log;

  PtyRun exited = runOnPty(10, 5, nullptr, "exit");
  EXPECT_TRUE(WIFEXITED(exited.status) && WEXITSTATUS(exited.status) == 3);
  EXPECT_EQ(exited.output, ENTER + first + LEAVE);
  EXPECT_TRUE(exited.echo_restored);
}

TEST(TerminalDisplay, FollowsTheTerminalThatIsThere) {
  const std::string first_16 = frame("\x1b[1;1H\x1b[40m \x1b[31mA  \x1b[2;1H    ");
  // The Linux console and 8- or 16-colour terminals: the nearest of 16.
  for (const char *term : {"linux", "xterm-16color", "xterm-color"}) {
    PtyRun run = runOnPty(10, 5, nullptr, "", term);
    EXPECT_EQ(run.output.find(ENTER + first_16), 0u) << term;
  }
  // A dumb terminal, or none named, is refused with the reason.
  for (const char *term : {"dumb", static_cast<const char *>(nullptr)}) {
    PtyRun run = runOnPty(10, 5, nullptr, "", term);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 1);
    EXPECT_EQ(run.output.find("\x1b[?1049h"), std::string::npos);
    EXPECT_NE(run.output.find("cannot move its cursor"), std::string::npos) << run.output;
    EXPECT_NE(run.log.find("cannot move its cursor"), std::string::npos) << run.log;
  }
  // No X display and no terminal key: the terminal on standard output.
  PtyRun fallback = runOnPty(10, 5, nullptr, "", "xterm-256color", false);
  EXPECT_TRUE(WIFEXITED(fallback.status) && WEXITSTATUS(fallback.status) == 0) << fallback.log;
  EXPECT_EQ(fallback.output.find(ENTER + "\x1b[?2026h\x1b[1;1H\x1b[48;5;16m \x1b[38;5;196mA"), 0u);
  EXPECT_NE(fallback.log.find("drawing into the terminal on standard output instead"),
            std::string::npos)
      << fallback.log;
}

TEST(TerminalDisplay, RefusesWhatIsNotATerminal) {
  sb::TerminalDisplay display;
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  EXPECT_EQ(display.open(pipe_fds[1], pipe_fds[0], 80, 24, sb::TerminalDisplay::COLORS_256), -1);
  EXPECT_FALSE(display.isOpen());
  EXPECT_EQ(display.present(), -1);
  close(pipe_fds[0]);
  close(pipe_fds[1]);
}

// Window sizes beyond any screen are refused before a cell is allocated, and
// a terminal that reports more cells than that is taken at the bound, logged.
TEST(TerminalDisplay, SizesAreBoundedWhereRead) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  struct winsize size = {};
  size.ws_col = 65535;
  size.ws_row = 65535;
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
  sb::TerminalDisplay display;
  const int refused[][2] = {{100000, 100000}, {4097, 1}, {1, 5000}, {2147483647, 2147483647}};
  for (const auto &cells : refused)
    EXPECT_EQ(display.open(slave, slave, cells[0], cells[1], sb::TerminalDisplay::COLORS_256), -1)
        << cells[0] << " x " << cells[1];
  ASSERT_EQ(display.open(slave, slave, 80, 24, sb::TerminalDisplay::COLORS_256), 0);
  EXPECT_EQ(display.getTerminalColumns(), 4096);
  EXPECT_EQ(display.getTerminalRows(), 4096);
  display.close();
  EXPECT_NE(sbtest::readLog().find("TerminalDisplay::open(): Warning! The terminal reports 65535 x "
                                   "65535 cells; more than 4096 a side is not used."),
            std::string::npos)
      << sbtest::readLog();
  close(master);
  close(slave);
  sb::GameManager::getInstance().shutDown();
}

TEST(TerminalDisplay, Nearest256MatchesExhaustiveSearch) {
  // The palette's cube and grey ramp, searched in full for the least distance.
  auto palette = [](int index, int rgb[3]) {
    const int levels[6] = {0, 95, 135, 175, 215, 255};
    if (index >= 232) {
      rgb[0] = rgb[1] = rgb[2] = 8 + 10 * (index - 232);
    } else {
      int cube = index - 16;
      rgb[0] = levels[cube / 36];
      rgb[1] = levels[cube / 6 % 6];
      rgb[2] = levels[cube % 6];
    }
  };
  auto distance = [&](int index, int r, int g, int b) {
    int rgb[3];
    palette(index, rgb);
    return (rgb[0] - r) * (rgb[0] - r) + (rgb[1] - g) * (rgb[1] - g) + (rgb[2] - b) * (rgb[2] - b);
  };
  std::mt19937 random(25);
  for (int trial = 0; trial < 3000; trial++) {
    int r = static_cast<int>(random() % 256), g = static_cast<int>(random() % 256),
        b = static_cast<int>(random() % 256);
    if (trial % 3 == 0) g = b = r;  // greys
    int best = 1 << 30;
    for (int index = 16; index < 256; index++) best = std::min(best, distance(index, r, g, b));
    int chosen = sb::TerminalDisplay::nearest256(static_cast<unsigned char>(r),
                                                 static_cast<unsigned char>(g),
                                                 static_cast<unsigned char>(b));
    ASSERT_GE(chosen, 16);
    ASSERT_EQ(distance(chosen, r, g, b), best) << r << "," << g << "," << b;
  }
}

namespace {

struct TerminalSeen {
  int key;
  sb::EventKeyboardAction action;
};

const std::vector<sb::TerminalEvent> &feed(sb::TerminalInput &input, const std::string &bytes,
                                           long long now_us) {
  return input.step(bytes.data(), bytes.size(), now_us);
}

std::vector<TerminalSeen> keysOf(const std::vector<sb::TerminalEvent> &events) {
  std::vector<TerminalSeen> keys;
  for (const sb::TerminalEvent &e : events)
    if (!e.mouse) keys.push_back({e.key, e.keyboard_action});
  return keys;
}

}  // namespace

TEST(TerminalInput, DecodesKeysOfEveryForm) {
  struct Case {
    const char *bytes;
    sb::Keyboard::Key key;
  };
  const Case cases[] = {
      {"a", sb::Keyboard::A},          {"Z", sb::Keyboard::Z},
      {"0", sb::Keyboard::NUM0},       {"7", sb::Keyboard::NUM7},
      {" ", sb::Keyboard::SPACE},      {"\r", sb::Keyboard::RETURN},
      {"\x7f", sb::Keyboard::BACKSPACE}, {"\t", sb::Keyboard::TAB},
      {";", sb::Keyboard::SEMICOLON},  {"-", sb::Keyboard::MINUS},
      {"\x1b", sb::Keyboard::ESCAPE},  {"\x1b[A", sb::Keyboard::UPARROW},
      {"\x1b[B", sb::Keyboard::DOWNARROW}, {"\x1b[C", sb::Keyboard::RIGHTARROW},
      {"\x1b[1;5D", sb::Keyboard::LEFTARROW}, {"\x1bOA", sb::Keyboard::UPARROW},
      {"\x1bOP", sb::Keyboard::F1},    {"\x1b[[E", sb::Keyboard::F5},
      {"\x1b[15~", sb::Keyboard::F5},  {"\x1b[21~", sb::Keyboard::F10},
      {"\x1b[24~", sb::Keyboard::F12}, {"\x1bOM", sb::Keyboard::RETURN},
  };
  for (const Case &c : cases) {
    sb::TerminalInput input;
    std::vector<TerminalSeen> keys = keysOf(feed(input, c.bytes, 1000));
    if (std::string(c.bytes) == "\x1b")  // a lone Escape is known once nothing follows it
      keys = keysOf(feed(input, "", 1000 + sb::TerminalInput::ESCAPE_WAIT_US));
    ASSERT_FALSE(keys.empty()) << c.bytes + 1;
    EXPECT_EQ(keys[0].key, c.key) << c.bytes + 1;
    EXPECT_EQ(keys[0].action, sb::KEY_PRESSED);
  }
  // Unknown sequences and control bytes give nothing; Home is not an engine key.
  sb::TerminalInput input;
  EXPECT_TRUE(feed(input, "\x1b[H\x1b[99~\x01\x1b[3;5~", 0).empty());
}

TEST(TerminalInput, KeysHeldWhileRepeatsArriveThenReleased) {
  sb::TerminalInput input;
  const long long step = 33000;
  // Arrival: pressed, then held at once.
  std::vector<TerminalSeen> keys = keysOf(feed(input, "\x1b[C", 0));
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].action, sb::KEY_PRESSED);
  EXPECT_EQ(keys[1].key, sb::Keyboard::RIGHTARROW);
  EXPECT_EQ(keys[1].action, sb::KEY_DOWN);
  // Repeats keep it held, each a press of its own just after a release.
  for (int i = 1; i <= 10; i++) {
    keys = keysOf(feed(input, i % 2 ? "\x1b[C" : "", i * step));
    ASSERT_EQ(keys.size(), i % 2 ? 3u : 1u) << i;
    if (i % 2) {
      EXPECT_EQ(keys[0].action, sb::KEY_RELEASED);
      EXPECT_EQ(keys[1].action, sb::KEY_PRESSED);
    }
    EXPECT_EQ(keys.back().action, sb::KEY_DOWN);
  }
  // Once the repeats stop, held up to HOLD_US after the last, then released.
  long long last = 9 * step;
  keys = keysOf(feed(input, "", last + sb::TerminalInput::HOLD_US));
  EXPECT_EQ(keys.size(), 1u);
  keys = keysOf(feed(input, "", last + sb::TerminalInput::HOLD_US + 1));
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].action, sb::KEY_RELEASED);
  EXPECT_FALSE(input.isHeld(sb::Keyboard::RIGHTARROW));
  // Two held keys come down in the window's polling order; F12 never does.
  keys = keysOf(feed(input, "q\x1b[A\x1b[24~", 10 * step + 1000000));
  ASSERT_EQ(keys.size(), 5u);
  EXPECT_EQ(keys[3].key, sb::Keyboard::UPARROW);
  EXPECT_EQ(keys[4].key, sb::Keyboard::Q);
  EXPECT_EQ(keys[4].action, sb::KEY_DOWN);
}

TEST(TerminalInput, TapsReleaseAfterAStepRepeatsHoldAndReportsRelease) {
  auto actions = [](const std::vector<sb::TerminalEvent> &events) {
    std::string seen;
    for (const sb::TerminalEvent &e : events)
      if (!e.mouse) seen += std::to_string(e.key) + "PRD"[e.keyboard_action] + std::string(" ");
    return seen;
  };
  sb::TerminalInput input;
  // A tap: pressed and down in its step, released in the next.
  EXPECT_EQ(actions(input.step("a", 1, 0)), "36P 36D ");
  EXPECT_EQ(actions(input.step("", 0, 33000)), "36R ");
  // A key whose repeats come stays held until they stop for HOLD_US; every
  // repeat is a press, released just before it.
  EXPECT_EQ(actions(input.step("b", 1, 1000000)), "37P 37D ");
  EXPECT_EQ(actions(input.step("b", 1, 1033000)), "37R 37P 37D ");
  EXPECT_EQ(actions(input.step("", 0, 1066000)), "37D ");
  EXPECT_EQ(actions(input.step("", 0, 1033000 + sb::TerminalInput::HOLD_US + 1)), "37R ");
  // A repeat that comes after the tap rule let the key go presses it again,
  // and it stays held.
  EXPECT_EQ(actions(input.step("c", 1, 2000000)), "38P 38D ");
  EXPECT_EQ(actions(input.step("", 0, 2033000)), "38R ");
  EXPECT_EQ(actions(input.step("c", 1, 2040000)), "38P 38D ");
  EXPECT_EQ(actions(input.step("", 0, 2073000)), "38D ");

  // The kitty protocol: the answer to its query, then press, repeat and
  // release reports for letters, arrows and Shift; a key stays held until
  // its release, however long no repeat comes.
  sb::TerminalInput kitty;
  EXPECT_TRUE(feed(kitty, "\x1b[?0u", 0).empty());
  EXPECT_TRUE(kitty.kittyAnswered());
  kitty.setReportsReleases(true);
  EXPECT_EQ(actions(feed(kitty, "\x1b[97u\x1b[A\x1b[57441;2u", 0)), "36P 6P 22P 6D 22D 36D ");
  EXPECT_EQ(actions(feed(kitty, "", 5000000)), "6D 22D 36D ");
  EXPECT_EQ(actions(feed(kitty, "\x1b[97;1:2u\x1b[1;1:2A", 5033000)), "6D 22D 36D ");
  EXPECT_EQ(actions(feed(kitty, "\x1b[97;1:3u\x1b[57441;2:3u", 5066000)), "36R 22R 6D ");
  EXPECT_EQ(actions(feed(kitty, "\x1b[1;1:3A\x1b[13u\x1b[13;1:3u\x1b[57448;5u", 5099000)),
            "6R 1P 1R 21P 21D ");
}

TEST(TerminalInput, SequencesCutBetweenStepsAndMouseReports) {
  sb::TerminalInput input;
  // A sequence split across two reads is read whole.
  EXPECT_TRUE(feed(input, "\x1b[1", 0).empty());
  std::vector<TerminalSeen> keys = keysOf(feed(input, "5~", 1));
  ASSERT_FALSE(keys.empty());
  EXPECT_EQ(keys[0].key, sb::Keyboard::F5);
  // So is an arrow cut right after its Escape; a lone Escape waits for the
  // rest up to ESCAPE_WAIT_US after it came, then is Escape; a part sequence
  // that nothing follows is Escape and the keys after it.
  const long long wait = sb::TerminalInput::ESCAPE_WAIT_US;
  sb::TerminalInput split;
  EXPECT_TRUE(feed(split, "\x1b", 0).empty());
  keys = keysOf(feed(split, "[A", 1000));
  ASSERT_FALSE(keys.empty());
  EXPECT_EQ(keys[0].key, sb::Keyboard::UPARROW);
  sb::TerminalInput lone;
  EXPECT_TRUE(feed(lone, "\x1b", 5000).empty());
  EXPECT_TRUE(feed(lone, "", 5000 + wait - 1).empty());
  keys = keysOf(feed(lone, "", 5000 + wait));
  ASSERT_FALSE(keys.empty());
  EXPECT_EQ(keys[0].key, sb::Keyboard::ESCAPE);
  sb::TerminalInput part;
  EXPECT_TRUE(feed(part, "\x1b[", 0).empty());
  keys = keysOf(feed(part, "", wait));
  ASSERT_EQ(keys.size(), 4u);  // Escape pressed, '[' pressed and released, Escape down
  EXPECT_EQ(keys[0].key, sb::Keyboard::ESCAPE);

  // A left press at column 11, row 4: CLICKED at cell (10, 3), then PRESSED
  // every step until the release; a right press reports RIGHT.
  sb::TerminalInput mouse;
  const std::vector<sb::TerminalEvent> &events = feed(mouse, "\x1b[<0;11;4M", 0);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].mouse);
  EXPECT_EQ(events[0].mouse_action, sb::CLICKED);
  EXPECT_EQ(events[0].button, sb::Mouse::LEFT);
  EXPECT_EQ(events[0].x, 10.0f);
  EXPECT_EQ(events[0].y, 3.0f);
  EXPECT_EQ(events[1].mouse_action, sb::PRESSED);
  EXPECT_EQ(feed(mouse, "", 1).size(), 1u);
  EXPECT_EQ(feed(mouse, "\x1b[<32;12;4M\x1b[<0;12;4m", 2).size(), 1u);  // moved, released
  const std::vector<sb::TerminalEvent> &right = feed(mouse, "\x1b[<2;1;1M\x1b[<2;1;1m", 3);
  ASSERT_EQ(right.size(), 1u);
  EXPECT_EQ(right[0].button, sb::Mouse::RIGHT);
  // The older report of terminals without SGR mouse: a middle press at (4, 1), then its
  // release; none of its bytes is taken for a key.
  const std::vector<sb::TerminalEvent> &old = feed(mouse, "\x1b[M!%\"\x1b[M#%\"", 5);
  ASSERT_EQ(old.size(), 1u);
  EXPECT_EQ(old[0].mouse_action, sb::CLICKED);
  EXPECT_EQ(old[0].button, sb::Mouse::MIDDLE);
  EXPECT_EQ(old[0].x, 4.0f);
  EXPECT_EQ(old[0].y, 1.0f);
  // Wheel reports and numbers too large are read and dropped.
  EXPECT_TRUE(feed(mouse, "\x1b[<64;99999999999;1M", 4).empty());
}

namespace {

// What a decoder made of a stream: every key press (key, character, Alt),
// and every mouse event.
struct DecodedFrame {
  std::vector<int> keys;
  std::vector<std::vector<float>> mouse;
  bool operator==(const DecodedFrame &other) const {
    return keys == other.keys && mouse == other.mouse;
  }
};

void collect(const std::vector<sb::TerminalEvent> &events, DecodedFrame &decoded) {
  for (const sb::TerminalEvent &e : events) {
    if (e.mouse && e.mouse_action != sb::PRESSED) {
      decoded.mouse.push_back({static_cast<float>(e.mouse_action),
                               static_cast<float>(e.button), e.x, e.y});
    } else if (!e.mouse && e.keyboard_action == sb::KEY_PRESSED) {
      decoded.keys.push_back(e.key);
      decoded.keys.push_back(static_cast<int>(e.character) * 2 + (e.alt ? 1 : 0));
    }
  }
}

// The stream fed in pieces ending at the given cuts, one step a piece well
// within the Escape wait, then a step long after that settles what waits.
DecodedFrame decodeInPieces(const std::string &stream, const std::vector<std::size_t> &cuts) {
  sb::TerminalInput input;
  DecodedFrame decoded;
  std::size_t from = 0;
  long long now = 0;
  for (std::size_t cut : cuts) {
    collect(input.step(stream.data() + from, cut - from, now++), decoded);
    from = cut;
  }
  collect(input.step(stream.data() + from, stream.size() - from, now), decoded);
  collect(input.step(nullptr, 0, 10000000), decoded);
  return decoded;
}

}  // namespace

TEST(TerminalInput, StreamsDecodeAlikeWholeAndCutAnywhere) {
  const char *tokens[] = {"a", "Z", "7", " ", "\r", "\x1b", "\x1b", "\x1b[A", "\x1b[1;5D",
                          "\x1bOP", "\x1b[15~", "\x1b[<0;11;4M", "\x1b[<0;11;4m",
                          "\x1b[M!%\"", "\x1b[[E", "x", "[", "O", "\x1b[<32;3;2M",
                          "\x1b]0;title\x07", "\x1bP1$r0m\x1b\\", "\x1b_G;ok\x1b\\", "\x1b^pm\x07",
                          "\xc3\xa9", "\xe2\x86\x92", "\x1b" "d", "\x1b>", "\x1b[46:62;2;62u", ">"};
  const std::size_t token_count = sizeof(tokens) / sizeof(tokens[0]);
  std::mt19937 random(29);
  int differing = 0;
  std::string first_differing;
  for (int trial = 0; trial < 3000; trial++) {
    std::string stream;
    int length = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < length; i++) {
      if (random() % 10 == 0)
        stream.push_back(static_cast<char>(random() % 256));
      else
        stream += tokens[random() % token_count];
    }
    std::vector<std::size_t> cuts;
    for (std::size_t at = 1; at < stream.size(); at++)
      if (random() % 3 == 0) cuts.push_back(at);
    if (!(decodeInPieces(stream, {}) == decodeInPieces(stream, cuts))) {
      if (differing++ == 0) first_differing = stream;
    }
  }
  EXPECT_EQ(differing, 0) << "of 3000, first: " << first_differing.size() << " bytes";
}

// Alt+key, terminal strings and text: one table of streams and the presses
// each gives (key, character, Alt), read in one step and settled after.
TEST(TerminalInput, AltKeysStringsAndTextGiveTheirPresses) {
  struct Case {
    std::string bytes;
    std::vector<int> presses;  // key, character, alt; ...
  };
  const int D = sb::Keyboard::D, X = sb::Keyboard::X;
  const std::string long_osc = "\x1b]52;c;" + std::string(9000, 'A') + "\x07";
  const Case cases[] = {
      {"\x1b" "d", {D, 'd', 1}},
      {"\x1b" "D", {D, 'D', 1}},
      {"\x1b>x", {sb::Keyboard::PERIOD, '>', 1, X, 'x', 0}},
      {"\x1b\r", {sb::Keyboard::RETURN, 0, 1}},
      {"\x1b\x1b", {sb::Keyboard::ESCAPE, 0, 0, sb::Keyboard::ESCAPE, 0, 0}},
      {"\x1b]11;rgb:0000/0000/0000\x07x", {X, 'x', 0}},
      {"\x1b]11;rgb:0000/0000/0000\x1b\\x", {X, 'x', 0}},
      {"\x1bP1$r0m\x1b\\x", {X, 'x', 0}},
      {"\x1b_Gi=1;OK\x1b\\\x1b^note\x07x", {X, 'x', 0}},
      {"\x1b]0;cut short\x1b[A", {sb::Keyboard::UPARROW, 0, 0}},
      {long_osc + "x", {X, 'x', 0}},
      {"\x1b]never ends", {144, ']', 1, sb::Keyboard::N, 'n', 0}},
      {"\xc3\xa9\xe2\x86\x92\xf0\x9f\x99\x82", {-1, 0xe9, 0, -1, 0x2192, 0, -1, 0x1f642, 0}},
      {"\xff\xc3(\xe2\x86", {sb::Keyboard::NUM9, '(', 0}},
      {"\x1b[100;1;100u\x1b[100;5u\x1b[100;3u", {D, 'd', 0, D, 0, 0, D, 'd', 1}},
      {"\x1b[57399u\x1b[97;2;65u", {sb::Keyboard::NUM0, 0, 0, sb::Keyboard::A, 'A', 0}},
  };
  for (const Case &c : cases) {
    sb::TerminalInput input;
    std::vector<int> presses;
    auto take = [&](const std::vector<sb::TerminalEvent> &events) {
      for (const sb::TerminalEvent &e : events)
        if (!e.mouse && e.keyboard_action == sb::KEY_PRESSED) {
          presses.push_back(e.key);
          presses.push_back(static_cast<int>(e.character));
          presses.push_back(e.alt ? 1 : 0);
        }
    };
    take(feed(input, c.bytes, 0));
    take(feed(input, "", 1000000));
    // The second "never ends" press is its first letter; the rest follow.
    if (c.bytes == "\x1b]never ends") presses.resize(6);
    EXPECT_EQ(presses, c.presses) << c.bytes.substr(0, 40);
  }
  // An over-long string's rest is dropped as it arrives, up to its end.
  sb::TerminalInput input;
  EXPECT_TRUE(feed(input, long_osc.substr(0, 5000), 0).empty());
  EXPECT_TRUE(feed(input, long_osc.substr(5000), 1).empty());
  std::vector<TerminalSeen> keys = keysOf(feed(input, "y", 2));
  ASSERT_FALSE(keys.empty());
  EXPECT_EQ(keys[0].key, sb::Keyboard::Y);
  // reset() forgets one still being dropped: what comes next is read.
  feed(input, long_osc.substr(0, 5000), 3);
  input.reset();
  keys = keysOf(feed(input, "y", 4));
  ASSERT_FALSE(keys.empty());
  EXPECT_EQ(keys[0].key, sb::Keyboard::Y);
}
