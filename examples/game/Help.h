// The help panel: '?' shows and hides it. Drawn over the arena with cell
// backgrounds and colour markup.
#ifndef ARENA_HELP_H
#define ARENA_HELP_H

#include "Sorbelane.h"

class Help : public sb::Object {
  bool shown = false;

 public:
  Help();
  void toggle() { shown = !shown; }
  bool isShown() const { return shown; }
  int draw() override;
};

#endif
