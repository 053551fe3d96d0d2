#pragma once

#include <string_view>

namespace Platform {

// Writes Bytes to Fd, a FIFO or a device opened non-blocking. It waits while the reader keeps
// taking data and gives up once the reader has taken nothing for a few seconds, since the caller
// may be the GUI thread. A reader that goes away fails the write instead of ending the process
// with SIGPIPE. False, with the last error set, on failure.
bool WriteToReader(int Fd, std::string_view Bytes);

} // namespace Platform
