#include "DisplayBackEnd.h"

namespace sb {

DisplayBackEnd::~DisplayBackEnd() = default;

}  // namespace sb
