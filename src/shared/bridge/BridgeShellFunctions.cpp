#include "shared/bridge/BrowserExternalModule.h"
#include "shared/system/SysUtils.h"

// Bridge functions of the shell and the session. Nothing here restricts what the page may
// open, start or run.

namespace Shared {

namespace {

// Answers true, or the failing call's own text.
void AnswerOutcome(TBrowserExternalModule& Module, const std::string& Uuid, bool Succeeded) {
    if (Succeeded) {
        Module.PostSuccess(Uuid, BoolResult(true));
    } else {
        Module.PostFailure(Uuid, TextResult(TSysUtils::LastErrorMessage()));
    }
}

} // namespace

void TBrowserExternalModule::ShellExecute(const std::string& Uuid, const nlohmann::json& Data) {
    const std::string arguments = GetTextArg(Data, "arguments", "");
    std::string filePath;
    if (!GetRequiredTextArg(Uuid, Data, "filePath", filePath)) {
        return;
    }
    AnswerOutcome(*this, Uuid, TSysUtils::ShellExec(filePath, arguments));
}

void TBrowserExternalModule::ShellExplore(const std::string& Uuid, const nlohmann::json& Data) {
    std::string filePath;
    if (!GetRequiredTextArg(Uuid, Data, "filePath", filePath)) {
        return;
    }
    AnswerOutcome(*this, Uuid, TSysUtils::ShellExplore(filePath));
}

void TBrowserExternalModule::ShellCommand(const std::string& Uuid, const nlohmann::json& Data) {
    std::string command;
    if (!GetRequiredTextArg(Uuid, Data, "command", command)) {
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
    AnswerOutcome(*this, Uuid, TSysUtils::ExitWindows(Flags));
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
