#ifndef SORBELANE_EVENT_PATH_H
#define SORBELANE_EVENT_PATH_H

#include "Event.h"
#include "Path.h"
#include "PathFind.h"

namespace sb {

/// The result of a path search, handed to the object that asked for it
/// (see Object::pathTo()); objects get it without registering.
class EventPath : public Event {
 private:
  SearchResult result;
  Path path;
  // Serial number of the search that produced the event; 0 for events made elsewhere.
  unsigned long long source;

 public:
  /// A FAILED search with an empty path.
  EventPath();
  /// A FAILED search carrying init_path.
  explicit EventPath(Path init_path);

  /// Sets the search's outcome.
  void setResult(SearchResult new_result) { result = new_result; }
  /// The search's outcome; the path is worth following when it is FOUND.
  SearchResult getResult() const { return result; }
  /// Sets the path found.
  void setPath(Path new_path) { path = new_path; }
  /// A copy of the path found.
  Path getPath() const { return path; }
  /// The borrowed path, for handlers that only read it.
  const Path &pathRef() const { return path; }

  /// Sets the serial number of the search that produced the event.
  void setSource(unsigned long long serial) { source = serial; }
  /// Serial number of the search that produced the event; 0 for events made elsewhere.
  unsigned long long getSource() const { return source; }
};

}  // namespace sb

#endif
