#ifndef SORBELANE_EVENT_VIEW_H
#define SORBELANE_EVENT_VIEW_H

#include <string>
#include <utility>

#include "Event.h"

namespace sb {

// Sets or changes (delta) the value of the view objects whose view string is the tag.
class EventView : public Event {
 private:
  std::string tag;
  int value;
  bool delta;

 public:
  EventView();
  EventView(std::string init_tag, int init_value, bool init_delta);

  void setTag(std::string new_tag) { tag = std::move(new_tag); }
  std::string getTag() const { return tag; }
  void setValue(int new_value) { value = new_value; }
  int getValue() const { return value; }
  void setDelta(bool new_delta) { delta = new_delta; }
  bool getDelta() const { return delta; }
};

}  // namespace sb

#endif
