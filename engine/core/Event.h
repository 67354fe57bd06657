#ifndef SORBELANE_EVENT_H
#define SORBELANE_EVENT_H

#include <string>

#include "Constants.h"

namespace sb {

/// The engine event types that hot handlers tell apart without comparing
/// names; every other name is EVENT_OTHER.
enum EventKind : int {
  EVENT_UNDEFINED,  ///< UNDEFINED_EVENT
  EVENT_STEP,       ///< STEP_EVENT
  EVENT_OUT,        ///< OUT_EVENT
  EVENT_COLLISION,  ///< COLLISION_EVENT
  EVENT_OTHER,      ///< any other name
};

/// Base of every event; identified by its type name. A game makes events of
/// its own by deriving from it with a type name of its own, and sends them
/// with WorldManager::onEvent() to the objects registered for that name.
class Event {
 private:
  std::string event_type;
  EventKind kind;

 public:
  /// An event of type UNDEFINED_EVENT.
  Event();
  virtual ~Event();

  /// The type name, such as STEP_EVENT.
  std::string getType() const;
  /// Sets the type name.
  void setType(std::string new_type);

  /// The type without a copy, for dispatch on the hot path.
  const std::string &typeRef() const { return event_type; }
  /// Which engine event type the name is, found once when it is set.
  EventKind getKind() const { return kind; }
};

}  // namespace sb

#endif
