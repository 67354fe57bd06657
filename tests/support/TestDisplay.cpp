#include "support/TestDisplay.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <SFML/Graphics.hpp>

#include "DisplayManager.h"

// Xlib last: its macros (None, Bool, Status) would clash with SFML's names.
#include <X11/Xlib.h>

namespace sbtest {

namespace {

// Xlib, loaded at run time: the engine's SFML already depends on it, and
// loading it here spares the test build a link dependency of its own.
struct Xlib {
  decltype(&XOpenDisplay) open_display = nullptr;
  decltype(&XCloseDisplay) close_display = nullptr;
  decltype(&XInternAtom) intern_atom = nullptr;
  decltype(&XSendEvent) send_event = nullptr;
  decltype(&XSync) sync = nullptr;
  bool ok = false;

  Xlib() {
    void *lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
    if (!lib) return;
    open_display = reinterpret_cast<decltype(open_display)>(dlsym(lib, "XOpenDisplay"));
    close_display = reinterpret_cast<decltype(close_display)>(dlsym(lib, "XCloseDisplay"));
    intern_atom = reinterpret_cast<decltype(intern_atom)>(dlsym(lib, "XInternAtom"));
    send_event = reinterpret_cast<decltype(send_event)>(dlsym(lib, "XSendEvent"));
    sync = reinterpret_cast<decltype(sync)>(dlsym(lib, "XSync"));
    ok = open_display && close_display && intern_atom && send_event && sync;
  }
};

Xlib &xlib() {
  static Xlib lib;
  return lib;
}

// A connection kept open for the rest of the process, so that the server
// never finds itself without clients and resets (refusing connections for
// a moment) between tests' windows; X servers started without -noreset do.
Display *keep_alive = nullptr;

bool canConnect(const char *name) {
  if (!xlib().ok) return false;
  Display *display = xlib().open_display(name);
  if (!display) return false;
  if (keep_alive) xlib().close_display(keep_alive);
  keep_alive = display;
  return true;
}

bool exists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// Starts Xvfb on :number. The server gets SIGTERM when this process ends
// (parent-death signal), which also covers exits that skip atexit handlers
// and lets the engine's SFML statics close their connections first.
pid_t startXvfb(int number) {
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(1);
  int null_fd = open("/dev/null", O_RDWR);
  if (null_fd >= 0) {
    dup2(null_fd, STDIN_FILENO);
    dup2(null_fd, STDOUT_FILENO);
    dup2(null_fd, STDERR_FILENO);
  }
  std::string name = ":" + std::to_string(number);
  // -noreset: a server that resets when its last client leaves refuses
  // connections for a moment, and probing it leaves it without clients.
  execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
         "-noreset", static_cast<char *>(nullptr));
  _exit(127);
}

pid_t xvfb_pid = 0;
pid_t xvfb_owner = 0;

void stopXvfb() {
  // A forked child that calls exit() runs this too: only the owner stops the server.
  if (xvfb_pid <= 0 || getpid() != xvfb_owner) return;
  kill(xvfb_pid, SIGTERM);
  waitpid(xvfb_pid, nullptr, 0);
  xvfb_pid = 0;
}

// Registered before main(), so it runs after the engine's singletons (made by
// the tests) are destroyed: their fonts and SFML's contexts still talk to the
// server as they go, and Xlib ends the process if the server is gone.
const int xvfb_stopped_last = atexit(stopXvfb);

// The process id written in a display's lock file, or 0.
pid_t lockOwner(int number) {
  FILE *lock = fopen(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), "r");
  if (!lock) return 0;
  long owner = 0;
  if (fscanf(lock, "%ld", &owner) != 1) owner = 0;
  fclose(lock);
  return static_cast<pid_t>(owner);
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

sf::RenderWindow *engineWindow() { return sb::DisplayManager::getInstance().getWindow(); }

}  // namespace

namespace {

// The display name of this process's own server, set again for every test
// that asks for it: an earlier test may have changed or removed DISPLAY.
std::string xvfb_name;

bool useOwnServer() {
  if (xvfb_pid <= 0) return false;
  setenv("DISPLAY", xvfb_name.c_str(), 1);
  return true;
}

}  // namespace

bool ensureDisplay() {
  if (useOwnServer()) return true;
  if (!xlib().ok) {
    fprintf(stderr, "ensureDisplay(): cannot load libX11.so.6\n");
    return false;
  }
  const char *current = getenv("DISPLAY");
  if (current && *current && canConnect(current)) return true;
  return ensurePrivateDisplay();
}

bool ensurePrivateDisplay() {
  if (useOwnServer()) return true;
  if (!xlib().ok) {
    fprintf(stderr, "ensurePrivateDisplay(): cannot load libX11.so.6\n");
    return false;
  }

  for (int number = 90; number < 190; number++) {
    std::string suffix = std::to_string(number);
    if (exists("/tmp/.X11-unix/X" + suffix) || exists("/tmp/.X" + suffix + "-lock")) continue;
    pid_t pid = startXvfb(number);
    if (pid < 0) break;
    std::string name = ":" + suffix;
    bool ready = false, died = false, taken = false;
    for (int waited = 0; waited < 5000 && !ready && !died && !taken; waited += 20) {
      sleepMs(20);
      died = waitpid(pid, nullptr, WNOHANG) != 0;
      if (died) break;
      // Another process may have started a server on this number at the same
      // time: the lock file names the one that won.
      pid_t owner = lockOwner(number);
      taken = owner > 0 && owner != pid;
      ready = owner == pid && canConnect(name.c_str());
    }
    if (ready) {
      xvfb_pid = pid;
      xvfb_owner = getpid();
      xvfb_name = name;
      // Normally the parent-death signal ends the server; stopXvfb() reaps
      // it when the test program exits through exit().
      setenv("DISPLAY", name.c_str(), 1);
      return true;
    }
    if (!died) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  fprintf(stderr, "ensureDisplay(): no X server could be started (is Xvfb installed?)\n");
  return false;
}

sf::Image screenshot() {
  sf::RenderWindow *p_window = engineWindow();
  if (!p_window) return sf::Image();
  sf::Vector2u size = p_window->getSize();
  sf::Texture texture;
  if (!texture.create(size.x, size.y)) return sf::Image();
  // Texture::update copies the window's back buffer: what has been drawn
  // since the last display() and clear.
  texture.update(*p_window);
  return texture.copyToImage();
}

PixelBox colorBox(const sf::Image &image, sf::Color color) {
  PixelBox box;
  sf::Vector2u size = image.getSize();
  for (unsigned int y = 0; y < size.y; y++) {
    for (unsigned int x = 0; x < size.x; x++) {
      if (image.getPixel(x, y) != color) continue;
      int ix = static_cast<int>(x), iy = static_cast<int>(y);
      if (box.count == 0) {
        box.left = box.right = ix;
        box.top = box.bottom = iy;
      } else {
        box.left = std::min(box.left, ix);
        box.right = std::max(box.right, ix);
        box.top = std::min(box.top, iy);
        box.bottom = std::max(box.bottom, iy);
      }
      box.count++;
    }
  }
  return box;
}

bool saveImage(const sf::Image &image, const std::string &path) { return image.saveToFile(path); }

std::string windowId() {
  sf::RenderWindow *p_window = engineWindow();
  if (!p_window) return "";
  return std::to_string(static_cast<unsigned long>(p_window->getSystemHandle()));
}

bool xdotool(const std::string &args) {
  std::string command = "timeout 10 xdotool " + args + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

bool focusWindow() {
  std::string id = windowId();
  if (id.empty()) return false;
  if (!xdotool("windowfocus --sync " + id)) return false;
  sf::Vector2u size = engineWindow()->getSize();
  return mouseMove(static_cast<int>(size.x / 2), static_cast<int>(size.y / 2));
}

bool keyDown(const std::string &keysym) { return xdotool("keydown " + keysym); }

bool keyUp(const std::string &keysym) { return xdotool("keyup " + keysym); }

bool mouseMove(int x, int y) {
  std::string id = windowId();
  if (id.empty()) return false;
  return xdotool("mousemove --window " + id + " " + std::to_string(x) + " " + std::to_string(y));
}

bool mouseDown(int button) { return xdotool("mousedown " + std::to_string(button)); }

bool mouseUp(int button) { return xdotool("mouseup " + std::to_string(button)); }

bool click(int button) { return xdotool("click " + std::to_string(button)); }

bool requestClose() {
  sf::RenderWindow *p_window = engineWindow();
  if (!p_window || !xlib().ok) return false;
  Display *display = xlib().open_display(nullptr);
  if (!display) return false;
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = static_cast<Window>(p_window->getSystemHandle());
  event.xclient.message_type = xlib().intern_atom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] =
      static_cast<long>(xlib().intern_atom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  Status sent = xlib().send_event(display, event.xclient.window, False, NoEventMask, &event);
  xlib().sync(display, False);
  xlib().close_display(display);
  // A round trip on the engine's own connection: its reply comes after the
  // request, so the next pollEvent sees it.
  sf::Keyboard::isKeyPressed(sf::Keyboard::A);
  return sent != 0;
}

bool waitUntil(const std::function<bool()> &cond, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    sleepMs(5);
  }
  return true;
}

Cells cellsWithColor(const sf::Image &image, sf::Color color, int cell_width,
                     int cell_height) {
  Cells cells;
  sf::Vector2u size = image.getSize();
  for (unsigned int y = 0; y < size.y; y++)
    for (unsigned int x = 0; x < size.x; x++)
      if (image.getPixel(x, y) == color)
        cells.insert({static_cast<int>(x) / cell_width, static_cast<int>(y) / cell_height});
  return cells;
}

}  // namespace sbtest
