#include "BoxRecords.h"

namespace sb {

int BoxRecords::recordsInUse() const { return static_cast<int>(places.size() - unused.size()); }

}  // namespace sb
