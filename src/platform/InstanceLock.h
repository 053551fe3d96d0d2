#pragma once

#include <string>

namespace Platform {

// Takes the per-user lock named Name for the rest of the process (the system releases it
// when the process ends). False only when another process holds it.
bool TryAcquireInstanceLock(const std::string& Name);

} // namespace Platform
