#include "SceneGraph.h"

#include "LogManager.h"
#include "utility.h"

namespace sb {

namespace {

bool validAltitude(int altitude) { return altitude >= 0 && altitude <= MAX_ALTITUDE; }

LogManager &logger() { return LogManager::getInstance(); }

int nullObject(const char *operation) {
  logger().writeLog("SceneGraph::%s(): Error! Object is NULL", operation);
  return -1;
}

}  // namespace

BoxRecords SceneGraph::box_records;

#if SORBELANE_GRID
SceneGraph::SceneGraph()
    : grid(this),
      version(0),
      started(false),
      tearing_down(false),
      walked(nullptr),
      walk_copy(nullptr),
      walk_copied(false) {}
#else
SceneGraph::SceneGraph()
    : version(0),
      started(false),
      tearing_down(false),
      walked(nullptr),
      walk_copy(nullptr),
      walk_copied(false) {}
#endif

SceneGraph::~SceneGraph() {
#if SORBELANE_GRID
  grid.shutDown();
#endif
}

int SceneGraph::startUp() {
#if SORBELANE_GRID
  logger().writeLog(1, "Scenegraph configuration: GRID");
  if (grid.startUp() != 0) return -1;
#else
  logger().writeLog(1, "Scenegraph configuration: SIMPLE");
#endif
  started = true;
  tearing_down = false;
  return 0;
}

bool SceneGraph::beginWalk(const ObjectList &list, ObjectList &copy) {
  if (walked) return false;
  walked = &list;
  walk_copy = &copy;
  walk_copied = false;
  return true;
}

void SceneGraph::endWalk() {
  walked = nullptr;
  walk_copy = nullptr;
  walk_copied = false;
}

// A list about to change; the walk reading it in place gets its copy first.
ObjectList &SceneGraph::changing(ObjectList &list) {
  if (&list == walked && !walk_copied) {
    walk_copy->assign(list);
    walk_copied = true;
  }
  return list;
}

void SceneGraph::shutDown() {
#if SORBELANE_GRID
  grid.shutDown();
#endif
  started = false;
}

int SceneGraph::insertObject(Object *p_o) {
  if (!p_o) return nullObject("insertObject");
  version++;
  if (!p_o->isActive()) return inactive_objects.insert(p_o);
  if (changing(objects).insert(p_o) == -1) {
    logger().writeLog("SceneGraph::insertObject(): Error! unable to insert active Object (id %d)",
                      p_o->getId());
    return -1;
  }
  if (p_o->isSolid()) {
    if (solid_objects.insert(p_o) == -1) {
      logger().writeLog("SceneGraph::insertObject(): Error! unable to insert solid Object (id %d)",
                        p_o->getId());
      return -1;
    }
#if SORBELANE_GRID
    if (grid.insertObject(p_o) == -1) {
      logger().writeLog("SceneGraph::insertObject(): Error! unable to add to Grid (id %d)",
                        p_o->getId());
      return -1;
    }
#endif
  }
  if (!p_o->isVisible()) return 0;
  int altitude = p_o->getAltitude();
  if (!validAltitude(altitude)) {
    logger().writeLog("SceneGraph::insertObject(): Warning! Altitude %d not in range [%d,%d]",
                      altitude, 0, MAX_ALTITUDE);
    return -1;
  }
  if (changing(visible_objects[altitude]).insert(p_o) == -1) {
    logger().writeLog("SceneGraph::insertObject(): Error! unable to insert visible object (id %d)",
                      p_o->getId());
    return -1;
  }
  return 0;
}

int SceneGraph::removeObject(Object *p_o) {
  if (!p_o) return nullObject("removeObject");
  version++;
  bool failed = false;
  if (p_o->isActive()) {
    if (changing(objects).remove(p_o) == -1) failed = true;
    if (p_o->isVisible() && validAltitude(p_o->getAltitude()) &&
        changing(visible_objects[p_o->getAltitude()]).remove(p_o) == -1)
      failed = true;
    if (p_o->isSolid()) {
      if (solid_objects.remove(p_o) == -1) failed = true;
#if SORBELANE_GRID
      if (grid.removeObject(p_o) == -1) return -1;
#endif
    }
  } else if (inactive_objects.remove(p_o) == -1) {
    failed = true;
  }
  if (failed) {
    logger().writeLog("SceneGraph::removeObject(): Error removing object! Pointer is %p.",
                      static_cast<void *>(p_o));
    return -1;
  }
  return 0;
}

void SceneGraph::removeSpectralObjects(const Object *const *spectral, int spectral_count) {
  version++;
  changing(objects).removeEach(spectral, spectral_count);
  // Each visible object leaves its own altitude's list.
  for (int altitude = 0; altitude <= MAX_ALTITUDE; altitude++) {
    layer_members.clear();
    for (int i = 0; i < spectral_count; i++)
      if (spectral[i]->isVisible() && spectral[i]->getAltitude() == altitude)
        layer_members.push_back(spectral[i]);
    if (!layer_members.empty())
      changing(visible_objects[altitude])
          .removeEach(layer_members.data(), static_cast<int>(layer_members.size()));
  }
}

ObjectList SceneGraph::activeObjects() const { return objects; }
#if SORBELANE_GRID
ObjectList SceneGraph::solidObjects() const { return solid_objects; }
#else
ObjectList SceneGraph::solidObjects() const { return solid_objects.toList(); }
#endif
ObjectList SceneGraph::inactiveObjects() const { return inactive_objects; }

ObjectList SceneGraph::visibleObjects(int altitude) const {
  if (!validAltitude(altitude)) {
    logger().writeLog("SceneGraph::visibleObjects(): Warning! altitude %d not in [%d,%d].",
                      altitude, 0, MAX_ALTITUDE);
    return ObjectList();
  }
  return visible_objects[altitude];
}

int SceneGraph::updateAltitude(Object *p_o, int new_altitude) {
  if (!p_o) return nullObject("updateAltitude");
  if (!p_o->isActive()) return 0;
  if (!validAltitude(new_altitude)) {
    logger().writeLog("SceneGraph::updateAltitude(): New altitude %d not in [%d,%d]!  No update.",
                      new_altitude, 0, MAX_ALTITUDE);
    return -1;
  }
  int old_altitude = p_o->getAltitude();
  if (!validAltitude(old_altitude)) {
    logger().writeLog(
        "SceneGraph::updateAltitude(): Old altitude %d not in [%d,%d]! This is unxepected. No "
        "update.",
        old_altitude, 0, MAX_ALTITUDE);
    return -1;
  }
  if (!p_o->isVisible()) return 0;
  if (changing(visible_objects[old_altitude]).remove(p_o) == -1 && !tearing_down) {
    logger().writeLog("SceneGraph::updateAltitude(): remove from old altitude (%d) failed!",
                      old_altitude);
    return -1;
  }
  if (changing(visible_objects[new_altitude]).insert(p_o) == -1) {
    logger().writeLog("SceneGraph::updateAltitude()): insert visible object at altitude %d failed!",
                      new_altitude);
    return -1;
  }
  return 0;
}

int SceneGraph::updateSolidness(Object *p_o, Solidness new_solidness) {
  if (!p_o) return nullObject("updateSolidness");
  version++;
  if (!p_o->isActive()) return 0;
  if (new_solidness == SPECTRAL && p_o->isSolid()) {
    if (solid_objects.remove(p_o) == -1 && !tearing_down)
      logger().writeLog("SceneGraph::updateSolidness(): unable to remove solid object (%s)",
                        p_o->getType().c_str());
#if SORBELANE_GRID
    if (grid.removeObject(p_o) == -1) return -1;
#endif
  }
  if (p_o->isSolid() || new_solidness == SPECTRAL) return 0;
  if (solid_objects.insert(p_o) == -1 && !tearing_down) {
    logger().writeLog("SceneGraph::updateSolidness(): Error! unable to insert solid object");
    return -1;
  }
#if SORBELANE_GRID
  logger().writeLog("SceneGraph::updateSolidness(): Adding to grid.");
  if (grid.insertObject(p_o) == -1) {
    logger().writeLog(
        "SceneGraph::updateSolidness(): Error! unable to insert solid object into grid");
    return -1;
  }
#endif
  return 0;
}

int SceneGraph::updateVisible(Object *p_o, bool new_visible) {
  if (!p_o) return nullObject("updateVisible");
  if (!p_o->isActive() || p_o->isVisible() == new_visible) return 0;
  int altitude = p_o->getAltitude();
  if (!validAltitude(altitude)) return -1;
  if (!new_visible) {
    if (changing(visible_objects[altitude]).remove(p_o) == -1 && !tearing_down) {
      logger().writeLog("SceneGraph::updateVisible(): unable to remove visible object (%s)",
                        p_o->getType().c_str());
      return -1;
    }
  } else if (changing(visible_objects[altitude]).insert(p_o) == -1 && !tearing_down) {
    logger().writeLog("SceneGraph::updateVisible(): unable to add visible object (%s)",
                      p_o->getType().c_str());
    return -1;
  }
  return 0;
}

int SceneGraph::updateActive(Object *p_o, bool new_active) {
  if (!p_o) return nullObject("updateActive");
  version++;
  if (p_o->isActive() == new_active) return 0;
  std::string type_text = p_o->getType();
  const char *type = type_text.c_str();
  bool visible = p_o->isVisible() && validAltitude(p_o->getAltitude());
  bool failed = false;
  // A failed list operation is logged and remembered unless tolerated in a tear-down.
  auto check = [this, &failed, type](int result, const char *message) {
    if (result == -1 && !tearing_down) {
      logger().writeLog(message, type);
      failed = true;
    }
  };
  if (!new_active) {
    check(changing(objects).remove(p_o),
          "SceneGraph::updateActive(): remove object (%s) failed for objects!");
    if (visible)
      check(changing(visible_objects[p_o->getAltitude()]).remove(p_o),
            "SceneGraph::updateActive(): remove visible object (%s) failed for visible_objects!");
    if (p_o->isSolid()) {
      check(solid_objects.remove(p_o),
            "SceneGraph::updateActive(): remove object (%s) failed for solid_objects!");
#if SORBELANE_GRID
      if (grid.removeObject(p_o) == -1) return -1;
#endif
    }
    check(inactive_objects.insert(p_o),
          "SceneGraph::updateActive(): insert object (%s) failed for inactive_objects!");
  } else {
    check(changing(objects).insert(p_o),
          "SceneGraph::updateActive(): insert object (%s) failed for objects!");
    if (visible)
      check(changing(visible_objects[p_o->getAltitude()]).insert(p_o),
            "SceneGraph::updateActive(): insert object (%s) failed for visible_objects!");
    if (p_o->isSolid()) {
      check(solid_objects.insert(p_o),
            "SceneGraph::updateActive(): insert object (%s) failed for solid_objects!");
#if SORBELANE_GRID
      if (grid.insertObject(p_o) == -1) return -1;
#endif
    }
    check(inactive_objects.remove(p_o),
          "SceneGraph::updateActive(): remove object (%s) failed for inactive_objects!");
  }
  return failed ? -1 : 0;
}

int SceneGraph::updatePosition(Object *p_o, Vector new_position) {
  if (!p_o) return nullObject("updatePosition");
  if (!p_o->isSolid() || !p_o->isActive()) return 0;
  version++;
#if SORBELANE_GRID
  if (grid.updatePosition(p_o, new_position) == -1) {
    logger().writeLog("SceneGraph::updatePosition(): Error calling grid updatePosition (Object %d)",
                      p_o->getId());
    return -1;
  }
  return 0;
#else
  solid_objects.updateBox(p_o, p_o->worldBoxAt(new_position));
  return 0;
#endif
}

ObjectList SceneGraph::getCollisions(const Object *p_o, Vector where) const {
  ObjectList result;
  collectCollisions(p_o, where, result);
  return result;
}

void SceneGraph::collectCollisions(const Object *p_o, Vector where, ObjectList &result) const {
  if (!p_o) {
    nullObject("getCollisions");
    return;
  }
#if SORBELANE_GRID
  grid.collectCollisions(p_o, where, result);
#else
  solid_objects.forEachMeeting(p_o->worldBoxAt(where), [&](int i) {
    Object *p_other = solid_objects[i];
    if (p_other == p_o) return;
    detail::prefetchObject(p_other);
    result.insert(p_other);
  });
#endif
}

}  // namespace sb
