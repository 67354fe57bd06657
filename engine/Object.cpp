#include "Object.h"

#include <climits>

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

}  // namespace

Object::Object()
    : position(1, 1),
      box(Vector(-0.5f, -0.5f), 0.99f, 0.99f),
      is_active(true),
      is_visible(true),
      no_soft(false),
      follow_path(false),
      avoid_collisions(false),
      solidness(HARD),
      altitude(2),
      speed(0),
      id(max_id < INT_MAX ? max_id++ : max_id),  // ids stop at the largest int
      query_stamp(0),
      event_count(0),
      type("(Undefined)"),
      p_path_find(nullptr) {
  for (bool &flag : modified) flag = true;
  world_box = worldBoxAt(position);
  shape.setType(UNDEFINED_SHAPE);
  WorldManager::getInstance().insertObject(this);
}

Object::~Object() {
  for (int i = event_count - 1; i >= 0; i--) unregisterInterest(event_name[i]);
  PathManager &path_manager = PathManager::getInstance();
  if (p_path_find) {
    path_manager.unregisterPathFind(p_path_find);
    delete p_path_find;
    p_path_find = nullptr;
  }
  // Other searches may lead to this object.
  path_manager.objectGone(this);
  WorldManager::getInstance().removeObject(this);
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
  sceneGraph().updatePosition(this, new_position);
  position = new_position;
  world_box = worldBoxAt(position);
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
  if (new_solid == solidness) return 0;
  if (new_solid != HARD && new_solid != SOFT && new_solid != SPECTRAL) {
    LogManager::getInstance().writeLog(
        "Object::setSolidness(): Solidness %d not one of HARD, SOFT or SPECTRAL.",
        static_cast<int>(new_solid));
    return -1;
  }
  if (sceneGraph().updateSolidness(this, new_solid) == -1) return -1;
  solidness = new_solid;
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
  world_box = worldBoxAt(position);
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
  animation = new_animation;
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
  animation.setSprite(p_sprite);
  modified[ANIMATION] = true;
  setBox(animation.getBox());
  return 0;
}

void Object::setShape(Shape new_shape) {
  shape = new_shape;
  modified[SHAPE] = true;
}

std::string Object::toString() const {
  return sb::toString(id) + ", " + type + ", " + position.toString();
}

void Object::accelerate() {
  if (!acceleration) return;
  setVelocity(getVelocity() + acceleration);
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
  int result = animation.draw(position);
  if (shape.getType() != UNDEFINED_SHAPE) shape.draw(position);
  return result;
}

std::string Object::serialize(std::string) { return ""; }

int Object::deserialize(std::string) { return 0; }

bool Object::isModified(ObjectAttribute attribute) const {
  if (attribute < 0 || attribute >= ATTR_COUNT) return false;
  return modified[attribute];
}

bool Object::isModified() const {
  for (bool flag : modified)
    if (flag) return true;
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
void Object::doPathFollowing() {
  if (!follow_path) return;
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
