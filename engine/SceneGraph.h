#ifndef SORBELANE_SCENE_GRAPH_H
#define SORBELANE_SCENE_GRAPH_H

#include "Constants.h"
#include "Object.h"
#include "ObjectList.h"
#include "Vector.h"

#if SORBELANE_GRID
#include "Grid.h"
#endif

namespace sb {

// Indexes the world's objects by activity, solidness, visibility and altitude.
class SceneGraph {
 private:
  ObjectList objects;
  ObjectList solid_objects;
  ObjectList visible_objects[MAX_ALTITUDE + 1];
  ObjectList inactive_objects;
#if SORBELANE_GRID
  Grid grid;
#endif
  unsigned int version;  // changes whenever what collision queries can find changes

 public:
  SceneGraph();
  ~SceneGraph();

  int startUp();
  void shutDown();

  int insertObject(Object *p_o);
  int removeObject(Object *p_o);

  ObjectList activeObjects() const;
  ObjectList solidObjects() const;
  ObjectList inactiveObjects() const;
  ObjectList visibleObjects(int altitude) const;
  // The lists themselves, for walks that need no copy.
  const ObjectList &activeList() const { return objects; }
  const ObjectList &inactiveList() const { return inactive_objects; }
  const ObjectList &visibleList(int altitude) const { return visible_objects[altitude]; }

  int updateAltitude(Object *p_o, int new_altitude);
  int updateSolidness(Object *p_o, Solidness new_solidness);
  int updateVisible(Object *p_o, bool new_visible);
  int updateActive(Object *p_o, bool new_active);
  int updatePosition(Object *p_o, Vector new_position);

  ObjectList getCollisions(const Object *p_o, Vector where) const;
  // As getCollisions, appending to a caller's list.
  void collectCollisions(const Object *p_o, Vector where, ObjectList &result) const;
  // Compare two readings to learn whether collision answers may have changed.
  unsigned int getVersion() const { return version; }

#if SORBELANE_GRID
  Grid &getGrid() { return grid; }
#endif
};

}  // namespace sb

#endif
