#ifndef SORBELANE_DISPLAY_PROBE_H
#define SORBELANE_DISPLAY_PROBE_H

namespace sb {

/// A connection to the X server, held while the window is made. SFML aborts
/// the whole program when it cannot open the display, so the window is only
/// asked for when this connection opened. Holding it until the window exists
/// keeps the server from resetting (as an X server does when its last client
/// leaves) between this probe and SFML's own connection. Xlib is looked up
/// at run time, so the engine needs no link dependency of its own.
class DisplayProbe {
 public:
  /// Opens a connection to the display DISPLAY names, when there is one.
  DisplayProbe();
  /// Closes the connection.
  ~DisplayProbe();
  DisplayProbe(const DisplayProbe &) = delete;
  void operator=(const DisplayProbe &) = delete;

  /// Whether the connection opened.
  bool available() const { return display != nullptr; }

 private:
  using CloseDisplay = int (*)(void *);
  void *lib = nullptr;
  CloseDisplay close_display = nullptr;
  void *display = nullptr;
};

}  // namespace sb

#endif
