#ifndef SORBELANE_EVENT_RESIZE_H
#define SORBELANE_EVENT_RESIZE_H

#include "Event.h"

namespace sb {

/// The terminal the game draws in changed its size. Sent to the objects
/// registered for RESIZE_EVENT, in the step after the change, with the new
/// size in cells (DisplayManager::getTerminalHorizontal() and
/// getTerminalVertical() give it at any time).
class EventResize : public Event {
 private:
  int columns;
  int rows;

 public:
  /// A resize to columns x rows cells.
  EventResize(int new_columns = 0, int new_rows = 0);

  /// The new width in cells.
  int getColumns() const { return columns; }
  /// The new height in cells.
  int getRows() const { return rows; }
};

}  // namespace sb

#endif
