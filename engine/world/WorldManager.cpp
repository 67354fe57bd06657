#include "WorldManager.h"

#include <cmath>
#include <typeinfo>

#include "EventCollision.h"
#include "EventOut.h"
#include "LogManager.h"
#include "Object.h"
#include "ResourceManager.h"
#include "ViewObject.h"
#include "utility.h"

namespace sb {

namespace {

LogManager &logger() { return LogManager::getInstance(); }

bool isViewObject(const Object *p_o) { return dynamic_cast<const ViewObject *>(p_o) != nullptr; }

}  // namespace

namespace {

// The sprites the world's objects show, for the resource manager's sweeps.
void walkShownSprites(const std::function<void(const Sprite *)> &visit) {
  const SceneGraph &graph = WorldManager::getInstance().getSceneGraph();
  for (const ObjectList *p_list : {&graph.activeList(), &graph.inactiveList()})
    for (int i = 0; i < p_list->getCount(); i++) visit((*p_list)[i]->animationRef().getSprite());
}

}  // namespace

WorldManager::WorldManager() : p_view_following(nullptr), move_depth(0) {
  setType("WorldManager");
  ResourceManager::getInstance().setShownSpriteWalk(&walkShownSprites);
}

WorldManager::~WorldManager() {}

WorldManager &WorldManager::getInstance() {
  static WorldManager world_manager;
  return world_manager;
}

int WorldManager::startUp() {
  if (isStarted()) {
    logger().writeLog("WorldManager::startup(): already started.");
    return 0;
  }
  deletions.clear();
  marked.clear();
  boundary = Box();
  view = Box();
  view_slack = Vector();
  p_view_following = nullptr;
  if (scene_graph.startUp() == -1) {
    logger().writeLog("WorldManager::startUp(): Error! Unable to startup Scenegraph");
    return -1;
  }
  Manager::startUp();
  logger().writeLog(5, "WorldManager::startUp(): successfully started.");
  return 0;
}

void WorldManager::shutDown() {
  Manager::shutDown();
  scene_graph.beginTearDown();
  // Every object goes: those already marked, then the active ones and the
  // inactive ones in list order.
  for (const ObjectList *list : {&scene_graph.activeList(), &scene_graph.inactiveList()})
    for (int i = 0; i < list->getCount(); i++) markForDelete((*list)[i]);
  deleteMarked();
  p_view_following = nullptr;
  scene_graph.shutDown();
  logger().writeLog(5, "WorldManager::shutDown(): Successfully stopped.");
}

bool WorldManager::isValid(std::string event_type) const {
  if (event_type == KEYBOARD_EVENT || event_type == MSE_EVENT || event_type == STEP_EVENT) {
    logger().writeLog("WorldManager::isValid(): WorldManager does not handle %s",
                      event_type.c_str());
    return false;
  }
  if (event_type == OUT_EVENT || event_type == COLLISION_EVENT) {
    logger().writeLog("WorldManager::isValid(): Event %s handled automatically.",
                      event_type.c_str());
    return false;
  }
  return true;
}

int WorldManager::insertObject(Object *p_o) {
  if (!p_o) {
    logger().writeLog("WorldManager::insertObject(): Error! Object is NULL");
    return -1;
  }

  if (!isStarted()) {
    logger().writeLog(2, "WorldManager::insertObject(): Not adding Object %d", p_o->getId());
    logger().writeLog(2, "                              because WorldManager not started.");
    return -1;
  }
  return scene_graph.insertObject(p_o);
}

int WorldManager::removeObject(Object *p_o) {
  if (!p_o) {
    logger().writeLog("WorldManager::removeObject(): Error! Object is NULL");
    return -1;
  }
  if (p_o == p_view_following) p_view_following = nullptr;
  scene_graph.removeObject(p_o);
  return 0;
}

int WorldManager::markForDelete(Object *p_o) {
  if (p_o && marked.count(p_o)) return 0;
  if (deletions.insert(p_o) == -1) {
    logger().writeLog("WorldManager::markForDelete(): unable to add object %p to deletions list",
                      static_cast<void *>(p_o));
    return -1;
  }
  marked.insert(p_o);
  return 0;
}

int WorldManager::markForDelete(ObjectList list) {
  int result = 0;
  for (int i = 0; i < list.getCount(); i++)
    if (markForDelete(list[i]) == -1) result = -1;
  return result;
}

ObjectList WorldManager::getAllObjects(bool inactive) const {
  if (!inactive) return scene_graph.activeObjects();
  return scene_graph.activeObjects() + scene_graph.inactiveObjects();
}

ObjectList WorldManager::objectsOfType(std::string type) const {
  ObjectList result;
  const ObjectList &active = scene_graph.activeList();
  for (int i = 0; i < active.getCount(); i++)
    if (active[i]->typeRef() == type) result.insert(active[i]);
  return result;
}

Object *WorldManager::objectWithId(int id) const {
  logger().writeLog(20, "WorldManager::objectWithId(): looking for %d", id);
  for (const ObjectList *list : {&scene_graph.activeList(), &scene_graph.inactiveList()})
    for (int i = 0; i < list->getCount(); i++)
      if ((*list)[i]->getId() == id) return (*list)[i];
  return nullptr;
}

SceneGraph &WorldManager::getSceneGraph() { return scene_graph; }

namespace {

// The active objects whose world box passes a test, in scene-graph order.
template <class Test>
ObjectList activeWhere(const ObjectList &active, Test test) {
  ObjectList result;
  for (int i = 0; i < active.getCount(); i++)
    if (test(getWorldBox(active[i]))) result.insert(active[i]);
  return result;
}

}  // namespace

ObjectList WorldManager::objectsInBox(Box b) const {
  return activeWhere(scene_graph.activeList(),
                     [&b](const Box &world_box) { return boxIntersectsBox(world_box, b); });
}

ObjectList WorldManager::objectsOnLine(Line l) const {
  return activeWhere(scene_graph.activeList(),
                     [&l](const Box &world_box) { return lineIntersectsBox(l, world_box); });
}

ObjectList WorldManager::objectsInCircle(Circle c) const {
  return activeWhere(scene_graph.activeList(),
                     [&c](const Box &world_box) { return circleIntersectsBox(c, world_box); });
}

ObjectList WorldManager::objectsAtPosition(Vector p) const {
  return objectsInBox(Box(Vector(p.getX() - 0.5f, p.getY() - 0.5f), 0.99f, 0.99f));
}

ObjectList WorldManager::getCollisions(Object *p_o, Vector where) const {
  if (!p_o) return ObjectList();
  return scene_graph.getCollisions(p_o, where);
}

Box WorldManager::getBoundary() const { return boundary; }
void WorldManager::setBoundary(Box new_boundary) { boundary = new_boundary; }
Box WorldManager::getView() const { return view; }
void WorldManager::setView(Box new_view) { view = new_view; }
Vector WorldManager::getViewSlack() const { return view_slack; }

void WorldManager::setViewSlack(Vector new_view_slack) {
  float x = new_view_slack.getX(), y = new_view_slack.getY();
  if (x < 0 || x > 1 || y < 0 || y > 1)
    logger().writeLog("WorldManager::setViewSlack(): view slack units out of range [0-1]");
  view_slack = new_view_slack;
}

void WorldManager::setViewPosition(Vector center) {
  float view_h = view.getHorizontal(), view_v = view.getVertical();
  float x = center.getX() - view_h * 0.5f;
  if (x + view_h > boundary.getHorizontal()) x = boundary.getHorizontal() - view_h;
  if (x < 0) x = 0;
  float y = center.getY() - view_v * 0.5f;
  if (y + view_v > boundary.getVertical()) y = boundary.getVertical() - view_v;
  if (y < 0) y = 0;
  view.setCorner(Vector(x, y));
}

Object *WorldManager::getViewFollowing() const { return p_view_following; }

int WorldManager::setViewFollowing(Object *p_new_view_following) {
  if (!p_new_view_following) {
    p_view_following = nullptr;
    return 0;
  }
  bool found = false;
  for (const ObjectList *list : {&scene_graph.activeList(), &scene_graph.inactiveList()})
    for (int i = 0; i < list->getCount() && !found; i++)
      if ((*list)[i] == p_new_view_following) found = true;
  if (!found) return -1;
  p_view_following = p_new_view_following;
  setViewPosition(p_new_view_following->getPosition());
  return 0;
}

// Moves the view so that a followed object at position stays in the slack area.
void WorldManager::followView(Vector position) {
  float view_h = view.getHorizontal(), view_v = view.getVertical();
  Vector center = view.getCorner() + Vector(view_h * 0.5f, view_v * 0.5f);
  float cx = center.getX(), cy = center.getY();
  float left = cx - view_h * view_slack.getX() * 0.5f;
  if (position.getX() < left) {
    cx -= left - position.getX();
  } else {
    float right = cx + view_h * view_slack.getX() * 0.5f;
    if (position.getX() > right) cx += position.getX() - right;
  }
  float top = cy - view_v * view_slack.getY() * 0.5f;
  if (position.getY() < top) {
    cy -= top - position.getY();
  } else {
    float bottom = cy + view_v * view_slack.getY() * 0.5f;
    if (position.getY() > bottom) cy += position.getY() - bottom;
  }
  setViewPosition(Vector(cx, cy));
}

// Calls visit for every object of list, in order, as the list was when the
// walk began: handlers may add, remove or re-file objects meanwhile.
template <class Visit>
void WorldManager::walkList(const ObjectList &list, Visit visit) {
  const int length = list.getCount();
  if (!scene_graph.beginWalk(list, walk)) {
    ObjectList own(list);
    for (int i = 0; i < length; i++) visit(own[i]);
    return;
  }
  for (int i = 0; i < length; i++) {
    const ObjectList &current = scene_graph.walkList(list, walk);
    detail::prefetchAhead(current, i, length);
    visit(current[i]);
  }
  scene_graph.endWalk();
}

void WorldManager::update() {
  walkList(scene_graph.activeList(), [this](Object *p_o) {
    Vector predicted = p_o->predictPosition();
    if (predicted != p_o->getPosition()) moveObject(p_o, predicted);
    p_o->doPathFollowing();
    p_o->accelerate();
  });
  deleteMarked();
  // Unloaded sprites that the deleted or changed objects showed may go now.
  ResourceManager::getInstance().freeReleasedSprites();
}

// Deletes the marked objects in order; objects marked by their destructors
// are appended and deleted in the same pass. Lists shift their shorter side
// on removal, so deleting many objects in list order stays cheap; runs of
// plain particles, whose destruction runs no game code, leave the lists
// together wherever they are in them.
void WorldManager::deleteMarked() {
  const bool batches = !Manager::anyDelivering();
  for (int i = 0; i < deletions.getCount();) {
    int end = i;
    while (batches && end < deletions.getCount() && isQuiet(deletions[end])) end++;
    if (end - i >= QUIET_RUN_MIN) {
      deleteQuietRun(i, end);
      i = end;
      continue;
    }
    for (int last = end > i ? end : i + 1; i < last; i++) {
      Object *p_o = deletions[i];
      if (p_o == p_view_following) p_view_following = nullptr;
      delete p_o;
    }
  }
  deletions.clear();
  marked.clear();
}

// Whether deleting p_o runs no game code and takes it out of the step row
// and the active and visible lists only: a plain particle, active, spectral,
// registered for step events alone, following no path and not followed.
bool WorldManager::isQuiet(const Object *p_o) const {
  return p_quiet_class && typeid(*p_o) == *p_quiet_class && p_o->isActive() &&
         p_o->getSolidness() == SPECTRAL && p_o->cold->event_count == 1 &&
         p_o->cold->event_name[0] == STEP_EVENT && !p_o->cold->p_path_find &&
         p_o != p_view_following;
}

void WorldManager::deleteQuietRun(int begin, int end) {
  quiet_run.clear();
  for (int i = begin; i < end; i++) quiet_run.push_back(deletions[i]);
  const int run_count = static_cast<int>(quiet_run.size());
  Manager::handlerOf(STEP_EVENT).dropInterestOfAll(quiet_run.data(), run_count, STEP_EVENT);
  scene_graph.removeSpectralObjects(quiet_run.data(), run_count);
  for (int i = begin; i < end; i++) {
    Object *p_o = deletions[i];
    p_o->unlisted = true;
    delete p_o;
  }
}

int WorldManager::moveObject(Object *p_o, Vector where) {
  if (!p_o) {
    logger().writeLog("WorldManager::moveObject(): Error! Object is NULL");
    return -1;
  }
  if (p_o->isSolid()) {
    // The collision list is reused; a handler that moves objects gets its own.
    ObjectList nested;
    ObjectList &list = move_depth == 0 ? collisions : nested;
    move_depth++;
    list.clear();
    scene_graph.collectCollisions(p_o, where, list);
    int result = resolveCollisions(p_o, where, list);
    move_depth--;
    if (result == -1) return -1;
  }

  const Box before = p_o->worldBox();
  p_o->setPosition(where);
  if (boxIntersectsBox(before, boundary) && !boxIntersectsBox(p_o->worldBox(), boundary)) {
    EventOut out_event;
    p_o->eventHandler(&out_event);
  }
  if (p_o == p_view_following) followView(p_o->getPosition());
  return 0;
}

// Avoidance and collision events for a solid mover; -1 when it may not move.
// May change where (sliding) and list (the collisions at the slide target).
int WorldManager::resolveCollisions(Object *p_o, Vector &where, ObjectList &list) {
  if (list.isEmpty()) return 0;
  if (p_o->getSolidness() == HARD && p_o->getAvoidCollisions()) {
    Object *p_hard = nullptr;
    for (int i = 0; i < list.getCount() && !p_hard; i++)
      if (list[i]->getSolidness() == HARD) p_hard = list[i];
    if (p_hard) {
      where = slideTarget(p_o, p_hard);
      list.clear();
      scene_graph.collectCollisions(p_o, where, list);
      for (int i = 0; i < list.getCount(); i++) {
        if (list[i]->getSolidness() == HARD) {
          logger().writeLog(5,
                            "WorldManager::moveObject(): Double collision. Object (avoid "
                            "obstacles) cannot move.");
          return -1;
        }
      }
    }
  }

  bool may_move = true;
  // One event serves every object met; only its second object changes.
  EventCollision collision(p_o, nullptr, where);
  for (int i = 0; i < list.getCount(); i++) {
    Object *p_other = list[i];
    collision.setObject2(p_other);
    p_o->eventHandler(&collision);
    p_other->eventHandler(&collision);
    if (p_o->getSolidness() == HARD && p_other->getSolidness() == HARD) may_move = false;
    if (p_o->getNoSoft() && p_other->getSolidness() == SOFT) may_move = false;
  }
  return may_move ? 0 : -1;
}

// Where a mover slides to along the side of the hard object it meets.
Vector WorldManager::slideTarget(const Object *p_o, const Object *p_hard) const {
  Vector normal = getNormal(p_o, p_hard);
  Vector tangent(normal.getY(), normal.getX());
  Vector direction = p_o->getDirection();
  Vector slide(direction.getX() * std::fabs(tangent.getX()),
               direction.getY() * std::fabs(tangent.getY()));
  if (std::fabs(normal.getX()) == 1 && std::fabs(normal.getY()) == 1) slide.setX(-slide.getX());
  slide.normalize();
  slide.scale(p_o->getSpeed());
  return p_o->getPosition() + slide;
}

void WorldManager::draw() {
  // In a terminal, runs of plain particles go to the display together, in
  // their place in the order: a run is drawn before any other object is, and
  // nothing runs between a particle joining it and its drawing.
  bool batches = Shape::drawsInBatches();
  Shape::Placed run[DRAW_RUN_MAX];
  int run_length = 0;
  auto drawRun = [&]() {
    if (run_length > 0) Shape::drawAll(run, static_cast<std::size_t>(run_length), view.getCorner());
    run_length = 0;
  };
  // Drawing code may change visibility or altitude; each layer is walked as
  // it was when its turn came.
  for (int altitude = 0; altitude <= MAX_ALTITUDE; altitude++) {
    walkList(scene_graph.visibleList(altitude), [&](Object *p_o) {
      if (!boxIntersectsBox(p_o->worldBox(), view) && !isViewObject(p_o)) return;
      if (batches && drawsOnlyItsShape(p_o)) {
        run[run_length++] = {p_o->position, &p_o->shape};
        if (run_length == DRAW_RUN_MAX) drawRun();
        return;
      }
      drawRun();
      p_o->draw();
      // Its drawing may have changed the display or the log level.
      if (batches) batches = Shape::drawsInBatches();
    });
    drawRun();
  }
}

// Whether drawing p_o draws its shape at its position and nothing else: a
// plain particle (its class draws as every object does) without a sprite.
bool WorldManager::drawsOnlyItsShape(const Object *p_o) const {
  return p_o->has_shape && !p_o->has_sprite && p_quiet_class && typeid(*p_o) == *p_quiet_class;
}

// The free functions of utility.h that convert between world and view.

Vector viewToWorld(Vector view_pos) {
  return view_pos + WorldManager::getInstance().getView().getCorner();
}

Vector worldToView(Vector world_pos) {
  return world_pos - WorldManager::getInstance().getView().getCorner();
}

}  // namespace sb
