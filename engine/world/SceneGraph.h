#ifndef SORBELANE_SCENE_GRAPH_H
#define SORBELANE_SCENE_GRAPH_H

#include <vector>

#include "BoxList.h"
#include "BoxRecords.h"
#include "Constants.h"
#include "Object.h"
#include "ObjectList.h"
#include "Vector.h"

#ifndef SORBELANE_GRID
#error \
    "SORBELANE_GRID (1: grid, 0: list scan) comes with the sorbelane-grid or sorbelane-simple target"
#endif
#if SORBELANE_GRID
#include "Grid.h"
#endif

namespace sb {

/// Indexes the world's objects by activity, solidness, visibility and
/// altitude; in the grid build the active solid objects are also filed in a
/// Grid. The world manager holds the one scene graph; the Object setters
/// keep it current by calling the update operations before they change a
/// value, so games rarely call these themselves. It also owns the table of
/// where every object sits in the box lists (BoxRecords).
class SceneGraph {
 private:
  static BoxRecords box_records;
  ObjectList objects;
#if SORBELANE_GRID
  ObjectList solid_objects;
#else
  BoxList solid_objects;  // the list collision queries scan, boxes packed beside it
#endif
  ObjectList visible_objects[MAX_ALTITUDE + 1];
  ObjectList inactive_objects;
#if SORBELANE_GRID
  Grid grid;
#endif
  unsigned int version;  // changes whenever what collision queries can find changes
  bool started;
  bool tearing_down;         // from beginTearDown() to the next startUp()
  const ObjectList *walked;  // the list a walk reads in place, if any
  ObjectList *walk_copy;     // where that list is copied before it first changes
  bool walk_copied;
  std::vector<const Object *> layer_members;  // removeSpectralObjects()'s objects of one altitude

  ObjectList &changing(ObjectList &list);

 public:
  /// An empty scene graph.
  SceneGraph();
  ~SceneGraph();

  /// Starts the grid in the grid build; 0, or -1 (logged) when the grid
  /// cannot start. Always 0 in the simple build. Ends a tear-down.
  int startUp();
  /// Stops the grid in the grid build.
  void shutDown();
  /// True from a successful startUp() to shutDown().
  bool isStarted() const { return started; }
  /// Begins the world's tear-down: from now until the next startUp() objects
  /// leave in an order that may find them gone from a list already, so a
  /// list operation that fails is neither logged nor reported. The world
  /// manager calls it as it shuts down, before it deletes the objects.
  void beginTearDown() { tearing_down = true; }
  /// True from beginTearDown() to the next startUp().
  bool isTearingDown() const { return tearing_down; }
  /// The places of every object in the box lists. One table serves the
  /// whole process, since an object carries one record number into it.
  static BoxRecords &boxRecords() { return box_records; }

  /// Files an object by its current state; 0, or -1 (logged) when p_o is
  /// null, a list refuses it or a visible object's altitude is out of range.
  int insertObject(Object *p_o);
  /// Takes an object out of every list it is filed in; 0, or -1 (logged)
  /// when p_o is null or missing from a list it should be in.
  int removeObject(Object *p_o);
  /// Takes each of the given objects out of the lists at once (many
  /// destroyed together; fastest in the order they were filed); for active,
  /// spectral objects only.
  void removeSpectralObjects(const Object *const *spectral, int spectral_count);

  /// A copy of the active objects.
  ObjectList activeObjects() const;
  /// A copy of the active solid objects.
  ObjectList solidObjects() const;
  /// A copy of the inactive objects.
  ObjectList inactiveObjects() const;
  /// A copy of the active visible objects at altitude; empty (logged) for
  /// an altitude outside 0..MAX_ALTITUDE.
  ObjectList visibleObjects(int altitude) const;
  /// The active objects themselves, for walks that need no copy.
  const ObjectList &activeList() const { return objects; }
  /// Begins a walk that reads list (activeList() or a visibleList()) in
  /// place: before the list first changes, it is copied into copy, and the
  /// walk goes on in the copy (see walkList()), so it sees the list as it was
  /// when it began. False, with nothing begun, while another walk is under way.
  bool beginWalk(const ObjectList &list, ObjectList &copy);
  /// The list that the walk begun with list and copy reads now.
  const ObjectList &walkList(const ObjectList &list, const ObjectList &copy) const {
    return walk_copied ? copy : list;
  }
  /// Ends the walk begun by beginWalk().
  void endWalk();
  /// The inactive objects themselves, for walks that need no copy.
  const ObjectList &inactiveList() const { return inactive_objects; }
  /// The active visible objects at altitude themselves; altitude must be in
  /// 0..MAX_ALTITUDE (not checked).
  const ObjectList &visibleList(int altitude) const { return visible_objects[altitude]; }

  /// Moves an object to the list of new_altitude; 0 (also for an inactive
  /// or invisible object), or -1 (logged) when p_o is null, either altitude
  /// is out of range or a list operation fails.
  int updateAltitude(Object *p_o, int new_altitude);
  /// Files an object as solid or not for new_solidness; 0, or -1 (logged)
  /// when p_o is null or a list or the grid refuses.
  int updateSolidness(Object *p_o, Solidness new_solidness);
  /// Adds an active object to its altitude's visible list or takes it out;
  /// 0, or -1 (logged) when p_o is null, its altitude is out of range or a
  /// list operation fails.
  int updateVisible(Object *p_o, bool new_visible);
  /// Moves an object between the active and inactive lists; 0, or -1
  /// (logged) when p_o is null or a list operation fails. During a
  /// tear-down, failed list operations are tolerated.
  int updateActive(Object *p_o, bool new_active);
  /// Re-files an active solid object in the grid for new_position (nothing
  /// in the simple build); 0, or -1 (logged) when p_o is null or the grid
  /// fails.
  int updatePosition(Object *p_o, Vector new_position);

  /// The active solid objects, other than p_o, whose boxes overlap p_o's box
  /// placed at where; empty (logged) for a null object.
  ObjectList getCollisions(const Object *p_o, Vector where) const;
  /// As getCollisions, appending to a caller's list.
  void collectCollisions(const Object *p_o, Vector where, ObjectList &result) const;
  /// Compare two readings to learn whether collision answers may have changed.
  unsigned int getVersion() const { return version; }

#if SORBELANE_GRID
  /// The grid of the active solid objects (grid build only).
  Grid &getGrid() { return grid; }
#endif
};

}  // namespace sb

#endif
