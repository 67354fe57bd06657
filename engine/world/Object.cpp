#include "Object.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "AttributeList.h"
#include "CellMap.h"

#include "LogManager.h"
#include "Manager.h"
#include "ResourceManager.h"
#include "SceneGraph.h"
#include "WorldManager.h"
#include "utility.h"

namespace sb {

int Object::max_id = 1;

namespace {

SceneGraph &sceneGraph() { return WorldManager::getInstance().getSceneGraph(); }

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
      Manager::handlerOf(cold->event_name[i]).dropInterest(this, cold->event_name[i]);
  Manager::objectDestroyed(this);
  dropPathSearches();
  if (!unlisted) WorldManager::getInstance().removeObject(this);
  ResourceManager::getInstance().spriteLetGo(animationRef().getSprite());
  cold->~Cold();
  ObjectPool::releaseSide(cold, sizeof(Cold));
}

// Tells the resource manager when the animation no longer shows p_old, so an
// unloaded sprite can be freed once no object shows it.
void Object::letGoOfSprite(const Sprite *p_old) {
  has_sprite = animationRef().getSprite() != nullptr;
  if (p_old && p_old != animationRef().getSprite())
    ResourceManager::getInstance().spriteLetGo(p_old);
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
  if (Manager::handlerOf(event_type).registerInterest(this, event_type) == -1) return -1;
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
  if (Manager::handlerOf(event_type).unregisterInterest(this, event_type) == -1) return -1;
  cold->event_name.erase(cold->event_name.begin() + found);
  cold->event_count--;
  setModified(EVENTS);
  return 0;
}

std::string Object::getEventName(int index) const {
  if (index < 0 || index >= cold->event_count) return "";
  return cold->event_name[index];
}

// The base handles only path events (see takePathEvent()).
int Object::eventHandler(const Event *p_e) {
  if (!p_e || p_e->typeRef() != PATH_EVENT) return 0;
  return takePathEvent(p_e);
}

int Object::draw() {
  // An animation without a sprite draws nothing and gives 0.
  int result = has_sprite ? cold->animation->draw(position) : 0;
  if (has_shape) shape.draw(position);
  return result;
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
int nearestCell(float v) {
  return static_cast<int>(std::floor(std::max(-1e9f, std::min(v, 1e9f)) + 0.5f));
}
}  // namespace

bool Object::sees(const Object *p_other, const CellMap &map, FieldOfView &fov, int radius,
                  FovAlgorithm algorithm) const {
  if (!p_other) return false;
  int x = nearestCell(position.getX()), y = nearestCell(position.getY());
  if (!map.contains(x, y)) return false;
  if (fov.compute(map, x, y, radius, true, algorithm) != 0) return false;
  return fov.isVisible(nearestCell(p_other->position.getX()),
                       nearestCell(p_other->position.getY()));
}

bool Object::sees(const Object *p_other, const CellMap &map, int radius,
                  FovAlgorithm algorithm) const {
  static thread_local FieldOfView work;  // allocates only for a map of a new size
  return sees(p_other, map, work, radius, algorithm);
}

// The free functions of utility.h that need an object.

float distance(Object *p_a, Object *p_b) {
  if (!p_a || !p_b) return -1.0f;
  return distance(p_a->getPosition(), p_b->getPosition());
}

Box getWorldBox(const Object *p_o) { return p_o->worldBox(); }

Box getWorldBox(const Object *p_o, Vector where) { return p_o->worldBoxAt(where); }

Vector getNormal(const Object *p_o, const Object *p_other) {
  Vector velocity = p_o->getVelocity();
  Vector start = p_o->getPosition();
  Box other_box = getWorldBox(p_other, p_other->getPosition());

  // Halve in on the last position short of the other box.
  float fraction = 0.5f;
  for (int power = 1; power <= 7; power++) {
    velocity.scale(fraction);
    Vector trial = p_o->getPosition() + velocity;
    float step = static_cast<float>(std::pow(0.5, power));
    if (boxIntersectsBox(getWorldBox(p_o, trial), other_box)) {
      fraction -= step;
    } else {
      start = trial;
      fraction += step;
    }
  }
  Box mover = getWorldBox(p_o, start);

  Vector corner = other_box.getCorner();
  float h = other_box.getHorizontal(), v = other_box.getVertical();
  struct Side {
    float dx, dy;
    Vector normal;
  };
  const Side sides[8] = {{0, -v, Vector(0, -1)}, {0, v, Vector(0, 1)},     {-h, 0, Vector(-1, 0)},
                         {h, 0, Vector(1, 0)},   {-h, -v, Vector(-1, -1)}, {h, -v, Vector(1, -1)},
                         {-h, v, Vector(-1, 1)}, {h, v, Vector(1, 1)}};
  for (const Side &side : sides) {
    Box neighbour(corner + Vector(side.dx, side.dy), h, v);
    if (boxIntersectsBox(mover, neighbour)) return side.normal;
  }
  LogManager::getInstance().writeLog("getNormal(): collision not detected. Returning (0,0).");
  return Vector(0, 0);
}

// Manager::onEvent()'s walk over one row of its interest table, here with
// the objects whose handlers it calls. The row is walked in place up to the
// length it had when the delivery began.
int Manager::deliverRow(int row, int length, unsigned int start, bool nested,
                        const Event *p_event) const {
  const ObjectList &interested = obj_list[row];
  int count = 0;
  for (int i = 0; i < length; i++) {
    detail::prefetchAhead(interested, i, length);
    Object *p_o = interested[i];
    if (!p_o || !p_o->isActive()) continue;
    if (nested && removedBefore(row, i, start)) continue;
    p_o->eventHandler(p_event);
    count++;
  }
  return count;
}

}  // namespace sb
