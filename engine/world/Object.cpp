#include "Object.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "AttributeList.h"
#include "CellMap.h"

#include "EventPath.h"
#include "GameManager.h"
#include "InputManager.h"
#include "LogManager.h"
#include "NetworkManager.h"
#include "PathFind.h"
#include "PathManager.h"
#include "ResourceManager.h"
#include "SceneGraph.h"
#include "WorldManager.h"
#include "utility.h"

namespace sb {

int Object::max_id = 1;

namespace {

// The manager that handles an event type.
Manager &managerFor(const std::string &event_type) {
  if (event_type == KEYBOARD_EVENT || event_type == MSE_EVENT) return InputManager::getInstance();
  if (event_type == STEP_EVENT) return GameManager::getInstance();
  if (event_type == NETWORK_EVENT || event_type == NETWORK_KEYBOARD_EVENT ||
      event_type == NETWORK_MSE_EVENT || event_type == NETWORK_CUSTOM_EVENT)
    return NetworkManager::getInstance();
  return WorldManager::getInstance();
}

SceneGraph &sceneGraph() { return WorldManager::getInstance().getSceneGraph(); }

// Whether an attribute is written: every one for "ALL", the modified ones for
// "", and otherwise those whose token occurs in the list.
bool attributeChosen(const std::string &attr, const char *token, bool modified) {
  if (attr == "ALL") return true;
  if (attr.empty()) return modified;
  return attr.find(token) != std::string::npos;
}

void addElement(std::string &text, const std::string &key, const std::string &value) {
  text += key;
  text += ':';
  text += value;
  text += ',';
}

bool readWholeFloat(const char *begin, const char *end, float &value) {
  if (begin >= end) return false;
  std::string piece(begin, end);
  char *stop = nullptr;
  std::strtod(piece.c_str(), &stop);
  if (stop != piece.c_str() + piece.size()) return false;
  return readFloat(piece, value);
}

bool isBlankChar(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// One node of a path text: x and y apart by blanks, or, where the blanks are
// gone, the first number read as far as it goes and the second after it
// (so "3 -4" and "3-4" both give (3,-4)).
bool readPathNode(const std::string &node_text, Vector &node) {
  size_t begin = 0, end = node_text.size();
  while (begin < end && isBlankChar(node_text[begin])) begin++;
  while (end > begin && isBlankChar(node_text[end - 1])) end--;
  const char *text = node_text.c_str();
  size_t blank = begin;
  while (blank < end && !isBlankChar(node_text[blank])) blank++;
  float x = 0, y = 0;
  if (blank < end) {
    size_t y_begin = blank;
    while (y_begin < end && isBlankChar(node_text[y_begin])) y_begin++;
    if (!readWholeFloat(text + begin, text + blank, x) ||
        !readWholeFloat(text + y_begin, text + end, y))
      return false;
  } else {
    std::string piece(text + begin, text + end);
    char *stop = nullptr;
    std::strtod(piece.c_str(), &stop);
    size_t split = static_cast<size_t>(stop - piece.c_str());
    if (split == 0 || split >= piece.size()) return false;
    if (!readWholeFloat(piece.c_str(), piece.c_str() + split, x) ||
        !readWholeFloat(piece.c_str() + split, piece.c_str() + piece.size(), y))
      return false;
  }
  node = Vector(x, y);
  return true;
}

void logIgnored(const char *key, const std::string &value) {
  LogManager::getInstance().writeLog("Object::deserialize(): Warning! %s '%s' not valid. Ignored.",
                                     key, value.c_str());
}

const char *boolText(bool value) { return value ? "true" : "false"; }

}  // namespace

Object::Object()
    : position(1, 1),
      cold(new (ObjectPool::allocateSide(sizeof(Cold))) Cold),
      speed(0),
      box_record(-1),
      solidness(HARD),
      altitude(2),
      is_active(true),
      is_visible(true),
      follow_path(false),
      has_sprite(false),
      has_shape(false),
      no_soft(false),
      avoid_collisions(false),
      default_box(true),
      has_acceleration(false),
      unlisted(false) {
  cold->id = max_id < INT_MAX ? max_id++ : max_id;  // ids stop at the largest int
  modified.setAll();
  shape.setType(UNDEFINED_SHAPE);
  WorldManager::getInstance().insertObject(this);
}

Object::~Object() {
  // Going, not just unregistering: a delivery in progress must skip it.
  if (!unlisted)
    for (int i = cold->event_count - 1; i >= 0; i--)
      managerFor(cold->event_name[i]).dropInterest(this, cold->event_name[i]);
  Manager::objectDestroyed(this);
  PathManager &path_manager = PathManager::getInstance();
  if (cold->p_path_find) {
    path_manager.unregisterPathFind(cold->p_path_find);
    delete cold->p_path_find;
    cold->p_path_find = nullptr;
  }
  // Other searches may lead to this object.
  path_manager.objectGone(this);
  if (!unlisted) WorldManager::getInstance().removeObject(this);
  ResourceManager::getInstance().spriteLetGo(animationRef().getSprite());
  cold->~Cold();
  ObjectPool::releaseSide(cold, sizeof(Cold));
}

// Tells the resource manager when the animation no longer shows p_old, so an
// unloaded sprite can be freed once no object shows it.
void Object::letGoOfSprite(const Sprite *p_old) {
  has_sprite = animationRef().getSprite() != nullptr;
  if (p_old && p_old != animationRef().getSprite()) ResourceManager::getInstance().spriteLetGo(p_old);
}

// Most objects (particles among them) never show a sprite: they share one
// empty animation until they are given one of their own.
const Animation &Object::noAnimation() {
  static const Animation none;
  return none;
}

Animation &Object::ownAnimation() {
  if (!cold->animation) cold->animation.reset(new Animation);
  return *cold->animation;
}

void Object::setId(int new_id) {
  if (new_id == cold->id) return;
  if (new_id >= max_id) max_id = new_id < INT_MAX ? new_id + 1 : INT_MAX;
  cold->id = new_id;
  setModified(ID);
}

void Object::setType(std::string new_type) {
  cold->type = new_type;
  setModified(TYPE);
}

int Object::setPosition(Vector new_position) {
  if (new_position == position) return 0;
  // The scene graph re-files only active solid objects.
  if (is_active && isSolid()) sceneGraph().updatePosition(this, new_position);
  position = new_position;
  setModified(POSITION);
  return 0;
}

int Object::setActive(bool active) {
  if (active == is_active) return 0;
  if (sceneGraph().updateActive(this, active) == -1) return -1;
  is_active = active;
  setModified(ACTIVE);
  return 0;
}

int Object::setVisible(bool visible) {
  if (visible == is_visible) return 0;
  if (sceneGraph().updateVisible(this, visible) == -1) return -1;
  is_visible = visible;
  setModified(VISIBLE);
  return 0;
}

int Object::setAltitude(int new_altitude) {
  if (new_altitude == altitude) return 0;
  if (new_altitude < 0 || new_altitude > MAX_ALTITUDE) {
    LogManager::getInstance().writeLog(
        "Object::setAltitude(): Altitude %d not in range [%d,%d].  Ignored.", new_altitude, 0,
        MAX_ALTITUDE);
    return -1;
  }
  if (sceneGraph().updateAltitude(this, new_altitude) == -1) return -1;
  altitude = new_altitude;
  setModified(ALTITUDE);
  return 0;
}

int Object::setSolidness(Solidness new_solid) {
  if (new_solid == getSolidness()) return 0;
  if (new_solid != HARD && new_solid != SOFT && new_solid != SPECTRAL) {
    LogManager::getInstance().writeLog(
        "Object::setSolidness(): Solidness %d not one of HARD, SOFT or SPECTRAL.",
        static_cast<int>(new_solid));
    return -1;
  }
  if (sceneGraph().updateSolidness(this, new_solid) == -1) return -1;
  solidness = static_cast<unsigned char>(new_solid);
  setModified(SOLIDNESS);
  return 0;
}

void Object::setNoSoft(bool new_no_soft) {
  no_soft = new_no_soft;
  setModified(NO_SOFT);
}

void Object::setAvoidCollisions(bool new_avoid_collisions) {
  avoid_collisions = new_avoid_collisions;
  setModified(AVOID_COLLISIONS);
}

// Re-files the object so the grid sees its new extent.
void Object::setBox(Box new_box) {
  if (new_box == cold->box) return;
  SceneGraph &scene_graph = sceneGraph();
  scene_graph.removeObject(this);
  cold->box = new_box;
  default_box = new_box == defaultBox();
  scene_graph.insertObject(this);
  setModified(BOX);
}

void Object::setDirection(Vector new_direction) { direction = new_direction; }

void Object::setSpeed(float new_speed) {
  speed = new_speed;
  setModified(SPEED);
}

Vector Object::getVelocity() const {
  Vector velocity = direction;
  velocity.scale(speed);
  return velocity;
}

void Object::setVelocity(Vector new_velocity) {
  speed = new_velocity.getMagnitude();
  new_velocity.normalize();
  direction = new_velocity;
  setModified(SPEED);
  setModified(DIRECTION);
}

void Object::setAcceleration(Vector new_acceleration) {
  cold->acceleration = new_acceleration;
  has_acceleration = !!new_acceleration;
  setModified(ACCELERATION);
}

void Object::setAnimation(Animation new_animation, bool set_box) {
  const Sprite *p_old = animationRef().getSprite();
  ownAnimation() = new_animation;
  letGoOfSprite(p_old);
  setModified(ANIMATION);
  if (set_box) setBox(cold->animation->getBox());
}

int Object::setSprite(std::string sprite_name) {
  Sprite *p_sprite = ResourceManager::getInstance().getSprite(sprite_name);
  if (!p_sprite) {
    LogManager::getInstance().writeLog("Object::setSprite(): Warning! Sprite '%s' not found",
                                       sprite_name.c_str());
    return -1;
  }
  const Sprite *p_old = animationRef().getSprite();
  ownAnimation().setSprite(p_sprite);
  letGoOfSprite(p_old);
  setModified(ANIMATION);
  setBox(cold->animation->getBox());
  return 0;
}

void Object::setShape(Shape new_shape) {
  shape = new_shape;
  has_shape = shape.getType() != UNDEFINED_SHAPE;
  setModified(SHAPE);
}

std::string Object::toString() const {
  return sb::toString(cold->id) + ", " + cold->type + ", " + position.toString();
}


void Object::moveTo(Vector where) {
  Vector new_direction = where - position;
  new_direction.normalize();
  direction = new_direction;
}

int Object::registerInterest(std::string event_type) {
  if (cold->event_count >= MAX_OBJ_EVENTS) {
    LogManager::getInstance().writeLog(
        "Object::registerInterest(): maximum (%d) reached, cannot register for event '%s'",
        MAX_OBJ_EVENTS, event_type.c_str());
    return -1;
  }
  if (managerFor(event_type).registerInterest(this, event_type) == -1) return -1;
  cold->event_name.push_back(event_type);
  cold->event_count++;
  setModified(EVENTS);
  return 0;
}

int Object::unregisterInterest(std::string event_type) {
  int found = -1;
  for (int i = 0; i < cold->event_count && found < 0; i++)
    if (cold->event_name[i] == event_type) found = i;
  if (found < 0) {
    LogManager::getInstance().writeLog(
        "Object::unregisterInterest(): event '%s' not previously registered", event_type.c_str());
    return -1;
  }
  if (managerFor(event_type).unregisterInterest(this, event_type) == -1) return -1;
  cold->event_name.erase(cold->event_name.begin() + found);
  cold->event_count--;
  setModified(EVENTS);
  return 0;
}

std::string Object::getEventName(int index) const {
  if (index < 0 || index >= cold->event_count) return "";
  return cold->event_name[index];
}

// The base handles only path events: a found path is followed, and the search
// that produced the event is dropped. A search started by a handler before
// it calls this one is left running.
int Object::eventHandler(const Event *p_e) {
  if (!p_e || p_e->typeRef() != PATH_EVENT) return 0;
  const EventPath *p_path_event = dynamic_cast<const EventPath *>(p_e);
  if (!p_path_event) {
    LogManager::getInstance().writeLog("Object::eventHandler(): Error! Dynamic cast to EventPath failed.");
    return 0;
  }
  if (p_path_event->getResult() == FOUND) {
    cold->path = p_path_event->getPath();
    setModified(PATH);
    setFollowPath(true);
  }
  unsigned long long source = p_path_event->getSource();
  if (cold->p_path_find && (source == 0 || source == cold->p_path_find->getSerial())) {
    PathManager::getInstance().unregisterPathFind(cold->p_path_find);
    delete cold->p_path_find;
    cold->p_path_find = nullptr;
  }
  return 1;
}

int Object::draw() {
  // An animation without a sprite draws nothing and gives 0.
  int result = has_sprite ? cold->animation->draw(position) : 0;
  if (has_shape) shape.draw(position);
  return result;
}

// The private parts of an object that its attribute codecs reach: everything
// else goes through the getters and setters.
struct ObjectCodecs {
  static Animation &animation(Object &o) { return o.ownAnimation(); }
  static void letGoOfSprite(Object &o, const Sprite *p_old) { o.letGoOfSprite(p_old); }
  static void setModified(Object &o, ObjectAttribute attribute) { o.setModified(attribute); }
};

namespace {

// Reads the keys of one parsed string. Each reader gives false for an absent
// key, and logs and gives false for a value that is no number in range; the
// value is logged when taken.
class AttributeReader {
 public:
  explicit AttributeReader(const AttributeList &list)
      : list(list), log_manager(LogManager::getInstance()) {}

  const AttributeList &list;
  LogManager &log_manager;

  bool text(const char *key, std::string &value) const {
    value = list.value(key);
    if (value.empty()) return false;
    log_manager.writeLog(20, "Object::deserialize(): %s is %s", key, value.c_str());
    return true;
  }
  bool integer(const char *key, int &value, int low, int high) const {
    std::string raw = list.value(key);
    if (raw.empty()) return false;
    bool part = shapePart(key, raw);
    if (!readInt(raw, value) || value < low || value > high) {
      logIgnored(key, raw);
      return false;
    }
    if (!part) log_manager.writeLog(20, "Object::deserialize(): %s is %d", key, value);
    return true;
  }
  bool number(const char *key, float &value, float low = -MAX_ATTRIBUTE_MAGNITUDE) const {
    std::string raw = list.value(key);
    if (raw.empty()) return false;
    bool part = shapePart(key, raw);
    if (!readFloat(raw, value) || value < low) {
      logIgnored(key, raw);
      return false;
    }
    if (!part)
      log_manager.writeLog(20, "Object::deserialize(): %s is %.2f", key, static_cast<double>(value));
    return true;
  }

 private:
  // The parts of a shape are logged as the text read.
  bool shapePart(const char *key, const std::string &raw) const {
    bool part = std::strcmp(key, "shape") == 0 || std::strcmp(key, "size") == 0 ||
                std::strcmp(key, "color") == 0 || std::strcmp(key, "opacity") == 0;
    if (part) log_manager.writeLog(20, "Object::deserialize(): %s is '%s'", key, raw.c_str());
    return part;
  }
};

// --- Writers: the elements of one attribute, in the order they are written.

void writeId(Object &o, const std::string &, std::string &text) {
  addElement(text, "id", toString(o.getId()));
}
void writeActive(Object &o, const std::string &, std::string &text) {
  addElement(text, "is_active", toString(o.isActive()));
}
void writeVisible(Object &o, const std::string &, std::string &text) {
  addElement(text, "is_visible", toString(o.isVisible()));
}
void writeEvents(Object &o, const std::string &, std::string &text) {
  addElement(text, "event_count", toString(o.getEventCount()));
  for (int e = 0; e < o.getEventCount(); e++)
    addElement(text, "event_name[" + toString(e) + "]", AttributeList::escape(o.getEventName(e)));
}
void writeBox(Object &o, const std::string &, std::string &text) {
  Box box = o.getBox();
  addElement(text, "box-corner-x", toString(box.getCorner().getX()));
  addElement(text, "box-corner-y", toString(box.getCorner().getY()));
  addElement(text, "box-horizontal", toString(box.getHorizontal()));
  addElement(text, "box-vertical", toString(box.getVertical()));
}
void writePosition(Object &o, const std::string &, std::string &text) {
  addElement(text, "pos-x", toString(o.getPosition().getX()));
  addElement(text, "pos-y", toString(o.getPosition().getY()));
}
void writeType(Object &o, const std::string &, std::string &text) {
  addElement(text, "type", AttributeList::escape(o.typeRef()));
}
// A delta writes the sprite only when the animation changed; "ALL" and an
// explicit ANIMATION, write it in any case.
void writeAnimation(Object &o, const std::string &attr, std::string &text) {
  text += ObjectCodecs::animation(o).serialize(attr);
}
void writeAltitude(Object &o, const std::string &, std::string &text) {
  addElement(text, "altitude", toString(o.getAltitude()));
}
void writeSolidness(Object &o, const std::string &, std::string &text) {
  addElement(text, "solidness", toString(static_cast<int>(o.getSolidness())));
}
void writeNoSoft(Object &o, const std::string &, std::string &text) {
  addElement(text, "no_soft", toString(o.getNoSoft()));
}
void writeSpeed(Object &o, const std::string &, std::string &text) {
  addElement(text, "speed", toString(o.getSpeed()));
}
void writeDirection(Object &o, const std::string &, std::string &text) {
  addElement(text, "x_direction", toString(o.getDirection().getX()));
  addElement(text, "y_direction", toString(o.getDirection().getY()));
}
void writeAcceleration(Object &o, const std::string &, std::string &text) {
  addElement(text, "x_acceleration", toString(o.getAcceleration().getX()));
  addElement(text, "y_acceleration", toString(o.getAcceleration().getY()));
}
void writeShape(Object &o, const std::string &, std::string &text) {
  Shape shape = o.getShape();
  addElement(text, "shape", toString(static_cast<int>(shape.getType())));
  addElement(text, "size", toString(shape.getSize()));
  addElement(text, "color", toString(static_cast<int>(shape.getColor())));
  addElement(text, "opacity", toString(static_cast<int>(shape.getOpacity())));
}
// Written with its blanks; the reader keeps them (see AttributeList).
void writePath(Object &o, const std::string &, std::string &text) {
  Path path = o.getPath();
  addElement(text, "path", toString(path));
  addElement(text, "path_index", toString(path.getIndex()));
}
void writeFollowPath(Object &o, const std::string &, std::string &text) {
  addElement(text, "follow_path", toString(o.getFollowPath()));
}
void writeAvoidCollisions(Object &o, const std::string &, std::string &text) {
  addElement(text, "avoid_collisions", toString(o.getAvoidCollisions()));
}

// --- Readers: take back what the writer of the same attribute wrote.

// A string may not raise the id counter past the bound, which would leave it
// no room for unique ids; ids already below the counter come back as written.
void readId(Object &o, const AttributeReader &in) {
  int n = 0;
  if (!in.integer("id", n, INT_MIN, INT_MAX)) return;
  int highest = std::max(MAX_READ_ID, Object::getMaxId() - 1);
  if (n >= 1 && n <= highest)
    o.setId(n);
  else
    in.log_manager.writeLog("Object::deserialize(): Warning! id %d not in range [1,%d]. Ignored.",
                            n, highest);
}
void readActive(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("is_active", value) && (value == "true") != o.isActive()) o.setActive(value == "true");
}
void readVisible(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("is_visible", value) && (value == "true") != o.isVisible())
    o.setVisible(value == "true");
}
// No more names than an object may hold, so a huge count costs nothing.
void readEvents(Object &o, const AttributeReader &in) {
  int n = 0;
  if (!in.integer("event_count", n, 0, MAX_OBJ_EVENTS)) return;
  for (int i = o.getEventCount() - 1; i >= 0; i--) o.unregisterInterest(o.getEventName(i));
  for (int i = 0; i < n; i++) {
    std::string name = in.list.value("event_name[" + toString(i) + "]");
    if (name.empty()) continue;
    in.log_manager.writeLog(20, "Object::deserialize(): event_name[%d] is '%s'", i, name.c_str());
    o.registerInterest(name);
  }
}
// The box in floats (its fractions kept), extents not negative.
void readBox(Object &o, const AttributeReader &in) {
  float x = 0, y = 0, horizontal = 0, vertical = 0;
  bool complete = in.number("box-corner-x", x);
  complete = in.number("box-corner-y", y) && complete;
  complete = in.number("box-horizontal", horizontal, 0) && complete;
  complete = in.number("box-vertical", vertical, 0) && complete;
  if (complete)
    o.setBox(Box(Vector(x, y), horizontal, vertical));
  else
    in.log_manager.writeLog(20, "Object::deserialize(): box not complete, so ignoring.");
}
void readPosition(Object &o, const AttributeReader &in) {
  float x = 0, y = 0;
  bool complete = in.number("pos-x", x);
  complete = in.number("pos-y", y) && complete;
  if (complete)
    o.setPosition(Vector(x, y));
  else
    in.log_manager.writeLog(20, "Object::deserialize(): position not complete, so ignoring.");
}
void readType(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("type", value)) o.setType(value);
}
void readAnimation(Object &o, const AttributeReader &in) {
  Animation &animation = ObjectCodecs::animation(o);
  std::string old_name = animation.getName();
  const Sprite *p_old_sprite = animation.getSprite();
  int old_index = animation.getIndex(), old_slowdown = animation.getSlowdownCount();
  animation.deserializeAttributes(in.list);
  ObjectCodecs::letGoOfSprite(o, p_old_sprite);
  if (animation.getName() != old_name || animation.getSprite() != p_old_sprite ||
      animation.getIndex() != old_index || animation.getSlowdownCount() != old_slowdown)
    ObjectCodecs::setModified(o, ANIMATION);
}
void readAltitude(Object &o, const AttributeReader &in) {
  int n = 0;
  if (in.integer("altitude", n, INT_MIN, INT_MAX)) o.setAltitude(n);
}
// Any int is a Solidness value; the setter refuses and logs a bad one.
void readSolidness(Object &o, const AttributeReader &in) {
  int n = 0;
  if (in.integer("solidness", n, INT_MIN, INT_MAX)) o.setSolidness(static_cast<Solidness>(n));
}
void readNoSoft(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("no_soft", value)) o.setNoSoft(value == "true");
}
void readSpeed(Object &o, const AttributeReader &in) {
  float f = 0;
  if (in.number("speed", f)) o.setSpeed(f);
}
// x alone replaces the direction's x; y sets the velocity, and so the speed.
void readDirection(Object &o, const AttributeReader &in) {
  float f = 0;
  if (in.number("x_direction", f)) o.setDirection(Vector(f, o.getDirection().getY()));
  if (in.number("y_direction", f)) o.setVelocity(Vector(o.getDirection().getX(), f));
}
void readAcceleration(Object &o, const AttributeReader &in) {
  float f = 0;
  if (in.number("x_acceleration", f)) o.setAcceleration(Vector(f, o.getAcceleration().getY()));
  if (in.number("y_acceleration", f)) o.setAcceleration(Vector(o.getAcceleration().getX(), f));
}
// The shape changes only with all four parts present and valid.
void readShape(Object &o, const AttributeReader &in) {
  int shape_type = 0, color = 0, opacity = 0;
  float size = 0;
  bool complete = in.integer("shape", shape_type, UNDEFINED_SHAPE, TRIANGLE);
  complete = in.number("size", size, 0) && complete;
  complete = in.integer("color", color, BLACK, CUSTOM) && complete;
  complete = in.integer("opacity", opacity, 0, 255) && complete;
  if (!complete) return;
  Shape new_shape = o.getShape();
  new_shape.setType(static_cast<ShapeType>(shape_type));
  new_shape.setSize(size);
  new_shape.setColor(static_cast<Color>(color));
  new_shape.setOpacity(static_cast<unsigned char>(opacity));
  o.setShape(new_shape);
}
// Nodes as "x y|"; the blanks are kept by the parse. A bad node ends the path.
void readPath(Object &o, const AttributeReader &in) {
  std::string value = in.list.rawValue("path");
  if (value.empty()) return;
  Path new_path;
  size_t start = 0;
  size_t bar;
  while ((bar = value.find('|', start)) != std::string::npos) {
    Vector node;
    if (!readPathNode(value.substr(start, bar - start), node)) {
      in.log_manager.writeLog("Object::deserialize(): malformed node %s.", value.c_str() + start);
      in.log_manager.writeLog("\tNot added.");
      break;
    }
    new_path.addNode(node);
    start = bar + 1;
  }
  // The index comes back when it is within the nodes read (or just past the
  // last, a path followed to its end).
  int n = 0;
  if (in.integer("path_index", n, 0, new_path.getCount()) && new_path.setIndex(n) != 0 && n > 0) {
    new_path.setIndex(n - 1);
    new_path++;
  }
  o.setPath(new_path);
}
void readFollowPath(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("follow_path", value)) o.setFollowPath(value == "true");
}
void readAvoidCollisions(Object &o, const AttributeReader &in) {
  std::string value;
  if (in.text("avoid_collisions", value)) o.setAvoidCollisions(value == "true");
}

// One serializable attribute: its token in attribute lists (the text of
// OBJECT_ATTRIBUTE_TOKEN), its writer and its reader.
struct AttributeCodec {
  ObjectAttribute attribute;
  void (*write)(Object &o, const std::string &attr, std::string &text);
  void (*read)(Object &o, const AttributeReader &in);
  const char *token() const { return OBJECT_ATTRIBUTE_TOKEN[attribute]; }
};

// In the order of writing, which is the order of the attributes' values.
const AttributeCodec ATTRIBUTE_CODECS[ATTR_COUNT] = {
    {ID, writeId, readId},
    {ACTIVE, writeActive, readActive},
    {VISIBLE, writeVisible, readVisible},
    {EVENTS, writeEvents, readEvents},
    {BOX, writeBox, readBox},
    {POSITION, writePosition, readPosition},
    {TYPE, writeType, readType},
    {ANIMATION, writeAnimation, readAnimation},
    {ALTITUDE, writeAltitude, readAltitude},
    {SOLIDNESS, writeSolidness, readSolidness},
    {NO_SOFT, writeNoSoft, readNoSoft},
    {SPEED, writeSpeed, readSpeed},
    {DIRECTION, writeDirection, readDirection},
    {ACCELERATION, writeAcceleration, readAcceleration},
    {SHAPE, writeShape, readShape},
    {PATH, writePath, readPath},
    {FOLLOW_PATH, writeFollowPath, readFollowPath},
    {AVOID_COLLISIONS, writeAvoidCollisions, readAvoidCollisions},
};

// Reading takes the direction before the speed (the only change from the
// order of writing), so that a string holding both ends with the speed written.
const ObjectAttribute READING_ORDER[ATTR_COUNT] = {
    ID,        ACTIVE,  VISIBLE,   EVENTS,    BOX,          POSITION, TYPE, ANIMATION,   ALTITUDE,
    SOLIDNESS, NO_SOFT, DIRECTION, SPEED,     ACCELERATION, SHAPE,    PATH, FOLLOW_PATH, AVOID_COLLISIONS,
};

}  // namespace

std::string Object::serialize(std::string attr) {
  LogManager &log_manager = LogManager::getInstance();
  log_manager.writeLog(20, "Object::serialize(): attr is '%s'", attr.c_str());
  if (!attr.empty() && attr != "ALL" && attr.back() != ',')
    log_manager.writeLog("Object::serialize(): Warning! Attribute '%s' missing trailing ','",
                         attr.c_str());

  std::string text;
  for (const AttributeCodec &codec : ATTRIBUTE_CODECS) {
    if (!attributeChosen(attr, codec.token(), attr.empty() && isModified(codec.attribute)))
      continue;
    codec.write(*this, attr, text);
    modified[codec.attribute] = false;
  }
  return text;
}

int Object::deserialize(std::string str) {
  // Game code that overrides deserialize may still look its own keys up with
  // match(""), so match is primed; the engine's lookups use a parse of their own.
  if (!str.empty()) match(str, "");
  AttributeList list(str);
  return deserializeAttributes(list);
}

int Object::deserializeAttributes(const AttributeList &list) {
  AttributeReader in(list);
  for (ObjectAttribute attribute : READING_ORDER) ATTRIBUTE_CODECS[attribute].read(*this, in);
  return 0;
}

bool Object::isModified(ObjectAttribute attribute) const {
  if (attribute < 0 || attribute >= ATTR_COUNT) return false;
  return modified[attribute];
}

bool Object::isModified() const {
  LogManager &log_manager = LogManager::getInstance();
  for (int i = 0; i < ATTR_COUNT; i++) {
    log_manager.writeLog(20, "Object::isModified(): %d is %s", i, boolText(modified[i]));
    if (modified[i]) return true;
  }
  return false;
}

void Object::setPath(Path new_path) {
  cold->path = new_path;
  setModified(PATH);
}

void Object::setFollowPath(bool new_follow_path) {
  follow_path = new_follow_path;
  if (!cold->path.endOfPath()) moveTo(cold->path.nextNode());
  setModified(FOLLOW_PATH);
}

void Object::pathTo(Vector target) {
  PathManager &path_manager = PathManager::getInstance();
  if (cold->p_path_find) {
    path_manager.unregisterPathFind(cold->p_path_find);
    delete cold->p_path_find;
  }
  cold->p_path_find = new PathFind(this, position, target);
  path_manager.registerPathFind(cold->p_path_find);
  if (follow_path) {
    follow_path = false;
    setModified(FOLLOW_PATH);
  }
  avoid_collisions = true;
  setModified(AVOID_COLLISIONS);
}

void Object::pathTo(Object *p_target) {
  if (!p_target) return;
  pathTo(p_target->getPosition());
  if (cold->p_path_find)
    cold->p_path_find->setTargetObject(p_target);
  else
    LogManager::getInstance().writeLog("Object::pathTo(): path find not allocated!");
}

// Heads for the next node; a node closer than three quarters of a step is
// taken at once, so several may be taken in one step.
void Object::followPath() {
  while (!cold->path.endOfPath()) {
    Vector next = cold->path.nextNode();
    if (distance(position, next) > static_cast<double>(3 * speed) * 0.25) {
      moveTo(next);
      return;
    }
    setPosition(next);
    cold->path++;
    setModified(PATH);
  }
  direction = Vector(0, 0);
  setFollowPath(false);
}

namespace {
int nearestCell(float v) { return static_cast<int>(std::floor(std::max(-1e9f, std::min(v, 1e9f)) + 0.5f)); }
}  // namespace

bool Object::sees(const Object *p_other, const CellMap &map, FieldOfView &fov, int radius,
                  FovAlgorithm algorithm) const {
  if (!p_other) return false;
  int x = nearestCell(position.getX()), y = nearestCell(position.getY());
  if (!map.contains(x, y)) return false;
  if (fov.compute(map, x, y, radius, true, algorithm) != 0) return false;
  return fov.isVisible(nearestCell(p_other->position.getX()), nearestCell(p_other->position.getY()));
}

bool Object::sees(const Object *p_other, const CellMap &map, int radius,
                  FovAlgorithm algorithm) const {
  static thread_local FieldOfView work;  // allocates only for a map of a new size
  return sees(p_other, map, work, radius, algorithm);
}

}  // namespace sb
