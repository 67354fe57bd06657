#ifndef SORBELANE_EVENT_VIEW_H
#define SORBELANE_EVENT_VIEW_H

#include <string>
#include <utility>

#include "Event.h"

namespace sb {

/// Sets or changes (delta) the value of the view objects whose view string
/// is the tag. Sent with WorldManager::onEvent().
class EventView : public Event {
 private:
  std::string tag;
  int value;
  bool delta;

 public:
  /// An event with an empty tag that sets the value 0.
  EventView();
  /// An event for the view objects labelled init_tag that adds init_value
  /// to their values (init_delta) or sets them to it.
  EventView(std::string init_tag, int init_value, bool init_delta);

  /// Sets the label of the view objects addressed.
  void setTag(std::string new_tag) { tag = std::move(new_tag); }
  /// The label of the view objects addressed.
  std::string getTag() const { return tag; }
  /// Sets the value to set or add.
  void setValue(int new_value) { value = new_value; }
  /// The value to set or add.
  int getValue() const { return value; }
  /// Adds the value (true) or sets it.
  void setDelta(bool new_delta) { delta = new_delta; }
  /// Whether the value is added rather than set.
  bool getDelta() const { return delta; }
};

}  // namespace sb

#endif
