#ifndef SORBELANE_EVENT_PATH_H
#define SORBELANE_EVENT_PATH_H

#include "Event.h"
#include "Path.h"
#include "PathFind.h"

namespace sb {

// The result of a path search, handed to the object that asked for it.
class EventPath : public Event {
 private:
  SearchResult result;
  Path path;
  // Serial number of the search that produced the event; 0 for events made elsewhere.
  unsigned long long source;

 public:
  EventPath();
  explicit EventPath(Path init_path);

  void setResult(SearchResult new_result) { result = new_result; }
  SearchResult getResult() const { return result; }
  void setPath(Path new_path) { path = new_path; }
  Path getPath() const { return path; }
  // The borrowed path, for handlers that only read it.
  const Path &pathRef() const { return path; }

  void setSource(unsigned long long serial) { source = serial; }
  unsigned long long getSource() const { return source; }
};

}  // namespace sb

#endif
