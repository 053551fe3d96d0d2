#pragma once

#include <string>

namespace Platform {

// The single-instance lock of one application, per user: a file in a folder that only the user
// can reach ($XDG_RUNTIME_DIR/vtr, else vtr-<uid> in the temporary folder, made 0700 and never
// taken over from another user or through a link). Every instance holds the lock shared for its
// whole life, and a plain start needs it alone for a moment, so a plain start learns whether any
// instance lives. The system releases the lock when the process ends, however it ends.
class TInstanceLock {
public:
    explicit TInstanceLock(const std::string& Name);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // As a plain start: false while another instance holds the lock; otherwise holds it shared.
    // True also when no private place for the lock exists: nobody else may keep the user's
    // application from starting.
    bool TryAcquire();
    // Beside the running instances (a launch by one of them): holds the lock shared.
    void Join();

private:
    int FFd = -1;
};

// The process's own lock, kept until the process ends: TryAcquire or Join above.
bool TryAcquireInstanceLock(const std::string& Name);
void JoinInstanceLock(const std::string& Name);

// The lock file's name for Name: a readable part of it and a digest of all of it, a plain
// file name whatever bytes Name holds.
std::string InstanceLockFileName(const std::string& Name);

} // namespace Platform
