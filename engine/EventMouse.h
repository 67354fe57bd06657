#ifndef SORBELANE_EVENT_MOUSE_H
#define SORBELANE_EVENT_MOUSE_H

#include "Event.h"
#include "Vector.h"

namespace sb {

namespace Mouse {

// The same numbers as SFML's buttons.
enum Button : int {
  UNDEFINED_MOUSE_BUTTON = -1,
  LEFT = 0,
  RIGHT = 1,
  MIDDLE = 2,
};

}  // namespace Mouse

enum EventMouseAction : int {
  UNDEFINED_MOUSE_ACTION = -1,
  CLICKED = 0,
  PRESSED = 1,
  MOVED = 2,
};

// A click, a held button or a motion; the position is in window cells.
class EventMouse : public Event {
 private:
  EventMouseAction mouse_action;
  Mouse::Button mouse_button;
  Vector mouse_xy;

 public:
  EventMouse();
  ~EventMouse() override;

  void setMouseAction(EventMouseAction new_mouse_action) { mouse_action = new_mouse_action; }
  EventMouseAction getMouseAction() const { return mouse_action; }
  void setMouseButton(Mouse::Button new_mouse_button) { mouse_button = new_mouse_button; }
  Mouse::Button getMouseButton() const { return mouse_button; }
  void setMousePosition(Vector new_mouse_xy) { mouse_xy = new_mouse_xy; }
  Vector getMousePosition() const { return mouse_xy; }
};

}  // namespace sb

#endif
