#ifndef SORBELANE_WORLD_MANAGER_H
#define SORBELANE_WORLD_MANAGER_H

#include <unordered_set>

#include "Box.h"
#include "Circle.h"
#include "Line.h"
#include "Manager.h"
#include "ObjectList.h"
#include "SceneGraph.h"
#include "Vector.h"

namespace sb {

// Owns every game object and the world they live in: moves them, delivers
// collision and out events, deletes them, answers queries and holds the view.
class WorldManager : public Manager {
 private:
  WorldManager();
  WorldManager(const WorldManager &) = delete;
  void operator=(const WorldManager &) = delete;

  SceneGraph scene_graph;
  ObjectList deletions;
  // The members of deletions, found without touching the objects: a destructor
  // may mark an object already deleted in the same pass. Those stay in the set
  // until the pass ends, so such a mark is a no-op even when a new object
  // (an explosion made by a destructor) now lives at the same address.
  std::unordered_set<const Object *> marked;
  Object *p_view_following;
  Box boundary;
  Box view;
  Vector view_slack;
  ObjectList update_walk;    // reused copy of the active objects for update()
  ObjectList collisions;     // reused collision list of moveObject()
  int move_depth;            // moveObject() calls in progress (handlers may nest them)

  void deleteMarked();
  void followView(Vector position);
  int resolveCollisions(Object *p_o, Vector &where, ObjectList &list);
  Vector slideTarget(const Object *p_o, const Object *p_hard) const;

 public:
  static WorldManager &getInstance();
  ~WorldManager();

  int startUp() override;
  void shutDown() override;
  bool isValid(std::string event_type) const override;

  int insertObject(Object *p_o);
  int removeObject(Object *p_o);
  int markForDelete(Object *p_o);
  int markForDelete(ObjectList list);

  ObjectList getAllObjects(bool inactive = false) const;
  ObjectList objectsOfType(std::string type) const;
  Object *objectWithId(int id) const;
  SceneGraph &getSceneGraph();

  ObjectList objectsInBox(Box b) const;
  ObjectList objectsOnLine(Line l) const;
  ObjectList objectsInCircle(Circle c) const;
  ObjectList objectsAtPosition(Vector p) const;
  ObjectList getCollisions(Object *p_o, Vector where) const;

  Box getBoundary() const;
  void setBoundary(Box new_boundary);
  Box getView() const;
  void setView(Box new_view);
  Vector getViewSlack() const;
  void setViewSlack(Vector new_view_slack);
  void setViewPosition(Vector center);
  Object *getViewFollowing() const;
  int setViewFollowing(Object *p_new_view_following);

  void update();
  int moveObject(Object *p_o, Vector where);
  void draw();
};

}  // namespace sb

#endif
