#pragma once

namespace Runtime {

// The gates at the end of start-up: the browser-engine check (with its installer) and the
// application password. Returns when the application may go on; raises EApplicationExit
// otherwise.
void PassStartupGates();

} // namespace Runtime
