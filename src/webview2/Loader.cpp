#include "webview2/Loader.h"

#include "webview2/Com.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/auxv.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace WebView2 {

namespace {

// Names the engine a child process is started to probe.
constexpr char ProbeVariable[] = "VTR_ENGINE_PROBE";
// The child's answer for a usable engine: an exit code that a library ending the process from
// its own start-up code is unlikely to give.
constexpr int UsableExitCode = 73;
constexpr auto ProbeTimeout = std::chrono::seconds(10);

// The child's result: its exit code, or -1 when it was killed, ended by a signal or lost.
int WaitForProbe(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + ProbeTimeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 && errno != EINTR) {
            return -1;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

struct TEngineLibrary::TImpl {
    struct TCloser {
        void operator()(void* Library) const { dlclose(Library); }
    };
    std::unique_ptr<void, TCloser> Handle;
};

TEngineLibrary::TEngineLibrary(std::unique_ptr<TImpl> Impl) : FImpl(std::move(Impl)) {}

TEngineLibrary::~TEngineLibrary() = default;

std::unique_ptr<TEngineLibrary> TEngineLibrary::Load(const std::string& Path, std::string* Error) {
    auto fail = [&](std::string Why) -> std::unique_ptr<TEngineLibrary> {
        if (Error != nullptr) {
            *Error = std::move(Why);
        }
        return nullptr;
    };
    if (Path.empty()) {
        return fail("no engine library path");
    }
    // RTLD_NODELETE: the engine registers GObject types and leaves callbacks with the toolkit
    // that may outlive the handle; unmapping its code would leave them dangling.
    auto impl = std::make_unique<TImpl>();
    impl->Handle.reset(dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
    if (!impl->Handle) {
        const char* why = dlerror();
        return fail(why != nullptr ? why : "cannot load " + Path);
    }
    auto symbol = [&](const char* Name) { return dlsym(impl->Handle.get(), Name); };
    auto abi = reinterpret_cast<VtrEngineAbiVersionFunc>(symbol("VtrEngineAbiVersion"));
    auto create =
        reinterpret_cast<CreateCoreWebView2EnvironmentFunc>(symbol("CreateCoreWebView2Environment"));
    auto version = reinterpret_cast<GetCoreWebView2BrowserVersionStringFunc>(
        symbol("GetCoreWebView2BrowserVersionString"));
    auto available = reinterpret_cast<GetAvailableCoreWebView2BrowserVersionStringFunc>(
        symbol("GetAvailableCoreWebView2BrowserVersionString"));
    if (abi == nullptr || create == nullptr || version == nullptr || available == nullptr) {
        return fail(Path + " is not an engine library: an export is missing");
    }
    const UINT32 abiVersion = abi();
    if (abiVersion < EngineAbiVersion) {
        return fail(Path + " is an older engine (ABI " + std::to_string(abiVersion) + ", needed " +
                    std::to_string(EngineAbiVersion) + ")");
    }
    std::unique_ptr<TEngineLibrary> library(new TEngineLibrary(std::move(impl)));
    library->FPath = Path;
    library->FAbiVersion = abiVersion;
    library->FCreateEnvironment = create;
    library->FGetVersion = version;
    library->FGetAvailableVersion = available;
    return library;
}

HRESULT TEngineLibrary::CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* Handler) const {
    return FCreateEnvironment(Handler);
}

HRESULT TEngineLibrary::GetCoreWebView2BrowserVersionString(LPCSTR BrowserExecutableFolder,
                                                            LPSTR* VersionInfo) const {
    return FGetVersion(BrowserExecutableFolder, VersionInfo);
}

HRESULT TEngineLibrary::GetAvailableCoreWebView2BrowserVersionString(LPCSTR BrowserExecutableFolder,
                                                                     LPSTR* VersionInfo) const {
    return FGetAvailableVersion(BrowserExecutableFolder, VersionInfo);
}

void* TEngineLibrary::Symbol(const char* Name) const {
    return dlsym(FImpl->Handle.get(), Name);
}

bool IsUsableEngine(const std::string& Path) {
    const std::string request = ProbeVariable + ("=" + Path);
    std::vector<char*> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        if (std::strncmp(*e, request.c_str(), sizeof ProbeVariable) != 0) {
            env.push_back(*e);
        }
    }
    env.push_back(const_cast<char*>(request.c_str()));
    env.push_back(nullptr);
    char name[] = "vtr-engine-probe";
    char* argv[] = {name, nullptr};

    // Whatever the library prints at load goes nowhere.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const int fd : {0, 1, 2}) {
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 && WaitForProbe(pid) == UsableExitCode;
}

void AnswerEngineProbe() {
    const char* path = std::getenv(ProbeVariable);
    // A program started with raised privileges never loads a library named by its environment.
    if (path == nullptr || getauxval(AT_SECURE) != 0) {
        return;
    }
    const bool usable = TEngineLibrary::Load(path) != nullptr;
    // Straight out: nothing of the library (exit handlers, destructors) runs after the answer.
    std::_Exit(usable ? UsableExitCode : 1);
}

std::string GetAvailableBrowserVersion(const std::string& Path) {
    const auto library = TEngineLibrary::Load(Path);
    if (!library) {
        return {};
    }
    LPSTR version = nullptr;
    const HRESULT hr = library->GetAvailableCoreWebView2BrowserVersionString("", &version);
    std::string text = TakeString(version);
    return Succeeded(hr) ? text : std::string();
}

} // namespace WebView2
