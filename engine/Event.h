#ifndef SORBELANE_EVENT_H
#define SORBELANE_EVENT_H

#include <string>

#include "Constants.h"

namespace sb {

/// Base of every event; identified by its type name. A game makes events of
/// its own by deriving from it with a type name of its own, and sends them
/// with WorldManager::onEvent() to the objects registered for that name.
class Event {
 private:
  std::string event_type;

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
};

}  // namespace sb

#endif
