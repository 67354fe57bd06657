#ifndef SORBELANE_OBJECT_H
#define SORBELANE_OBJECT_H

#include <string>
#include <vector>

#include "Animation.h"
#include "Box.h"
#include "Constants.h"
#include "Event.h"
#include "ObjectAttribute.h"
#include "Path.h"
#include "Shape.h"
#include "Vector.h"

namespace sb {

class AttributeList;
class PathFind;

enum Solidness : int {
  HARD = 0,
  SOFT = 1,
  SPECTRAL = 2,
};

// Base class of every game object. Always made with new; the world manager
// owns it from construction and deletes it after markForDelete().
class Object {
 private:
  static int max_id;

  // Fields are grouped by use, not listed as documented: what every step reads
  // of every object (collisions, moves, drawing) sits in the first two cache
  // lines, so thousands of objects cost as few memory reads as possible.
  Vector position;
  Box world_box;  // box placed at position, kept current by setPosition and setBox
  Box box;
  bool is_active;
  bool is_visible;
  bool no_soft;
  bool follow_path;
  bool avoid_collisions;
  Solidness solidness;
  int altitude;
  Vector direction;
  float speed;
  Vector acceleration;
  bool modified[ATTR_COUNT];
  Shape shape;
  int id;
  // Stamp of the last grid query that listed this object, so a query sees it once.
  unsigned int query_stamp;
  int event_count;
  Animation animation;
  std::string type;
  std::vector<std::string> event_name;  // at most MAX_OBJ_EVENTS names
  PathFind *p_path_find;
  Path path;

  int managerRegister(const std::string &event_type, bool do_register);

 protected:
  void setModified(ObjectAttribute attribute, bool value = true) { modified[attribute] = value; }
  // Takes back every attribute found in a parsed attribute string.
  int deserializeAttributes(const AttributeList &list);

 public:
  Object();
  virtual ~Object();

  int getId() const { return id; }
  void setId(int new_id);
  static int getMaxId() { return max_id; }
  static void setMaxId(int new_max_id) { max_id = new_max_id; }

  std::string getType() const { return type; }
  const std::string &typeRef() const { return type; }
  void setType(std::string new_type);

  Vector getPosition() const { return position; }
  virtual int setPosition(Vector new_position);

  bool isActive() const { return is_active; }
  int setActive(bool active = true);
  bool isVisible() const { return is_visible; }
  int setVisible(bool visible = true);
  int getAltitude() const { return altitude; }
  int setAltitude(int new_altitude);
  Solidness getSolidness() const { return solidness; }
  int setSolidness(Solidness new_solid);
  bool isSolid() const { return solidness == HARD || solidness == SOFT; }
  bool getNoSoft() const { return no_soft; }
  void setNoSoft(bool new_no_soft = true);
  bool getAvoidCollisions() const { return avoid_collisions; }
  void setAvoidCollisions(bool new_avoid_collisions = true);

  Box getBox() const { return box; }
  void setBox(Box new_box);
  // The box at the current position (as getWorldBox), without recomputing it.
  const Box &worldBox() const { return world_box; }
  // The object's box placed at a world position (as getWorldBox).
  Box worldBoxAt(Vector where) const {
    return Box(box.getCorner() + where, box.getHorizontal(), box.getVertical());
  }

  Vector getDirection() const { return direction; }
  void setDirection(Vector new_direction);
  float getSpeed() const { return speed; }
  void setSpeed(float new_speed);
  Vector getVelocity() const;
  void setVelocity(Vector new_velocity);
  Vector getAcceleration() const { return acceleration; }
  void setAcceleration(Vector new_acceleration);

  Animation getAnimation() const { return animation; }
  void setAnimation(Animation new_animation, bool set_box = true);
  int setSprite(std::string sprite_name);
  Shape getShape() const { return shape; }
  void setShape(Shape new_shape);

  std::string toString() const;

  // Where the object will be after one step.
  Vector predictPosition() const {
    Vector velocity = direction;
    velocity.scale(speed);
    return position + velocity;
  }
  void accelerate();
  void moveTo(Vector where);

  int registerInterest(std::string event_type);
  int unregisterInterest(std::string event_type);
  int getEventCount() const { return event_count; }
  std::string getEventName(int index) const;

  virtual int eventHandler(const Event *p_e);
  virtual int draw();

  // The attribute string of the chosen attributes: "ALL", "" for those
  // modified since they were last written, or a list of tokens such as
  // "POSITION,TYPE,". Writing an attribute clears its modified flag.
  virtual std::string serialize(std::string attr = "");
  // Takes back every attribute found in str; values that are not valid for
  // the attribute are logged and ignored. 0.
  virtual int deserialize(std::string str);
  virtual bool isModified(ObjectAttribute attribute) const;
  virtual bool isModified() const;

  // Path finding and following. pathTo starts a search run by the path
  // manager; its result arrives as a path event, which the base eventHandler
  // turns into a path to follow.
  void pathTo(Vector target);
  void pathTo(Object *p_target);
  PathFind *getPathFind() const { return p_path_find; }
  Path getPath() const { return path; }
  void setPath(Path new_path);
  bool getFollowPath() const { return follow_path; }
  void setFollowPath(bool new_follow_path = true);
  void doPathFollowing();

  // World bookkeeping used by the world manager and the scene graph.
  unsigned int getQueryStamp() const { return query_stamp; }
  void setQueryStamp(unsigned int stamp) { query_stamp = stamp; }
};

}  // namespace sb

#endif
