#include "Manager.h"

#include "LogManager.h"
#include "Object.h"

namespace sb {

Manager::Manager() : type("Manager"), event_list_count(0), is_started(false) {}

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
  if (event_list_count <= 0) return -1;
  int row = findRow(event_type);
  if (row < 0) return -1;
  if (obj_list[row].remove(p_o) != 0) return -1;
  if (obj_list[row].isEmpty()) dropRow(row);
  return 0;
}

int Manager::onEvent(const Event *p_event) const {
  if (!p_event) return 0;
  const std::string &event_type = p_event->typeRef();
  if (event_type == UNDEFINED_EVENT) {
    LogManager::getInstance().writeLog(1, "Manager(%s)::onEvent(): Warning! Event type %s is undefined.",
                                       type.c_str(), event_type.c_str());
    return 0;
  }
  if (!isValid(event_type)) {
    LogManager::getInstance().writeLog(1, "Manager(%s)::onEvent(): Error! Event type %s not valid.",
                                       type.c_str(), event_type.c_str());
    return 0;
  }
  // Names are unique, so one row at most holds the interested objects. Walk a
  // copy of it: handlers may register, unregister or delete objects.
  int row = findRow(event_type);
  if (row < 0) return 0;
  const ObjectList interested(obj_list[row]);
  int count = 0;
  for (int i = 0; i < interested.getCount(); i++) {
    Object *p_o = interested[i];
    if (!p_o->isActive()) continue;
    p_o->eventHandler(p_event);
    count++;
  }
  return count;
}

}  // namespace sb
