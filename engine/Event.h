#ifndef SORBELANE_EVENT_H
#define SORBELANE_EVENT_H

#include <string>

#include "Constants.h"

namespace sb {

// Base of every event; identified by its type name.
class Event {
 private:
  std::string event_type;

 public:
  Event();
  virtual ~Event();

  std::string getType() const;
  void setType(std::string new_type);

  // The type without a copy, for dispatch on the hot path.
  const std::string &typeRef() const { return event_type; }
};

}  // namespace sb

#endif
