// A help panel for the example games: lines of colour markup ("#[cyan]?#[]
// this help") on a panel of cell backgrounds, centred on the screen over
// everything else, shown and hidden by the game (usually on '?').
#ifndef EXAMPLES_HELP_PANEL_H
#define EXAMPLES_HELP_PANEL_H

#include <string>
#include <vector>

#include "Sorbelane.h"

class HelpPanel : public sb::Object {
  std::vector<std::string> lines;
  int width;
  bool shown = false;

 public:
  // The panel's lines, drawn left-aligned on a panel `width` cells wide.
  HelpPanel(std::vector<std::string> panel_lines, int panel_width);
  void toggle() { shown = !shown; }
  void hide() { shown = false; }
  bool isShown() const { return shown; }
  int draw() override;
};

#endif
