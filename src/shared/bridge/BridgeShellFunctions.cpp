#include "shared/bridge/BrowserExternalModule.h"
#include "shared/system/SysUtils.h"

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
    static_assert(TShellCommandQueue::MaxOutput == 16 * 1024 * 1024,
                  "the failure text below names the bound");
    // Commands run one after another on the queue's worker, so that the window keeps painting
    // and the page's other calls are answered meanwhile; each reply follows on the GUI thread,
    // with the whole output, once its command has ended. The queue goes with the module, so
    // the reply never outlives it.
    FShellCommands.Add(
        {command, workingDir, showWindow}, [this, Uuid](const Platform::TCapturedOutput& Result) {
            if (Result.End == Platform::TCaptureEnd::OutputTooLong) {
                PostFailure(Uuid, TextResult("The command was ended: its output exceeds 16 MiB"));
                return;
            }
            PostSuccess(Uuid, TextResult(Result.Output));
        });
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
