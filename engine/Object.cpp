#include "Object.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "AttributeList.h"

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
      speed(0),
      box(Vector(-0.5f, -0.5f), 0.99f, 0.99f),
      solidness(HARD),
      is_active(true),
      is_visible(true),
      follow_path(false),
      has_sprite(false),
      has_shape(false),
      no_soft(false),
      avoid_collisions(false),
      altitude(2),
      id(max_id < INT_MAX ? max_id++ : max_id),  // ids stop at the largest int
      box_record(-1),
      event_count(0),
      type("(Undefined)"),
      p_path_find(nullptr) {
  modified.setAll();
  shape.setType(UNDEFINED_SHAPE);
  WorldManager::getInstance().insertObject(this);
}

Object::~Object() {
  // Going, not just unregistering: a delivery in progress must skip it.
  for (int i = event_count - 1; i >= 0; i--)
    managerFor(event_name[i]).dropInterest(this, event_name[i]);
  PathManager &path_manager = PathManager::getInstance();
  if (p_path_find) {
    path_manager.unregisterPathFind(p_path_find);
    delete p_path_find;
    p_path_find = nullptr;
  }
  // Other searches may lead to this object.
  path_manager.objectGone(this);
  WorldManager::getInstance().removeObject(this);
  ResourceManager::getInstance().spriteLetGo(animation.getSprite());
}

// Tells the resource manager when the animation no longer shows p_old, so an
// unloaded sprite can be freed once no object shows it.
void Object::letGoOfSprite(const Sprite *p_old) {
  has_sprite = animation.getSprite() != nullptr;
  if (p_old && p_old != animation.getSprite()) ResourceManager::getInstance().spriteLetGo(p_old);
}

void Object::setId(int new_id) {
  if (new_id == id) return;
  if (new_id >= max_id) max_id = new_id < INT_MAX ? new_id + 1 : INT_MAX;
  id = new_id;
  modified[ID] = true;
}

void Object::setType(std::string new_type) {
  type = new_type;
  modified[TYPE] = true;
}

int Object::setPosition(Vector new_position) {
  if (new_position == position) return 0;
  // The scene graph re-files only active solid objects.
  if (is_active && isSolid()) sceneGraph().updatePosition(this, new_position);
  position = new_position;
  modified[POSITION] = true;
  return 0;
}

int Object::setActive(bool active) {
  if (active == is_active) return 0;
  if (sceneGraph().updateActive(this, active) == -1) return -1;
  is_active = active;
  modified[ACTIVE] = true;
  return 0;
}

int Object::setVisible(bool visible) {
  if (visible == is_visible) return 0;
  if (sceneGraph().updateVisible(this, visible) == -1) return -1;
  is_visible = visible;
  modified[VISIBLE] = true;
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
  modified[ALTITUDE] = true;
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
  modified[SOLIDNESS] = true;
  return 0;
}

void Object::setNoSoft(bool new_no_soft) {
  no_soft = new_no_soft;
  modified[NO_SOFT] = true;
}

void Object::setAvoidCollisions(bool new_avoid_collisions) {
  avoid_collisions = new_avoid_collisions;
  modified[AVOID_COLLISIONS] = true;
}

// Re-files the object so the grid sees its new extent.
void Object::setBox(Box new_box) {
  if (new_box == box) return;
  SceneGraph &scene_graph = sceneGraph();
  scene_graph.removeObject(this);
  box = new_box;
  scene_graph.insertObject(this);
  modified[BOX] = true;
}

void Object::setDirection(Vector new_direction) { direction = new_direction; }

void Object::setSpeed(float new_speed) {
  speed = new_speed;
  modified[SPEED] = true;
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
  modified[SPEED] = true;
  modified[DIRECTION] = true;
}

void Object::setAcceleration(Vector new_acceleration) {
  acceleration = new_acceleration;
  modified[ACCELERATION] = true;
}

void Object::setAnimation(Animation new_animation, bool set_box) {
  const Sprite *p_old = animation.getSprite();
  animation = new_animation;
  letGoOfSprite(p_old);
  modified[ANIMATION] = true;
  if (set_box) setBox(animation.getBox());
}

int Object::setSprite(std::string sprite_name) {
  Sprite *p_sprite = ResourceManager::getInstance().getSprite(sprite_name);
  if (!p_sprite) {
    LogManager::getInstance().writeLog("Object::setSprite(): Warning! Sprite '%s' not found",
                                       sprite_name.c_str());
    return -1;
  }
  const Sprite *p_old = animation.getSprite();
  animation.setSprite(p_sprite);
  letGoOfSprite(p_old);
  modified[ANIMATION] = true;
  setBox(animation.getBox());
  return 0;
}

void Object::setShape(Shape new_shape) {
  shape = new_shape;
  has_shape = shape.getType() != UNDEFINED_SHAPE;
  modified[SHAPE] = true;
}

std::string Object::toString() const {
  return sb::toString(id) + ", " + type + ", " + position.toString();
}


void Object::moveTo(Vector where) {
  Vector new_direction = where - position;
  new_direction.normalize();
  direction = new_direction;
}

int Object::registerInterest(std::string event_type) {
  if (event_count >= MAX_OBJ_EVENTS) {
    LogManager::getInstance().writeLog(
        "Object::registerInterest(): maximum (%d) reached, cannot register for event '%s'",
        MAX_OBJ_EVENTS, event_type.c_str());
    return -1;
  }
  if (managerFor(event_type).registerInterest(this, event_type) == -1) return -1;
  event_name.push_back(event_type);
  event_count++;
  modified[EVENTS] = true;
  return 0;
}

int Object::unregisterInterest(std::string event_type) {
  int found = -1;
  for (int i = 0; i < event_count && found < 0; i++)
    if (event_name[i] == event_type) found = i;
  if (found < 0) {
    LogManager::getInstance().writeLog(
        "Object::unregisterInterest(): event '%s' not previously registered", event_type.c_str());
    return -1;
  }
  if (managerFor(event_type).unregisterInterest(this, event_type) == -1) return -1;
  event_name.erase(event_name.begin() + found);
  event_count--;
  modified[EVENTS] = true;
  return 0;
}

std::string Object::getEventName(int index) const {
  if (index < 0 || index >= event_count) return "";
  return event_name[index];
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
    path = p_path_event->getPath();
    modified[PATH] = true;
    setFollowPath(true);
  }
  unsigned long long source = p_path_event->getSource();
  if (p_path_find && (source == 0 || source == p_path_find->getSerial())) {
    PathManager::getInstance().unregisterPathFind(p_path_find);
    delete p_path_find;
    p_path_find = nullptr;
  }
  return 1;
}

int Object::draw() {
  // An animation without a sprite draws nothing and gives 0.
  int result = has_sprite ? animation.draw(position) : 0;
  if (has_shape) shape.draw(position);
  return result;
}

std::string Object::serialize(std::string attr) {
  LogManager &log_manager = LogManager::getInstance();
  log_manager.writeLog(20, "Object::serialize(): attr is '%s'", attr.c_str());
  if (!attr.empty() && attr != "ALL" && attr.back() != ',')
    log_manager.writeLog("Object::serialize(): Warning! Attribute '%s' missing trailing ','",
                         attr.c_str());

  std::string text;
  for (int i = 0; i < ATTR_COUNT; i++) {
    ObjectAttribute attribute = static_cast<ObjectAttribute>(i);
    if (!attributeChosen(attr, OBJECT_ATTRIBUTE_TOKEN[i], attr.empty() && isModified(attribute)))
      continue;
    switch (attribute) {
      case ID:
        addElement(text, "id", sb::toString(id));
        break;
      case ACTIVE:
        addElement(text, "is_active", sb::toString(is_active));
        break;
      case VISIBLE:
        addElement(text, "is_visible", sb::toString(is_visible));
        break;
      case EVENTS:
        addElement(text, "event_count", sb::toString(event_count));
        for (int e = 0; e < event_count; e++)
          addElement(text, "event_name[" + sb::toString(e) + "]",
                     AttributeList::escape(event_name[e]));
        break;
      case BOX:
        addElement(text, "box-corner-x", sb::toString(box.getCorner().getX()));
        addElement(text, "box-corner-y", sb::toString(box.getCorner().getY()));
        addElement(text, "box-horizontal", sb::toString(box.getHorizontal()));
        addElement(text, "box-vertical", sb::toString(box.getVertical()));
        break;
      case POSITION:
        addElement(text, "pos-x", sb::toString(position.getX()));
        addElement(text, "pos-y", sb::toString(position.getY()));
        break;
      case TYPE:
        addElement(text, "type", AttributeList::escape(type));
        break;
      case ANIMATION:
        // A delta writes the sprite only when the animation changed; "ALL"
        // and an explicit ANIMATION, write it in any case.
        text += animation.serialize(attr);
        break;
      case ALTITUDE:
        addElement(text, "altitude", sb::toString(altitude));
        break;
      case SOLIDNESS:
        addElement(text, "solidness", sb::toString(static_cast<int>(solidness)));
        break;
      case NO_SOFT:
        addElement(text, "no_soft", sb::toString(no_soft));
        break;
      case SPEED:
        addElement(text, "speed", sb::toString(speed));
        break;
      case DIRECTION:
        addElement(text, "x_direction", sb::toString(direction.getX()));
        addElement(text, "y_direction", sb::toString(direction.getY()));
        break;
      case ACCELERATION:
        addElement(text, "x_acceleration", sb::toString(acceleration.getX()));
        addElement(text, "y_acceleration", sb::toString(acceleration.getY()));
        break;
      case SHAPE:
        addElement(text, "shape", sb::toString(static_cast<int>(shape.getType())));
        addElement(text, "size", sb::toString(shape.getSize()));
        addElement(text, "color", sb::toString(static_cast<int>(shape.getColor())));
        addElement(text, "opacity", sb::toString(static_cast<int>(shape.getOpacity())));
        break;
      case PATH:
        // Written with its blanks; the reader keeps them (see AttributeList).
        addElement(text, "path", sb::toString(path));
        addElement(text, "path_index", sb::toString(path.getIndex()));
        break;
      case FOLLOW_PATH:
        addElement(text, "follow_path", sb::toString(follow_path));
        break;
      case AVOID_COLLISIONS:
        addElement(text, "avoid_collisions", sb::toString(avoid_collisions));
        break;
    }
    modified[attribute] = false;
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
  LogManager &log_manager = LogManager::getInstance();
  // Each reader gives false for an absent key, and logs and gives false for
  // a value that is no number in range; the value is logged when taken.
  auto text = [&](const char *key, std::string &value) {
    value = list.value(key);
    if (value.empty()) return false;
    log_manager.writeLog(20, "Object::deserialize(): %s is %s", key, value.c_str());
    return true;
  };
  // The parts of a shape are logged as the text read.
  auto shapePart = [&](const char *key, const std::string &raw) {
    bool part = std::strcmp(key, "shape") == 0 || std::strcmp(key, "size") == 0 ||
                std::strcmp(key, "color") == 0 || std::strcmp(key, "opacity") == 0;
    if (part) log_manager.writeLog(20, "Object::deserialize(): %s is '%s'", key, raw.c_str());
    return part;
  };
  auto integer = [&](const char *key, int &value, int low, int high) {
    std::string raw = list.value(key);
    if (raw.empty()) return false;
    bool part = shapePart(key, raw);
    if (!readInt(raw, value) || value < low || value > high) {
      logIgnored(key, raw);
      return false;
    }
    if (!part) log_manager.writeLog(20, "Object::deserialize(): %s is %d", key, value);
    return true;
  };
  auto number = [&](const char *key, float &value, float low = -MAX_ATTRIBUTE_MAGNITUDE) {
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
  };
  std::string value;
  int n = 0;
  float f = 0;

  // A string may not raise the id counter past the bound, which would leave
  // it no room for unique ids; ids already below the counter come back as written.
  if (integer("id", n, INT_MIN, INT_MAX)) {
    int highest = std::max(MAX_READ_ID, max_id - 1);
    if (n >= 1 && n <= highest)
      setId(n);
    else
      log_manager.writeLog("Object::deserialize(): Warning! id %d not in range [1,%d]. Ignored.", n,
                           highest);
  }
  if (text("is_active", value) && (value == "true") != is_active) setActive(value == "true");
  if (text("is_visible", value) && (value == "true") != is_visible) setVisible(value == "true");

  // No more names than an object may hold, so a huge count costs nothing.
  if (integer("event_count", n, 0, MAX_OBJ_EVENTS)) {
    for (int i = event_count - 1; i >= 0; i--) unregisterInterest(event_name[i]);
    for (int i = 0; i < n; i++) {
      std::string name = list.value("event_name[" + sb::toString(i) + "]");
      if (name.empty()) continue;
      log_manager.writeLog(20, "Object::deserialize(): event_name[%d] is '%s'", i, name.c_str());
      registerInterest(name);
    }
  }

  // The box in floats (its fractions kept), extents not negative.
  float x = 0, y = 0, horizontal = 0, vertical = 0;
  bool box_complete = number("box-corner-x", x);
  box_complete = number("box-corner-y", y) && box_complete;
  box_complete = number("box-horizontal", horizontal, 0) && box_complete;
  box_complete = number("box-vertical", vertical, 0) && box_complete;
  if (box_complete)
    setBox(Box(Vector(x, y), horizontal, vertical));
  else
    log_manager.writeLog(20, "Object::deserialize(): box not complete, so ignoring.");

  bool position_complete = number("pos-x", x);
  position_complete = number("pos-y", y) && position_complete;
  if (position_complete)
    setPosition(Vector(x, y));
  else
    log_manager.writeLog(20, "Object::deserialize(): position not complete, so ignoring.");

  if (text("type", value)) setType(value);

  std::string old_name = animation.getName();
  const Sprite *p_old_sprite = animation.getSprite();
  int old_index = animation.getIndex(), old_slowdown = animation.getSlowdownCount();
  animation.deserializeAttributes(list);
  letGoOfSprite(p_old_sprite);
  if (animation.getName() != old_name || animation.getSprite() != p_old_sprite ||
      animation.getIndex() != old_index || animation.getSlowdownCount() != old_slowdown)
    modified[ANIMATION] = true;

  if (integer("altitude", n, INT_MIN, INT_MAX)) setAltitude(n);
  // Any int is a Solidness value; the setter refuses and logs a bad one.
  if (integer("solidness", n, INT_MIN, INT_MAX)) setSolidness(static_cast<Solidness>(n));
  if (text("no_soft", value)) setNoSoft(value == "true");

  if (number("x_direction", f)) direction.setX(f);
  if (number("y_direction", f)) setVelocity(Vector(direction.getX(), f));
  if (number("speed", f)) setSpeed(f);
  if (number("x_acceleration", f)) setAcceleration(Vector(f, acceleration.getY()));
  if (number("y_acceleration", f)) setAcceleration(Vector(acceleration.getX(), f));

  // The shape changes only with all four parts present and valid.
  int shape_type = 0, color = 0, opacity = 0;
  float size = 0;
  bool shape_complete = integer("shape", shape_type, UNDEFINED_SHAPE, TRIANGLE);
  shape_complete = number("size", size, 0) && shape_complete;
  shape_complete = integer("color", color, BLACK, CUSTOM) && shape_complete;
  shape_complete = integer("opacity", opacity, 0, 255) && shape_complete;
  if (shape_complete) {
    Shape new_shape = shape;
    new_shape.setType(static_cast<ShapeType>(shape_type));
    new_shape.setSize(size);
    new_shape.setColor(static_cast<Color>(color));
    new_shape.setOpacity(static_cast<unsigned char>(opacity));
    setShape(new_shape);
  }

  // Nodes as "x y|"; the blanks are kept by the parse. A bad node ends the path.
  value = list.rawValue("path");
  if (!value.empty()) {
    Path new_path;
    size_t start = 0;
    size_t bar;
    while ((bar = value.find('|', start)) != std::string::npos) {
      Vector node;
      if (!readPathNode(value.substr(start, bar - start), node)) {
        log_manager.writeLog("Object::deserialize(): malformed node %s.", value.c_str() + start);
        log_manager.writeLog("\tNot added.");
        break;
      }
      new_path.addNode(node);
      start = bar + 1;
    }
    // The index comes back when it is within the nodes read (or just past
    // the last, a path followed to its end).
    if (integer("path_index", n, 0, new_path.getCount()) && new_path.setIndex(n) != 0 && n > 0) {
      new_path.setIndex(n - 1);
      new_path++;
    }
    setPath(new_path);
  }

  if (text("follow_path", value)) setFollowPath(value == "true");
  if (text("avoid_collisions", value)) setAvoidCollisions(value == "true");
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
  path = new_path;
  modified[PATH] = true;
}

void Object::setFollowPath(bool new_follow_path) {
  follow_path = new_follow_path;
  if (!path.endOfPath()) moveTo(path.nextNode());
  modified[FOLLOW_PATH] = true;
}

void Object::pathTo(Vector target) {
  PathManager &path_manager = PathManager::getInstance();
  if (p_path_find) {
    path_manager.unregisterPathFind(p_path_find);
    delete p_path_find;
  }
  p_path_find = new PathFind(this, position, target);
  path_manager.registerPathFind(p_path_find);
  if (follow_path) {
    follow_path = false;
    modified[FOLLOW_PATH] = true;
  }
  avoid_collisions = true;
  modified[AVOID_COLLISIONS] = true;
}

void Object::pathTo(Object *p_target) {
  if (!p_target) return;
  pathTo(p_target->getPosition());
  if (p_path_find)
    p_path_find->setTargetObject(p_target);
  else
    LogManager::getInstance().writeLog("Object::pathTo(): path find not allocated!");
}

// Heads for the next node; a node closer than three quarters of a step is
// taken at once, so several may be taken in one step.
void Object::followPath() {
  while (!path.endOfPath()) {
    Vector next = path.nextNode();
    if (distance(position, next) > static_cast<double>(3 * speed) * 0.25) {
      moveTo(next);
      return;
    }
    setPosition(next);
    path++;
    modified[PATH] = true;
  }
  direction = Vector(0, 0);
  setFollowPath(false);
}

}  // namespace sb
