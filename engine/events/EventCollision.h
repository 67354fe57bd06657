#ifndef SORBELANE_EVENT_COLLISION_H
#define SORBELANE_EVENT_COLLISION_H

#include "Event.h"
#include "Vector.h"

namespace sb {

class Object;

/// Two objects collide: object1 was moving to pos and ran into object2.
/// Both objects get it, without registering, from WorldManager::moveObject().
class EventCollision : public Event {
 private:
  Vector pos;
  Object *p_obj1;
  Object *p_obj2;

 public:
  /// A collision of no objects at (0,0).
  EventCollision();
  /// p_o1, moving to p, ran into p_o2.
  EventCollision(Object *p_o1, Object *p_o2, Vector p);

  /// The object that moved.
  Object *getObject1() const;
  /// Sets the object that moved.
  void setObject1(Object *p_new_o1);
  /// The object it ran into.
  Object *getObject2() const;
  /// Sets the object it ran into.
  void setObject2(Object *p_new_o2);
  /// Where object1 was moving to, in world cells.
  Vector getPosition() const;
  /// Sets where object1 was moving to.
  void setPosition(Vector new_pos);
};

}  // namespace sb

#endif
