#ifndef SORBELANE_OBJECT_ATTRIBUTE_H
#define SORBELANE_OBJECT_ATTRIBUTE_H

namespace sb {

// One value per serializable attribute of an Object, each with a modified flag.
enum ObjectAttribute : int {
  ID = 0,
  ACTIVE,
  VISIBLE,
  EVENTS,
  BOX,
  POSITION,
  TYPE,
  ANIMATION,
  ALTITUDE,
  SOLIDNESS,
  NO_SOFT,
  SPEED,
  DIRECTION,
  ACCELERATION,
  SHAPE,
  PATH,
  FOLLOW_PATH,
  AVOID_COLLISIONS,
};

const int ATTR_COUNT = 18;

// The text that names each attribute in a list of attributes to write, by value.
inline constexpr const char *OBJECT_ATTRIBUTE_TOKEN[ATTR_COUNT] = {
    "ID,",    "ACTIVE,",   "VISIBLE,",   "EVENTS,",       "BOX,",  "POSITION,",
    "TYPE,",  "ANIMATION,", "ALTITUDE,", "SOLIDNESS,",    "NO_SOFT,", "SPEED,",
    "DIRECTION,", "ACCELERATION,", "SHAPE,", "PATH,", "FOLLOW_PATH,", "AVOID_COLLISIONS,",
};

}  // namespace sb

#endif
