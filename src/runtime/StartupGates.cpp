#include "runtime/StartupGates.h"

namespace Runtime {

void PassStartupGates() {}

} // namespace Runtime
