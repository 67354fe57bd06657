#ifndef SORBELANE_WORLD_MANAGER_H
#define SORBELANE_WORLD_MANAGER_H

#include <typeinfo>
#include <unordered_set>
#include <vector>

#include "Box.h"
#include "Circle.h"
#include "Line.h"
#include "Manager.h"
#include "ObjectList.h"
#include "SceneGraph.h"
#include "Vector.h"

namespace sb {

/// Owns every game object and the world they live in: moves them, delivers
/// collision and out events, deletes them, answers queries and holds the view.
/// Every position, box and extent here is in world cells.
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
  // update() and draw() read the scene graph's lists in place; walk takes
  // the copy a list needs when it changes during the walk, kept between steps
  // so that a step allocates nothing. A walk that starts while one is under
  // way (a handler calling them) walks a copy of its own.
  ObjectList walk;
  ObjectList collisions;  // reused collision list of moveObject()
  int move_depth;         // moveObject() calls in progress (handlers may nest them)

  // Plain particles deleted together leave the lists at once; a
  // shorter run goes one by one, which costs less for so few.
  static constexpr int QUIET_RUN_MIN = 16;
  std::vector<const Object *> quiet_run;
  const std::type_info *p_quiet_class = nullptr;  // the plain particle's, once one is made

  template <class Visit>
  void walkList(const ObjectList &list, Visit visit);
  void deleteMarked();
  bool isQuiet(const Object *p_o) const;
  // Plain particles drawn together in a terminal, at most this many at once.
  static constexpr int DRAW_RUN_MAX = 256;
  bool drawsOnlyItsShape(const Object *p_o) const;
  void deleteQuietRun(int begin, int end);
  void followView(Vector position);
  int resolveCollisions(Object *p_o, Vector &where, ObjectList &list);
  Vector slideTarget(const Object *p_o, const Object *p_hard) const;

 public:
  /// Names the class of the plain particle, whose objects run no game code
  /// when deleted, so that many deleted together leave the lists at once
  /// (the particle's constructor calls this). Until then, and for every
  /// other class, objects are deleted one by one.
  void setQuietClass(const std::type_info &type) { p_quiet_class = &type; }

  /// The one world manager.
  static WorldManager &getInstance();
  ~WorldManager();

  /// Empties the world, clears boundary, view and view slack, and starts
  /// the scene graph; 0, or -1 (logged) when the scene graph cannot start
  /// (such as a grid of no cells). Starting again only logs.
  int startUp() override;
  /// Deletes every object, marked, active and inactive, and stops the scene graph.
  void shutDown() override;
  /// Every event type but keyboard, mouse and step (other managers send
  /// those) and collision and out (sent without registering); a refusal is
  /// logged. Game-defined types and view events are valid.
  bool isValid(std::string event_type) const override;

  /// Adds an object to the world (the Object constructor does this); 0, or
  /// -1 when p_o is null (logged), the manager is not started or the scene
  /// graph refuses it.
  int insertObject(Object *p_o);
  /// Takes an object out of the world (the Object destructor does this) and
  /// stops the view following it; 0, or -1 (logged) when p_o is null.
  int removeObject(Object *p_o);
  /// Deletes the object when the world's next update() ends (or at
  /// shut-down). Marking again is harmless; 0, or -1 (logged) when p_o is null.
  int markForDelete(Object *p_o);
  /// Marks every object of list; -1 when any mark failed, else 0.
  int markForDelete(ObjectList list);

  /// The active objects, followed by the inactive ones when inactive is true.
  ObjectList getAllObjects(bool inactive = false) const;
  /// The active objects whose type is type.
  ObjectList objectsOfType(std::string type) const;
  /// The object, active or not, with this id, or null.
  Object *objectWithId(int id) const;
  /// The index of the world's objects.
  SceneGraph &getSceneGraph();

  /// The active objects whose boxes overlap b.
  ObjectList objectsInBox(Box b) const;
  /// The active objects whose boxes the segment l crosses.
  ObjectList objectsOnLine(Line l) const;
  /// The active objects whose boxes overlap the circle c.
  ObjectList objectsInCircle(Circle c) const;
  /// The active objects whose boxes overlap the cell centred on p.
  ObjectList objectsAtPosition(Vector p) const;
  /// The active solid objects, other than p_o, that p_o's box would overlap
  /// at where; empty for a null object.
  ObjectList getCollisions(Object *p_o, Vector where) const;

  /// The world's extent; objects leaving it get an out event and the view
  /// stays inside it. Start-up sets it to the window's size in cells.
  Box getBoundary() const;
  /// Sets the world's extent.
  void setBoundary(Box new_boundary);
  /// The part of the world shown in the window; its corner is the world
  /// position of the window's top-left cell.
  Box getView() const;
  /// Sets the part of the world shown.
  void setView(Box new_view);
  /// The fractions (0 to 1) of the view's width and height, about its
  /// centre, within which a followed object moves without moving the view.
  Vector getViewSlack() const;
  /// Sets the view slack; values outside 0 to 1 are logged but kept.
  void setViewSlack(Vector new_view_slack);
  /// Centres the view on center, as far as the boundary allows.
  void setViewPosition(Vector center);
  /// The object the view follows, or null.
  Object *getViewFollowing() const;
  /// Makes the view follow an object and centres it on the object; null
  /// stops following. 0, or -1 when the object is not in the world.
  int setViewFollowing(Object *p_new_view_following);

  /// One step of the world (the game loop calls it): moves every active
  /// object by its velocity, follows paths, applies accelerations, then
  /// deletes the marked objects.
  void update();
  /// Moves p_o to where. For each solid object a solid mover would overlap,
  /// both get a collision event; a HARD mover that avoids collisions first
  /// turns to slide along a HARD obstacle. Returns 0 after the move, or -1
  /// when the move is blocked (HARD meets HARD, a no-soft mover meets SOFT,
  /// or the slide meets HARD too) and the object stays put, or for a null
  /// object (logged). An object whose box leaves the boundary gets an out event.
  int moveObject(Object *p_o, Vector where);
  /// Draws the visible objects from altitude 0 up: those inside the view,
  /// and every view object.
  void draw();
};

}  // namespace sb

#endif
