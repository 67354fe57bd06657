// Arena's help panel: '?' shows and hides it.
#ifndef ARENA_HELP_H
#define ARENA_HELP_H

#include "HelpPanel.h"

class Help : public HelpPanel {
 public:
  Help();
};

#endif
