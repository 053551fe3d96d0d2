#include "platform/GuiThread.h"
#include "shared/BrowserExternalModule.h"
#include "shared/SysUtils.h"

#include <system_error>
#include <thread>

// Bridge functions of the shell and the session. Nothing here restricts what the page may
// open, start or run.

namespace Shared {

void TBrowserExternalModule::ShellExecute(const std::string& Uuid, const nlohmann::json& Data) {
    const std::string filePath = GetTextArg(Data, "filePath", "");
    const std::string arguments = GetTextArg(Data, "arguments", "");
    if (filePath.empty()) {
        PostFailure(Uuid, TextResult("Missing filePath"));
        return;
    }
    if (!TSysUtils::ShellExec(filePath, arguments)) {
        PostFailure(Uuid, TextResult(TSysUtils::LastErrorMessage()));
        return;
    }
    PostSuccess(Uuid, BoolResult(true));
}

void TBrowserExternalModule::ShellExplore(const std::string& Uuid, const nlohmann::json& Data) {
    const std::string filePath = GetTextArg(Data, "filePath", "");
    if (filePath.empty()) {
        PostFailure(Uuid, TextResult("Missing filePath"));
        return;
    }
    if (!TSysUtils::ShellExplore(filePath)) {
        PostFailure(Uuid, TextResult(TSysUtils::LastErrorMessage()));
        return;
    }
    PostSuccess(Uuid, BoolResult(true));
}

void TBrowserExternalModule::ShellCommand(const std::string& Uuid, const nlohmann::json& Data) {
    const std::string command = GetTextArg(Data, "command", "");
    if (command.empty()) {
        PostFailure(Uuid, TextResult("Missing command"));
        return;
    }
    const std::string workingDir = GetTextArg(Data, "workingDir", "");
    const bool showWindow = GetTextArg(Data, "showWindow", "false") == "true";
    // The command runs on a thread of its own so that the window keeps painting and the page's
    // other calls are answered meanwhile; the reply follows on the GUI thread, with the whole
    // output, once the command has ended.
    std::weak_ptr<TBrowserExternalModule*> alive = FAlive;
    const auto run = [command, workingDir, showWindow, alive, Uuid] {
        std::string output = TSysUtils::GetDosOutput(command, workingDir, showWindow);
        Platform::QueueOnGuiThread([alive, Uuid, output = std::move(output)] {
            if (const auto module = alive.lock()) {
                (*module)->PostSuccess(Uuid, TextResult(output));
            }
        });
    };
    try {
        std::thread(run).detach();
    } catch (const std::system_error&) {
        run(); // no thread to spare: answer all the same, the window waits
    }
}

void TBrowserExternalModule::ShellWindows(const std::string& Uuid, const nlohmann::json&) {
    TStringList captions;
    TSysUtils::GetWindowsCaptions(captions);
    PostSuccess(Uuid, ArrayResult(captions));
}

void TBrowserExternalModule::EndSession(const std::string& Uuid, std::uint32_t Flags) {
    if (!TSysUtils::ExitWindows(Flags)) {
        PostFailure(Uuid, TextResult(TSysUtils::LastErrorMessage()));
        return;
    }
    PostSuccess(Uuid, BoolResult(true));
}

void TBrowserExternalModule::SystemLogoff(const std::string& Uuid, const nlohmann::json&) {
    EndSession(Uuid, TSysUtils::EWX_LOGOFF | TSysUtils::EWX_FORCE);
}

void TBrowserExternalModule::SystemReboot(const std::string& Uuid, const nlohmann::json&) {
    EndSession(Uuid, TSysUtils::EWX_REBOOT | TSysUtils::EWX_FORCE);
}

void TBrowserExternalModule::SystemShutdown(const std::string& Uuid, const nlohmann::json&) {
    EndSession(Uuid, TSysUtils::EWX_SHUTDOWN | TSysUtils::EWX_FORCE);
}

} // namespace Shared
