#include "EventOut.h"

namespace sb {

EventOut::EventOut() { setType(OUT_EVENT); }

}  // namespace sb
