#ifndef SORBELANE_EVENT_MOUSE_H
#define SORBELANE_EVENT_MOUSE_H

#include "Event.h"
#include "Vector.h"

namespace sb {

/// The engine's mouse buttons.
namespace Mouse {

/// The same numbers as SFML's buttons.
enum Button : int {
  UNDEFINED_MOUSE_BUTTON = -1,  ///< No button (as for a motion).
  LEFT = 0,                     ///< Left button.
  RIGHT = 1,                    ///< Right button.
  MIDDLE = 2,                   ///< Middle button.
};

}  // namespace Mouse

/// What the mouse did.
enum EventMouseAction : int {
  UNDEFINED_MOUSE_ACTION = -1,  ///< Not set.
  CLICKED = 0,                  ///< A button went down (once per press).
  PRESSED = 1,                  ///< A button is held (every step while it is).
  MOVED = 2,                    ///< The mouse moved.
};

/// A click, a held button or a motion; the position is in window cells.
/// Sent by the input manager to the objects registered for MSE_EVENT;
/// viewToWorld() turns the position into a world position.
class EventMouse : public Event {
 private:
  EventMouseAction mouse_action;
  Mouse::Button mouse_button;
  Vector mouse_xy;

 public:
  /// A mouse event of no action and no button, at (0,0).
  EventMouse();
  ~EventMouse() override;

  /// Sets what the mouse did.
  void setMouseAction(EventMouseAction new_mouse_action) { mouse_action = new_mouse_action; }
  /// What the mouse did.
  EventMouseAction getMouseAction() const { return mouse_action; }
  /// Sets the button.
  void setMouseButton(Mouse::Button new_mouse_button) { mouse_button = new_mouse_button; }
  /// The button clicked or held; UNDEFINED_MOUSE_BUTTON for a motion.
  Mouse::Button getMouseButton() const { return mouse_button; }
  /// Sets the position, in window cells.
  void setMousePosition(Vector new_mouse_xy) { mouse_xy = new_mouse_xy; }
  /// The mouse's position in window cells.
  Vector getMousePosition() const { return mouse_xy; }
};

}  // namespace sb

#endif
