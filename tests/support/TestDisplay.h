// Test helpers for real windows: an X server (Xvfb when none is running),
// screenshots of the engine window and real input sent with xdotool.
#ifndef SORBELANE_TESTS_TEST_DISPLAY_H
#define SORBELANE_TESTS_TEST_DISPLAY_H

#include <functional>
#include <set>
#include <utility>
#include <string>

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Image.hpp>

namespace sbtest {

// Makes sure DISPLAY names a running X server. Uses the current DISPLAY when
// it accepts a connection; otherwise starts Xvfb on a free display number
// (from :90 up), waits until it accepts connections and sets DISPLAY. That
// server dies with this process. Returns false when no X server could be had.
// Call it before the engine opens its window.
bool ensureDisplay();

// Like ensureDisplay(), but always starts an X server of this process's own.
// For input tests: keyboard focus and key state belong to the whole server,
// so tests sharing one could see each other's keys.
bool ensurePrivateDisplay();

// The engine window's back buffer: what was drawn since the last
// swapBuffers(). Take it after drawing and before the next swapBuffers().
// An empty image when the engine has no window.
sf::Image screenshot();

// The bounding box (edges inclusive) and number of the pixels of exactly
// one colour in an image.
struct PixelBox {
  int left = 0, top = 0, right = -1, bottom = -1;
  int count = 0;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};
PixelBox colorBox(const sf::Image &image, sf::Color color);

// Saves an image as PNG for a person to look at (debugging aid).
bool saveImage(const sf::Image &image, const std::string &path);

// The engine window's X id in decimal, or "" when there is no window.
std::string windowId();

// Runs "xdotool <args>"; true when it exited with status 0.
bool xdotool(const std::string &args);

// Gives the engine window the keyboard focus and puts the pointer over it,
// so that xdotool's key and button events reach it.
bool focusWindow();

// Presses and releases keys by X keysym name ("a", "minus", "Up", "KP_Add").
bool keyDown(const std::string &keysym);
bool keyUp(const std::string &keysym);

// Moves the pointer to pixel (x, y) of the engine window.
bool mouseMove(int x, int y);
// X buttons: 1 left, 2 middle, 3 right.
bool mouseDown(int button);
bool mouseUp(int button);
bool click(int button);

// Sends the engine window a close request (WM_DELETE_WINDOW), as a window
// manager does when the user closes the window.
bool requestClose();

// Polls cond every few milliseconds until it holds or timeout_ms passed.
bool waitUntil(const std::function<bool()> &cond, int timeout_ms = 2000);

// The cells (column, row) of a screenshot holding at least one pixel of
// exactly this colour, for cells of cell_width x cell_height pixels.
using Cells = std::set<std::pair<int, int>>;
Cells cellsWithColor(const sf::Image &image, sf::Color color, int cell_width = 10,
                     int cell_height = 20);

}  // namespace sbtest

#endif
