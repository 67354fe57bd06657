#include "DisplayProbe.h"

#include <dlfcn.h>

namespace sb {

DisplayProbe::DisplayProbe() {
  // Xlib is already loaded with SFML; this only finds it.
  lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
  if (!lib) return;
  using OpenDisplay = void *(*)(const char *);
  auto open_display = reinterpret_cast<OpenDisplay>(dlsym(lib, "XOpenDisplay"));
  close_display = reinterpret_cast<CloseDisplay>(dlsym(lib, "XCloseDisplay"));
  if (open_display && close_display) display = open_display(nullptr);
}

DisplayProbe::~DisplayProbe() {
  if (display) close_display(display);
  if (lib) dlclose(lib);
}

}  // namespace sb
