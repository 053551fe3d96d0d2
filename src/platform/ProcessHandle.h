#pragma once

#include <cstdint>
#include <memory>

namespace Platform {

// This process's own id.
std::uint32_t CurrentProcessId();

// A handle on a running process. It keeps referring to that one process after it ends, so
// waiting and terminating can never reach another process that reuses its id.
class TProcessHandle {
public:
    // Null when no process with that id exists (or it cannot be opened).
    static std::unique_ptr<TProcessHandle> Open(std::uint32_t ProcessId);

    ~TProcessHandle();
    TProcessHandle(const TProcessHandle&) = delete;
    TProcessHandle& operator=(const TProcessHandle&) = delete;

    // True when the process has ended within TimeoutMs milliseconds.
    bool WaitForExit(int TimeoutMs);
    // Ends the process at once. False when it could not be signalled.
    bool Terminate();

private:
    explicit TProcessHandle(int Descriptor) : FDescriptor(Descriptor) {}
    int FDescriptor;
};

} // namespace Platform
