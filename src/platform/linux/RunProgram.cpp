#include "platform/RunProgram.h"

#include "base/glib/GLibPtr.h"
#include "platform/LastError.h"

#include <glib.h>
#include <sys/wait.h>

namespace Platform {

std::optional<TProgramRun> RunProgram(const std::vector<std::string>& Argv,
                                      const std::vector<std::pair<std::string, std::string>>& Environment) {
    if (Argv.empty()) {
        SetLastErrorText("No program given");
        return std::nullopt;
    }
    std::vector<char*> args;
    for (const std::string& a : Argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    char** env = g_get_environ();
    for (const auto& [name, value] : Environment) {
        env = g_environ_setenv(env, name.c_str(), value.c_str(), TRUE);
    }
    const Base::GLib::TGStrv envp(env);
    char* out = nullptr;
    char* err = nullptr;
    int status = 0;
    Base::GLib::TGErrorOut error;
    const gboolean started =
        g_spawn_sync(nullptr, args.data(), envp.get(), static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH), nullptr,
                     nullptr, &out, &err, &status, error.Out());
    const Base::GLib::TGString stdoutText(out);
    const Base::GLib::TGString stderrText(err);
    if (!started) {
        SetLastErrorText(error.Message());
        return std::nullopt;
    }
    TProgramRun run;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Output = std::string(stdoutText ? stdoutText.get() : "") + (stderrText ? stderrText.get() : "");
    return run;
}

} // namespace Platform
