#ifndef SORBELANE_OBJECT_H
#define SORBELANE_OBJECT_H

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "Animation.h"
#include "Box.h"
#include "Constants.h"
#include "Event.h"
#include "FieldOfView.h"
#include "ObjectAttribute.h"
#include "ObjectPool.h"
#include "Path.h"
#include "Shape.h"
#include "Vector.h"

namespace sb {

class AttributeList;
class BoxRecords;
class CellMap;
class PathFind;

/// How an object takes part in collisions.
enum Solidness : int {
  HARD = 0,      ///< Collides; two hard objects block each other.
  SOFT = 1,      ///< Collides, but blocks only movers that set no-soft.
  SPECTRAL = 2,  ///< Never collides.
};

/// Base class of every game object. Always made with new; the world manager
/// owns it from construction and deletes it after markForDelete(). A game
/// derives from it, sets a sprite, registers interest in events and reacts
/// to them in eventHandler(). Positions, boxes and speeds are in world
/// cells (speeds in cells per step).
class Object {
 private:
  static int max_id;
  static constexpr float DEFAULT_BOX_CORNER = -0.5f;  // of the box's corner, in x and in y
  static constexpr float DEFAULT_BOX_SIDE = 0.99f;

  // Fields are grouped by use, not listed as documented, so that thousands
  // of objects cost as few memory reads as possible.
  /// One flag per serializable attribute, packed in one word so that it
  /// sits in the object's first cache line (moves set the position's flag).
  class AttributeFlags {
   private:
    unsigned int bits = 0;

   public:
    /// One flag of the word, read and written like a bool.
    class Flag {
     private:
      unsigned int &bits;
      unsigned int mask;

     public:
      /// The flag of word selected by flag_mask.
      Flag(unsigned int &word, unsigned int flag_mask) : bits(word), mask(flag_mask) {}
      /// Sets or clears the flag.
      Flag &operator=(bool value) {
        bits = value ? bits | mask : bits & ~mask;
        return *this;
      }
      /// Whether the flag is set.
      operator bool() const { return (bits & mask) != 0; }
    };
    /// The flag of attribute (0 to ATTR_COUNT - 1).
    Flag operator[](int attribute) { return Flag(bits, 1u << attribute); }
    /// Whether attribute's flag is set (0 to ATTR_COUNT - 1).
    bool operator[](int attribute) const { return (bits >> attribute) & 1u; }
    /// Sets every attribute's flag.
    void setAll() { bits = (1u << ATTR_COUNT) - 1; }
  };
  static_assert(ATTR_COUNT <= 32, "one bit per attribute");

  // One cache line (with the vtable pointer) holds everything that the step
  // events, moves and drawing of a plain object read or write, with four
  // bytes to spare for a small derived object (a particle's age). The world
  // box is computed from the box and the position when asked for; the box
  // itself, unless it is the default one, and the rest live in the cold block.
  Vector position;
  Vector direction;
  struct Cold;
  Cold *cold;  // never null; from ObjectPool's side blocks
  float speed;
  AttributeFlags modified;
  // Number of its record of places in the packed candidate lists, -1 for none
  // (an index: it keeps every object small).
  int box_record;
  Shape shape;
  unsigned char solidness : 2;  // a Solidness
  unsigned char altitude : 3;   // 0 to MAX_ALTITUDE
  bool is_active : 1;
  bool is_visible : 1;
  bool follow_path : 1;
  bool has_sprite : 1;  // whether animation shows a sprite, so drawing need not look
  bool has_shape : 1;   // whether shape is drawn, likewise
  bool no_soft : 1;
  bool avoid_collisions : 1;
  bool default_box : 1;       // whether the box is defaultBox(), read without the cold block
  bool has_acceleration : 1;  // whether the acceleration is not zero, likewise
  bool unlisted : 1;          // taken out of every list already, by the world's batch deletion

  // What the walks over the world never read lives in a block of its own,
  // so that a small derived object (a particle) fills one cache line.
  struct Cold {
    std::string type = "(Undefined)";
    std::vector<std::string> event_name;   // at most MAX_OBJ_EVENTS names
    std::unique_ptr<Animation> animation;  // made when the object first gets one
    PathFind *p_path_find = nullptr;
    Path path;
    int id = 0;
    int event_count = 0;
    Box box = defaultBox();
    Vector acceleration;
  };

  friend class BoxRecords;
  friend struct ObjectCodecs;
  friend class WorldManager;  // deletes plain particles in batches

  int managerRegister(const std::string &event_type, bool do_register);
  void followPath();
  void letGoOfSprite(const Sprite *p_old);
  // Path finding sits above the world: these are defined with the path
  // manager. The object's own search ends, and no other leads to it.
  void dropPathSearches();
  // The base handling of a path event (see eventHandler()).
  int takePathEvent(const Event *p_e);
  Animation &ownAnimation();
  static const Animation &noAnimation();

 protected:
  /// Sets the modified flag of one attribute, for derived classes that
  /// change an attribute behind the setters.
  void setModified(ObjectAttribute attribute, bool value = true) { modified[attribute] = value; }
  /// Takes back every attribute found in a parsed attribute string; 0.
  int deserializeAttributes(const AttributeList &list);

 public:
  /// A new object, added to the world (which must be started): the next id,
  /// type "(Undefined)", at (1,1) with a box of about one cell centred on
  /// it, active, visible, HARD, at altitude 2.
  Object();
  /// Stops its interests and path search and leaves the world. Games do not
  /// delete objects themselves: they call WorldManager::markForDelete().
  virtual ~Object();
  /// Not copyable: a copy would share the original's places in the world's
  /// indexes. Copy values through the getters and setters, or serialize().
  Object(const Object &) = delete;
  /// Not assignable, for the same reason.
  Object &operator=(const Object &) = delete;

  /// Objects come from ObjectPool, so that objects of one class lie side by
  /// side in memory (deletion passes the derived class's size back).
  static void *operator new(std::size_t size) { return ObjectPool::allocate(size); }
  /// Gives an object's memory back to ObjectPool.
  static void operator delete(void *p, std::size_t size) { ObjectPool::release(p, size); }
  /// Over-aligned classes use the global heap, which honours their alignment.
  static void *operator new(std::size_t size, std::align_val_t align) {
    return ::operator new(size, align);
  }
  /// Frees an over-aligned object made by the operator new above.
  static void operator delete(void *p, std::size_t, std::align_val_t align) {
    ::operator delete(p, align);
  }

  /// The object's unique id.
  int getId() const { return cold->id; }
  /// Sets the id (for objects copied from elsewhere); later objects get
  /// higher ids than this one.
  void setId(int new_id);
  /// The id the next object will get.
  static int getMaxId() { return max_id; }
  /// Sets the id the next object will get.
  static void setMaxId(int new_max_id) { max_id = new_max_id; }

  /// The game's name for the kind of object, such as "Enemy".
  std::string getType() const { return cold->type; }
  /// The type without a copy.
  const std::string &typeRef() const { return cold->type; }
  /// Sets the type name.
  void setType(std::string new_type);

  /// The position in world cells.
  Vector getPosition() const { return position; }
  /// Puts the object at new_position without any collision test (see
  /// WorldManager::moveObject() for a move that collides); 0.
  virtual int setPosition(Vector new_position);

  /// Whether the object takes part in the game (events, moves, collisions, drawing).
  bool isActive() const { return is_active; }
  /// Makes the object active or inactive; 0, or -1 when the world's lists
  /// cannot be updated (logged).
  int setActive(bool active = true);
  /// Whether the object is drawn.
  bool isVisible() const { return is_visible; }
  /// Shows or hides the object; 0, or -1 when the world's lists cannot be
  /// updated (logged).
  int setVisible(bool visible = true);
  /// The drawing layer, 0 to MAX_ALTITUDE; higher layers are drawn on top.
  int getAltitude() const { return altitude; }
  /// Sets the drawing layer; 0, or -1 (logged) when new_altitude is not in
  /// 0..MAX_ALTITUDE, the object then keeping its altitude.
  int setAltitude(int new_altitude);
  /// How the object collides.
  Solidness getSolidness() const { return static_cast<Solidness>(solidness); }
  /// Sets how the object collides; 0, or -1 (logged) for a value that is
  /// not HARD, SOFT or SPECTRAL.
  int setSolidness(Solidness new_solid);
  /// Whether the object collides at all (HARD or SOFT).
  bool isSolid() const { return solidness == HARD || solidness == SOFT; }
  /// Whether SOFT objects block this object's moves.
  bool getNoSoft() const { return no_soft; }
  /// Lets SOFT objects block (true) or not block this object's moves.
  void setNoSoft(bool new_no_soft = true);
  /// Whether a HARD mover slides along the side of a HARD object it meets
  /// instead of stopping.
  bool getAvoidCollisions() const { return avoid_collisions; }
  /// Turns sliding around HARD objects on or off (pathTo() turns it on).
  void setAvoidCollisions(bool new_avoid_collisions = true);

  /// The bounding box, relative to the position, in cells.
  Box getBox() const { return cold->box; }
  /// The box every object starts with: about one cell, centred on the position.
  static Box defaultBox() {
    return Box(Vector(DEFAULT_BOX_CORNER, DEFAULT_BOX_CORNER), DEFAULT_BOX_SIDE, DEFAULT_BOX_SIDE);
  }
  /// Sets the bounding box (relative to the position), used for collisions
  /// and queries.
  void setBox(Box new_box);
  /// The box at the current position (as getWorldBox).
  Box worldBox() const { return worldBoxAt(position); }
  /// The object's box placed at a world position (as getWorldBox).
  Box worldBoxAt(Vector where) const {
    if (default_box)
      return Box(Vector(DEFAULT_BOX_CORNER, DEFAULT_BOX_CORNER) + where, DEFAULT_BOX_SIDE,
                 DEFAULT_BOX_SIDE);
    const Box &box = cold->box;
    return Box(box.getCorner() + where, box.getHorizontal(), box.getVertical());
  }

  /// The direction of motion; moveTo() and setVelocity() make it a unit vector.
  Vector getDirection() const { return direction; }
  /// Sets the direction of motion; the velocity is the direction times the speed.
  void setDirection(Vector new_direction);
  /// The speed in cells per step.
  float getSpeed() const { return speed; }
  /// Sets the speed in cells per step.
  void setSpeed(float new_speed);
  /// Direction times speed: the move of one step.
  Vector getVelocity() const;
  /// Sets speed to the magnitude of new_velocity and direction to its unit vector.
  void setVelocity(Vector new_velocity);
  /// What is added to the velocity every step.
  Vector getAcceleration() const { return cold->acceleration; }
  /// Sets what is added to the velocity every step.
  void setAcceleration(Vector new_acceleration);

  /// A copy of the animation (sprite, frame and slowdown).
  Animation getAnimation() const { return animationRef(); }
  /// The animation itself, read without copying.
  const Animation &animationRef() const {
    return cold->animation ? *cold->animation : noAnimation();
  }
  /// Sets the animation; with set_box the box becomes the animation's box.
  void setAnimation(Animation new_animation, bool set_box = true);
  /// Animates the object with the loaded sprite sprite_name, its box becoming
  /// the sprite's; 0, or -1 (logged) when no such sprite is loaded.
  int setSprite(std::string sprite_name);
  /// The shape drawn at the position after the animation.
  Shape getShape() const { return shape; }
  /// Sets the shape; one of type UNDEFINED_SHAPE is not drawn.
  void setShape(Shape new_shape);

  /// "id, type, (x,y)", for logs.
  std::string toString() const;

  /// Where the object will be after one step.
  Vector predictPosition() const {
    Vector velocity = direction;
    velocity.scale(speed);
    return position + velocity;
  }
  /// Adds the acceleration to the velocity (the world manager calls this every step).
  void accelerate() {
    if (!has_acceleration) return;  // no acceleration: nothing to recompute
    setVelocity(getVelocity() + cold->acceleration);
  }
  /// Points the direction at where, keeping the speed.
  void moveTo(Vector where);

  /// Asks for events of event_type: keyboard and mouse events come from the
  /// input manager, steps from the game manager, network events from the
  /// network manager and every other type from the world manager. Returns
  /// 0, or -1 when MAX_OBJ_EVENTS interests are held (logged) or the manager
  /// refuses the type (collision and out events need no registering).
  int registerInterest(std::string event_type);
  /// Stops events of event_type; 0, or -1 (logged) when not registered for it.
  int unregisterInterest(std::string event_type);
  /// Number of event types the object is registered for.
  int getEventCount() const { return cold->event_count; }
  /// The event type registered at index, or "" when index is out of range.
  std::string getEventName(int index) const;

  /// Handles one event; games override it and return 1 for an event they
  /// handled, 0 otherwise. The base handles path events: a found path is
  /// followed and the finished search dropped (1); any other event gives 0.
  virtual int eventHandler(const Event *p_e);
  /// Draws the animation at the position, then the shape; returns the
  /// animation's result (0 without a sprite).
  virtual int draw();

  /// The attribute string of the chosen attributes: "ALL", "" for those
  /// modified since they were last written, or a list of tokens such as
  /// "POSITION,TYPE,". Writing an attribute clears its modified flag.
  virtual std::string serialize(std::string attr = "");
  /// Takes back every attribute found in str; values that are not valid for
  /// the attribute are logged and ignored. 0.
  virtual int deserialize(std::string str);
  /// Whether attribute changed since it was last serialized; false for a
  /// value out of range.
  virtual bool isModified(ObjectAttribute attribute) const;
  /// Whether any attribute changed since it was last serialized.
  virtual bool isModified() const;

  /// Starts a path search from the position to target, replacing any search
  /// still running, stops following the current path and turns on collision
  /// avoidance. The path manager runs the search; its result arrives as a
  /// path event, which the base eventHandler() turns into a path to follow.
  void pathTo(Vector target);
  /// As pathTo(Vector) towards p_target's position; the search ends where
  /// this object's box would touch p_target's. A null target is ignored.
  void pathTo(Object *p_target);
  /// The search still running, or null; the object owns it.
  PathFind *getPathFind() const { return cold->p_path_find; }
  /// A copy of the path being or last followed.
  Path getPath() const { return cold->path; }
  /// Sets the path to follow (see setFollowPath()).
  void setPath(Path new_path);
  /// Whether the object is following its path.
  bool getFollowPath() const { return follow_path; }
  /// Starts or stops following the path; while nodes remain, the direction
  /// turns to the next one.
  void setFollowPath(bool new_follow_path = true);
  /// One step of path following (the world manager calls it every step):
  /// heads for the next node, taking at once any node closer than three
  /// quarters of a step, and stops at the end of the path.
  void doPathFollowing() {
    if (follow_path) followPath();
  }

  /// True when this object sees p_other on the map: the field of view from
  /// this object's cell (its position rounded to the nearest cell) reaches
  /// p_other's cell. fov is the work space, left holding this object's view.
  /// False for a null object or a cell off the map.
  bool sees(const Object *p_other, const CellMap &map, FieldOfView &fov, int radius = 0,
            FovAlgorithm algorithm = FOV_SYMMETRIC) const;
  /// The same answer with a work space of the engine's own, so that no view
  /// of the caller's (nor its memory of seen cells) changes.
  bool sees(const Object *p_other, const CellMap &map, int radius = 0,
            FovAlgorithm algorithm = FOV_SYMMETRIC) const;
};

namespace detail {

/// How many entries ahead walks over many objects start loading objects.
constexpr int WALK_PREFETCH_DISTANCE = 8;

/// Starts loading what a walk over the world reads of an object: its first
/// two cache lines (the hot fields) and the first fields of a derived class,
/// which follow Object's own. Walks of thousands of objects then wait on
/// several loads at once instead of one after another.
inline void prefetchForWalk(const Object *p_o) {
  const char *p = reinterpret_cast<const char *>(p_o);
  __builtin_prefetch(p);
  __builtin_prefetch(p + 64);
  __builtin_prefetch(p + sizeof(Object));
}

/// Prefetches entry i + WALK_PREFETCH_DISTANCE of list when there is one.
template <class List>
inline void prefetchAhead(const List &list, int i, int length) {
  int ahead = i + WALK_PREFETCH_DISTANCE;
  if (ahead < length && list[ahead]) prefetchForWalk(list[ahead]);
}

}  // namespace detail

}  // namespace sb

#endif
