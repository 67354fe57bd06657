#include "EventPath.h"

#include <utility>

namespace sb {

EventPath::EventPath() : result(FAILED), source(0) { setType(PATH_EVENT); }

EventPath::EventPath(Path init_path) : result(FAILED), path(std::move(init_path)), source(0) {
  setType(PATH_EVENT);
}

}  // namespace sb
