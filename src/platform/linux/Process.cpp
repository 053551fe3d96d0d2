#include "platform/Process.h"

#include "platform/LastError.h"
#include "platform/linux/FileDescriptor.h"

#include "base/glib/GLibPtr.h"

#include <glib.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Platform {

namespace {

// A NULL-terminated char* array over strings that outlive it.
std::vector<char*> MakeArgv(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    out.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        out.push_back(const_cast<char*>(a.c_str()));
    }
    out.push_back(nullptr);
    return out;
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

bool Spawn(const std::vector<std::string>& argv, GSpawnFlags flags, const char* workingDir, int stdinFd,
           int outFd, GPid* pid, GSpawnChildSetupFunc setup = nullptr) {
    if (argv.empty() || argv[0].empty()) {
        SetLastErrorFromErrno(ENOENT);
        return false;
    }
    std::vector<char*> args = MakeArgv(argv);
    Base::GLib::TGErrorOut error;
    const gboolean ok = g_spawn_async_with_fds(workingDir, args.data(), nullptr,
                                               static_cast<GSpawnFlags>(flags | G_SPAWN_SEARCH_PATH), setup,
                                               nullptr, pid, stdinFd, outFd, outFd, error.Out());
    if (!ok) {
        SetLastErrorText(error ? error.Message() : "The program could not be started");
        return false;
    }
    return true;
}

void NewGroupSetup(gpointer) {
    setpgid(0, 0);
}

bool IsSignalled(int eventFd) {
    pollfd p{eventFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

// Whether this process may execute the open file, asked of the file itself. Kernels without
// the descriptor form of the check get the mode bits; the exec decides in the end either way.
bool MayExecute(int fd, const struct stat& st) {
    if (::faccessat(fd, "", X_OK, AT_EMPTY_PATH | AT_EACCESS) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    return (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

enum class TExecKind { Elf, Script };

// Runs in the started program's process, after fork: only async-signal-safe calls.
[[noreturn]] void ExecChild(int fd, const struct stat& checked, TExecKind kind, const char* path,
                            char* const* argv, int errorFd) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &dfl, nullptr);
    // Nothing of ours (sockets, the instance lock, pipes) goes to the program.
    ::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
    if (kind == TExecKind::Elf) {
        // The very file that was checked, without looking its path up again.
        ::fexecve(fd, argv, environ);
    } else {
        // A script's interpreter opens it by its path (a descriptor would become its $0): run it
        // only while that path still names the checked file.
        struct stat now {};
        if (::stat(path, &now) == 0 && now.st_dev == checked.st_dev && now.st_ino == checked.st_ino) {
            ::execve(path, argv, environ);
        } else {
            errno = ENOENT;
        }
    }
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(errorFd, &error, sizeof error);
    _exit(127);
}

// Starts the checked file in a grandchild, so that init reaps it, and reports whether its exec
// succeeded.
bool StartDetached(int fd, const struct stat& checked, TExecKind kind, const std::vector<std::string>& argv) {
    std::vector<char*> args = MakeArgv(argv);
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    TFd errorRead(errorPipe[0]);
    TFd errorWrite(errorPipe[1]);
    const pid_t middle = ::fork();
    if (middle < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    if (middle == 0) {
        const pid_t child = ::fork();
        if (child == 0) {
            ExecChild(fd, checked, kind, argv[0].c_str(), args.data(), errorWrite.Get());
        }
        if (child < 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t written = ::write(errorWrite.Get(), &error, sizeof error);
        }
        _exit(0);
    }
    errorWrite.Reset();
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    // The write end closes with the exec; before it, a failure leaves its errno here.
    int error = 0;
    ssize_t n = 0;
    while ((n = ::read(errorRead.Get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (n == static_cast<ssize_t>(sizeof error)) {
        SetLastErrorFromErrno(error);
        return false;
    }
    return true;
}

} // namespace

bool SpawnInNewProcessGroup(const std::vector<std::string>& Argv) {
    return Spawn(Argv, G_SPAWN_DEFAULT, nullptr, -1, -1, nullptr, &NewGroupSetup);
}

TProgramStart StartProgramFile(const std::string& Path, const std::vector<std::string>& Arguments) {
    struct stat st {};
    if (::stat(Path.c_str(), &st) != 0) {
        SetLastErrorFromErrno(errno);
        return TProgramStart::Failed;
    }
    // Folders, devices and pipes are never programs; opening some of them would have effects.
    if (!S_ISREG(st.st_mode)) {
        return TProgramStart::NotAProgram;
    }
    const TFd file(::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0) {
        SetLastErrorFromErrno(errno);
        return TProgramStart::Failed;
    }
    if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) || !MayExecute(file.Get(), st)) {
        return TProgramStart::NotAProgram;
    }
    char magic[4] = {};
    ssize_t n = 0;
    while ((n = ::pread(file.Get(), magic, sizeof magic, 0)) < 0 && errno == EINTR) {
    }
    static constexpr char ElfMagic[4] = {'\x7f', 'E', 'L', 'F'};
    TExecKind kind = TExecKind::Elf;
    if (n == 4 && std::memcmp(magic, ElfMagic, 4) == 0) {
        kind = TExecKind::Elf;
    } else if (n >= 2 && magic[0] == '#' && magic[1] == '!') {
        kind = TExecKind::Script;
    } else {
        return TProgramStart::NotAProgram;
    }
    std::vector<std::string> argv{Path};
    argv.insert(argv.end(), Arguments.begin(), Arguments.end());
    return StartDetached(file.Get(), st, kind, argv) ? TProgramStart::Started : TProgramStart::Failed;
}

TOutputCapture::TOutputCapture() : FCancelFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TOutputCapture::~TOutputCapture() {
    if (FCancelFd >= 0) {
        ::close(FCancelFd);
    }
}

void TOutputCapture::Cancel() {
    const std::uint64_t one = 1;
    // The counter stays above zero: every later Run sees it too.
    [[maybe_unused]] const ssize_t written = ::write(FCancelFd, &one, sizeof one);
}

std::optional<TCapturedOutput> TOutputCapture::Run(const std::vector<std::string>& Argv,
                                                   const std::string& WorkingDir, std::size_t MaxOutput) {
    TCapturedOutput result;
    if (IsSignalled(FCancelFd)) {
        result.End = TCaptureEnd::Cancelled;
        return result;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        SetLastErrorFromErrno(errno);
        return std::nullopt;
    }
    TFd readEnd(fds[0]);
    TFd writeEnd(fds[1]);
    TFd devNull(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    GPid pid = 0;
    const bool started =
        Spawn(Argv, G_SPAWN_DO_NOT_REAP_CHILD, WorkingDir.empty() ? nullptr : WorkingDir.c_str(),
              devNull.Get(), writeEnd.Get(), &pid, &NewGroupSetup);
    // Our copy of the write end must go, or the read below never sees the end of the output.
    writeEnd.Reset();
    if (!started) {
        return std::nullopt;
    }
    // The child has made the group already (GLib returns after its exec); this closes the gap
    // should it not have.
    ::setpgid(pid, pid);
    char buffer[65536];
    pollfd watched[2] = {{readEnd.Get(), POLLIN, 0}, {FCancelFd, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if ((watched[1].revents & POLLIN) != 0) {
            result.End = TCaptureEnd::Cancelled;
            break;
        }
        if (watched[0].revents == 0) {
            continue;
        }
        const ssize_t n = ::read(readEnd.Get(), buffer, sizeof buffer);
        if (n > 0) {
            if (static_cast<std::size_t>(n) > MaxOutput - result.Output.size()) {
                result.End = TCaptureEnd::OutputTooLong;
                break;
            }
            result.Output.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            break;
        }
    }
    if (result.End != TCaptureEnd::Exited) {
        // The child is not reaped yet, so its id still names its group and nothing else.
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
    }
    readEnd.Reset();
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    g_spawn_close_pid(pid);
    return result;
}

std::optional<int> SpawnAndWait(const std::vector<std::string>& Argv, bool NewProcessGroup) {
    GPid pid = 0;
    if (!Spawn(Argv, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, -1, -1, &pid,
               NewProcessGroup ? &NewGroupSetup : nullptr)) {
        return std::nullopt;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    g_spawn_close_pid(pid);
    return ExitCodeOf(status);
}

std::optional<int> SpawnAndWaitPumping(const std::vector<std::string>& Argv,
                                       const std::function<bool()>& Stop) {
    GPid pid = 0;
    if (!Spawn(Argv, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, -1, -1, &pid)) {
        return std::nullopt;
    }
    struct TState {
        bool Exited = false;
        int Status = 0;
    } state;
    const guint watch = g_child_watch_add(
        pid,
        [](GPid child, gint status, gpointer data) {
            auto* s = static_cast<TState*>(data);
            s->Exited = true;
            s->Status = status;
            g_spawn_close_pid(child);
        },
        &state);
    GMainContext* context = g_main_context_default();
    while (!state.Exited && !(Stop && Stop())) {
        g_main_context_iteration(context, TRUE);
    }
    if (!state.Exited) {
        // Asked to stop: forget the child; GLib's watch would otherwise fire into a dead frame.
        g_source_remove(watch);
        return 0;
    }
    return ExitCodeOf(state.Status);
}

std::string FindProgramInPath(const std::string& Name) {
    const Base::GLib::TGString found(g_find_program_in_path(Name.c_str()));
    return found ? std::string(found.get()) : std::string();
}

} // namespace Platform
