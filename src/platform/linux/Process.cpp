#include "platform/Process.h"

#include "platform/LastError.h"

#include <glib.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Platform {

namespace {

struct TGErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using TGErrorPtr = std::unique_ptr<GError, TGErrorFree>;

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

class TFd {
public:
    explicit TFd(int fd = -1) : FFd(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() { Close(); }
    int Get() const { return FFd; }
    void Close() {
        if (FFd >= 0) {
            ::close(FFd);
            FFd = -1;
        }
    }

private:
    int FFd;
};

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
    GError* raw = nullptr;
    const gboolean ok = g_spawn_async_with_fds(workingDir, args.data(), nullptr,
                                               static_cast<GSpawnFlags>(flags | G_SPAWN_SEARCH_PATH), setup,
                                               nullptr, pid, stdinFd, outFd, outFd, &raw);
    TGErrorPtr error(raw);
    if (!ok) {
        SetLastErrorText(error ? error->message : "The program could not be started");
        return false;
    }
    return true;
}

void NewGroupSetup(gpointer) {
    setpgid(0, 0);
}

} // namespace

bool SpawnDetached(const std::vector<std::string>& Argv) {
    // Without DO_NOT_REAP_CHILD, GLib hands the child to init, so nothing is left to reap.
    return Spawn(Argv, G_SPAWN_DEFAULT, nullptr, -1, -1, nullptr);
}

bool SpawnInNewProcessGroup(const std::vector<std::string>& Argv) {
    return Spawn(Argv, G_SPAWN_DEFAULT, nullptr, -1, -1, nullptr, &NewGroupSetup);
}

std::optional<std::string> RunCapturingOutput(const std::vector<std::string>& Argv,
                                              const std::string& WorkingDir) {
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
              devNull.Get(), writeEnd.Get(), &pid);
    // Our copy of the write end must go, or the read below never sees the end of the output.
    writeEnd.Close();
    if (!started) {
        return std::nullopt;
    }
    std::string output;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(readEnd.Get(), buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    g_spawn_close_pid(pid);
    return output;
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
    std::unique_ptr<gchar, decltype(&g_free)> found(g_find_program_in_path(Name.c_str()), &g_free);
    return found ? std::string(found.get()) : std::string();
}

bool IsExecutableFile(const std::string& Path) {
    struct stat st {};
    return ::stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(Path.c_str(), X_OK) == 0;
}

} // namespace Platform
