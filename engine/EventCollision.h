#ifndef SORBELANE_EVENT_COLLISION_H
#define SORBELANE_EVENT_COLLISION_H

#include "Event.h"
#include "Vector.h"

namespace sb {

class Object;

// Two objects collide: object1 was moving to pos and ran into object2.
class EventCollision : public Event {
 private:
  Vector pos;
  Object *p_obj1;
  Object *p_obj2;

 public:
  EventCollision();
  EventCollision(Object *p_o1, Object *p_o2, Vector p);

  Object *getObject1() const;
  void setObject1(Object *p_new_o1);
  Object *getObject2() const;
  void setObject2(Object *p_new_o2);
  Vector getPosition() const;
  void setPosition(Vector new_pos);
};

}  // namespace sb

#endif
