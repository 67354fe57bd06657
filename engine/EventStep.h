#ifndef SORBELANE_EVENT_STEP_H
#define SORBELANE_EVENT_STEP_H

#include "Event.h"

namespace sb {

// Sent once per game-loop iteration to the objects interested in steps.
class EventStep : public Event {
 private:
  int step_count;

 public:
  EventStep();
  explicit EventStep(int init_step_count);

  int getStepCount() const;
  void setStepCount(int new_step_count);
};

}  // namespace sb

#endif
