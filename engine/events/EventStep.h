#ifndef SORBELANE_EVENT_STEP_H
#define SORBELANE_EVENT_STEP_H

#include "Event.h"

namespace sb {

/// Sent once per game-loop iteration to the objects interested in steps.
class EventStep : public Event {
 private:
  int step_count;

 public:
  /// A step event of step 0.
  EventStep();
  /// A step event of step init_step_count.
  explicit EventStep(int init_step_count);

  /// The game loop's step count when the event was sent.
  int getStepCount() const;
  /// Sets the step count.
  void setStepCount(int new_step_count);
};

}  // namespace sb

#endif
