#include "platform/ProcessHandle.h"

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

pid_t Spawn(const char* Seconds) {
    pid_t pid = 0;
    char program[] = "/bin/sleep";
    char* argv[] = {program, const_cast<char*>(Seconds), nullptr};
    EXPECT_EQ(posix_spawn(&pid, program, nullptr, nullptr, argv, environ), 0);
    return pid;
}

TEST(ProcessHandle, WaitsForAProcessAndEndsOneThatDoesNotEnd) {
    const pid_t quick = Spawn("0");
    const auto quickHandle = Platform::TProcessHandle::Open(static_cast<std::uint32_t>(quick));
    ASSERT_TRUE(quickHandle);
    EXPECT_TRUE(quickHandle->WaitForExit(5000));
    int status = 0;
    waitpid(quick, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));

    const pid_t slow = Spawn("30");
    const auto slowHandle = Platform::TProcessHandle::Open(static_cast<std::uint32_t>(slow));
    ASSERT_TRUE(slowHandle);
    EXPECT_FALSE(slowHandle->WaitForExit(100));
    EXPECT_TRUE(slowHandle->Terminate());
    EXPECT_TRUE(slowHandle->WaitForExit(5000));
    waitpid(slow, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

TEST(ProcessHandle, OpensNothingForNoProcess) {
    EXPECT_FALSE(Platform::TProcessHandle::Open(0));
    const pid_t gone = Spawn("0");
    int status = 0;
    waitpid(gone, &status, 0); // reaped: the id names no process any more
    EXPECT_FALSE(Platform::TProcessHandle::Open(static_cast<std::uint32_t>(gone)));
    EXPECT_EQ(Platform::CurrentProcessId(), static_cast<std::uint32_t>(getpid()));
}

} // namespace
