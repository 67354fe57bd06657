#ifndef SORBELANE_OBJECT_ATTRIBUTE_H
#define SORBELANE_OBJECT_ATTRIBUTE_H

namespace sb {

/// One value per serializable attribute of an Object, each with a modified flag.
enum ObjectAttribute : int {
  ID = 0,            ///< The id.
  ACTIVE,            ///< Whether the object is active.
  VISIBLE,           ///< Whether the object is visible.
  EVENTS,            ///< The event types it is registered for.
  BOX,               ///< The bounding box.
  POSITION,          ///< The position.
  TYPE,              ///< The type name.
  ANIMATION,         ///< The animation (sprite, frame, slowdown).
  ALTITUDE,          ///< The drawing layer.
  SOLIDNESS,         ///< How it collides.
  NO_SOFT,           ///< Whether soft objects block it.
  SPEED,             ///< The speed.
  DIRECTION,         ///< The direction.
  ACCELERATION,      ///< The acceleration.
  SHAPE,             ///< The shape.
  PATH,              ///< The path and the index of its next node.
  FOLLOW_PATH,       ///< Whether it follows its path.
  AVOID_COLLISIONS,  ///< Whether it slides around hard objects.
};

/// Number of object attributes.
const int ATTR_COUNT = 18;

/// The text that names each attribute in a list of attributes to write, by value.
inline constexpr const char *OBJECT_ATTRIBUTE_TOKEN[ATTR_COUNT] = {
    "ID,",        "ACTIVE,",       "VISIBLE,",  "EVENTS,",    "BOX,",         "POSITION,",
    "TYPE,",      "ANIMATION,",    "ALTITUDE,", "SOLIDNESS,", "NO_SOFT,",     "SPEED,",
    "DIRECTION,", "ACCELERATION,", "SHAPE,",    "PATH,",      "FOLLOW_PATH,", "AVOID_COLLISIONS,",
};

}  // namespace sb

#endif
