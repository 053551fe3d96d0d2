#pragma once

namespace Platform {

enum class TSessionEnd { Logoff, Reboot, PowerOff };

// Asks logind on the system bus to end the session, reboot or power off, without asking
// other programs or the user. False, with the last error set, when logind refuses.
bool EndSession(TSessionEnd How);

} // namespace Platform
