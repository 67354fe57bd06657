#ifndef SORBELANE_MANAGER_H
#define SORBELANE_MANAGER_H

#include <string>
#include <vector>

#include "Constants.h"
#include "Event.h"
#include "ObjectList.h"

namespace sb {

class Object;

/// Base of every engine service: a type name, a started flag and the table
/// of objects interested in each event type. Each manager is a singleton
/// reached with its getInstance(); games use the derived managers.
class Manager {
 private:
  std::string type;
  int event_list_count;
  std::string event_name[MAX_EVENTS];
  ObjectList obj_list[MAX_EVENTS];
  bool is_started;

  // Deliveries walk the rows in place. While one is in progress rows keep
  // their indices: an unregistered entry stays (the deliveries already under
  // way still send it the event, as if they walked a copy made at their
  // start) and is noted in pending; the entry of an object being destroyed
  // becomes a hole. The outermost delivery applies both when it ends.
  struct PendingRemoval {
    int row;
    int index;
    unsigned int stamp;  // clock value when unregistered
  };
  mutable int delivery_depth;
  mutable unsigned int clock;  // counts delivery starts and removals
  mutable std::vector<PendingRemoval> pending;
  mutable bool holes_made;  // an entry became a hole during a delivery
  // Managers with a delivery under way, innermost first, so that an object
  // being destroyed can be taken out of every walk that could still reach it.
  static Manager *delivering;
  mutable Manager *outer_delivering;

  int findRow(const std::string &event_type) const;
  void dropRow(int row);
  int findEntry(int row, const Object *p_o) const;
  bool removedBefore(int row, int index, unsigned int stamp) const;
  void finishDeliveries() const;
  void skipPendingEntriesOf(const Object *p_o);
  int removeInterest(Object *p_o, const std::string &event_type, bool going);
  // Sends p_event to the first length entries of row: each active object
  // not unregistered before the clock showed start (checked when nested).
  // Defined with Object, whose handlers it calls: objects sit above the
  // managers.
  int deliverRow(int row, int length, unsigned int start, bool nested, const Event *p_event) const;

 public:
  /// A manager of type "Manager", not started, with no interests.
  Manager();
  /// Whether objects may register interest in event_type with this manager.
  /// The base accepts no event type.
  virtual bool isValid(std::string event_type) const;
  virtual ~Manager();
  /// Marks the manager started; 0. Starting twice logs a warning.
  virtual int startUp();
  /// Marks the manager stopped. Stopping one not started logs a warning.
  virtual void shutDown();

  /// The manager's type name, such as "WorldManager".
  std::string getType() const;
  /// Sets the type name used in log lines.
  void setType(std::string new_type);
  /// Whether startUp() succeeded and shutDown() has not been called since.
  bool isStarted() const;

  /// Adds p_o to the objects sent events of event_type; 0, or -1 when the
  /// type is not valid here (logged), MAX_EVENTS types are already in use or
  /// p_o is null. Objects usually call Object::registerInterest() instead.
  int registerInterest(Object *p_o, std::string event_type);
  /// Removes p_o from the objects sent events of event_type; 0, or -1 when it
  /// was not registered for that type.
  int unregisterInterest(Object *p_o, std::string event_type);
  /// As unregisterInterest(), for an object that is being destroyed: a
  /// delivery in progress no longer sends it the event (Object's destructor
  /// calls this).
  int dropInterest(Object *p_o, std::string event_type);
  /// As dropInterest() for each of the given objects at once (for many
  /// objects destroyed together; fastest in the order they registered); the
  /// number taken out, or -1 with nothing done while a delivery is under way.
  int dropInterestOfAll(const Object *const *objects, int object_count,
                        const std::string &event_type);
  /// Whether any manager is delivering an event now.
  static bool anyDelivering() { return delivering != nullptr; }
  /// The manager that objects register with for event_type: the input manager
  /// for keyboard and mouse events, the game manager for steps, the network
  /// manager for the network events (started or not), the world manager for
  /// every other name. Defined with the game manager, which sits above them all.
  static Manager &handlerOf(const std::string &event_type);
  /// Called by Object's destructor: no delivery under way, in any manager,
  /// sends p_o another event, even where it was unregistered (and so no
  /// longer named by the object) but still due the event in progress.
  static void objectDestroyed(const Object *p_o);
  /// Sends p_event to the eventHandler() of every active object interested
  /// in its type; returns how many were sent it (0 for a null, undefined or
  /// invalid event, the last two logged). Handlers may register, unregister
  /// or delete objects meanwhile.
  int onEvent(const Event *p_event) const;

  /// Number of event types with interested objects (for diagnostics and tests).
  int getEventListCount() const { return event_list_count; }
};

}  // namespace sb

#endif
