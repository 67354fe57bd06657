#ifndef SORBELANE_MANAGER_H
#define SORBELANE_MANAGER_H

#include <string>

#include "Constants.h"
#include "Event.h"
#include "ObjectList.h"

namespace sb {

class Object;

// Base of every engine service: a type name, a started flag and the table
// of objects interested in each event type.
class Manager {
 private:
  std::string type;
  int event_list_count;
  std::string event_name[MAX_EVENTS];
  ObjectList obj_list[MAX_EVENTS];
  bool is_started;

  int findRow(const std::string &event_type) const;
  void dropRow(int row);

 public:
  Manager();
  virtual bool isValid(std::string event_type) const;
  virtual ~Manager();
  virtual int startUp();
  virtual void shutDown();

  std::string getType() const;
  void setType(std::string new_type);
  bool isStarted() const;

  int registerInterest(Object *p_o, std::string event_type);
  int unregisterInterest(Object *p_o, std::string event_type);
  int onEvent(const Event *p_event) const;

  // Number of interest rows in use (for diagnostics and tests).
  int getEventListCount() const { return event_list_count; }
};

}  // namespace sb

#endif
