#include "Manager.h"

#include "LogManager.h"

namespace sb {

Manager *Manager::delivering = nullptr;

Manager::Manager()
    : type("Manager"),
      event_list_count(0),
      is_started(false),
      delivery_depth(0),
      clock(0),
      holes_made(false),
      outer_delivering(nullptr) {}

Manager::~Manager() {}

void Manager::setType(std::string new_type) { type = new_type; }

std::string Manager::getType() const { return type; }

bool Manager::isStarted() const { return is_started; }

bool Manager::isValid(std::string) const { return false; }

int Manager::startUp() {
  if (is_started)
    LogManager::getInstance().writeLog(1, "Manager::startUp(): Warning! %s already started.",
                                       type.c_str());
  is_started = true;
  return 0;
}

void Manager::shutDown() {
  if (!is_started)
    LogManager::getInstance().writeLog(1, "Manager::shutDown(): Warning! %s not started.",
                                       type.c_str());
  is_started = false;
}

int Manager::findRow(const std::string &event_type) const {
  for (int i = 0; i < event_list_count; i++)
    if (event_name[i] == event_type) return i;
  return -1;
}

// Closes the gap left by an emptied row, keeping the order of the others.
void Manager::dropRow(int row) {
  for (int j = row; j < event_list_count - 1; j++) {
    event_name[j] = event_name[j + 1];
    obj_list[j] = obj_list[j + 1];
  }
  event_list_count--;
}

int Manager::registerInterest(Object *p_o, std::string event_type) {
  if (!isValid(event_type)) {
    LogManager::getInstance().writeLog(
        "Manager(%s)::registerInterest(): Event '%s' not valid for this Manager", type.c_str(),
        event_type.c_str());
    return -1;
  }
  int row = findRow(event_type);
  if (row >= 0) return obj_list[row].insert(p_o);
  if (event_list_count >= MAX_EVENTS) return -1;
  event_name[event_list_count] = event_type;
  obj_list[event_list_count].clear();
  if (obj_list[event_list_count].insert(p_o) != 0) return -1;
  event_list_count++;
  return 0;
}

int Manager::unregisterInterest(Object *p_o, std::string event_type) {
  return removeInterest(p_o, event_type, false);
}

int Manager::dropInterest(Object *p_o, std::string event_type) {
  return removeInterest(p_o, event_type, true);
}

int Manager::dropInterestOfAll(const Object *const *objects, int object_count,
                               const std::string &event_type) {
  if (delivery_depth > 0) return -1;
  int row = findRow(event_type);
  if (row < 0) return 0;
  int taken = obj_list[row].removeEach(objects, object_count);
  if (obj_list[row].isEmpty()) dropRow(row);
  return taken;
}

// Whether entry index of row was unregistered before the clock showed stamp.
bool Manager::removedBefore(int row, int index, unsigned int stamp) const {
  for (const PendingRemoval &removal : pending)
    if (removal.row == row && removal.index == index && removal.stamp <= stamp) return true;
  return false;
}

// The first entry of p_o in row that is not already unregistered, or -1.
int Manager::findEntry(int row, const Object *p_o) const {
  const ObjectList &list = obj_list[row];
  for (int i = 0; i < list.getCount(); i++)
    if (list[i] == p_o && !removedBefore(row, i, clock)) return i;
  return -1;
}

int Manager::removeInterest(Object *p_o, const std::string &event_type, bool going) {
  if (event_list_count <= 0) return -1;
  int row = findRow(event_type);
  if (row < 0) return -1;
  if (delivery_depth == 0) {
    if (obj_list[row].remove(p_o) != 0) return -1;
    if (obj_list[row].isEmpty()) dropRow(row);
    return 0;
  }
  int index = findEntry(row, p_o);
  if (index < 0) return -1;
  if (going) {
    obj_list[row].makeHole(index);
    holes_made = true;
  } else {
    pending.push_back(PendingRemoval{row, index, ++clock});
  }
  return 0;
}

// Entries unregistered during the deliveries still name their object until
// the deliveries end; those of an object being destroyed become holes now.
void Manager::skipPendingEntriesOf(const Object *p_o) {
  for (const PendingRemoval &removal : pending) {
    if (obj_list[removal.row][removal.index] != p_o) continue;
    obj_list[removal.row].makeHole(removal.index);
    holes_made = true;
  }
}

void Manager::objectDestroyed(const Object *p_o) {
  for (Manager *m = delivering; m; m = m->outer_delivering) m->skipPendingEntriesOf(p_o);
}

// Applies the removals noted during deliveries and drops the rows they emptied.
void Manager::finishDeliveries() const {
  if (pending.empty() && !holes_made) return;
  holes_made = false;
  Manager *self = const_cast<Manager *>(this);
  for (const PendingRemoval &removal : pending) self->obj_list[removal.row].makeHole(removal.index);
  pending.clear();
  for (int row = event_list_count - 1; row >= 0; row--) {
    self->obj_list[row].dropHoles();
    if (obj_list[row].isEmpty()) self->dropRow(row);
  }
}

int Manager::onEvent(const Event *p_event) const {
  if (!p_event) return 0;
  const std::string &event_type = p_event->typeRef();
  if (event_type == UNDEFINED_EVENT) {
    LogManager::getInstance().writeLog(
        1, "Manager(%s)::onEvent(): Warning! Event type %s is undefined.", type.c_str(),
        event_type.c_str());
    return 0;
  }
  if (!isValid(event_type)) {
    LogManager::getInstance().writeLog(1, "Manager(%s)::onEvent(): Error! Event type %s not valid.",
                                       type.c_str(), event_type.c_str());
    return 0;
  }
  // Names are unique, so one row at most holds the interested objects. The
  // row is walked in place up to its length at the start: objects registered
  // meanwhile wait for the next event, unregistered ones still get this one,
  // destroyed ones do not (see PendingRemoval).
  int row = findRow(event_type);
  if (row < 0) return 0;
  const int length = obj_list[row].getCount();
  const unsigned int start = ++clock;
  const bool nested = !pending.empty();  // earlier removals to honour
  if (delivery_depth++ == 0) {
    outer_delivering = delivering;
    delivering = const_cast<Manager *>(this);
  }
  int count = deliverRow(row, length, start, nested, p_event);
  if (--delivery_depth == 0) {
    delivering = outer_delivering;
    outer_delivering = nullptr;
    finishDeliveries();
  }
  return count;
}

}  // namespace sb
