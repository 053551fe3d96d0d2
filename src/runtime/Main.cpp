// The program entry of the runtime: start-up, the single-instance rule, the main window and
// the event loop.

#include "forms/Application.h"
#include "forms/Dialogs.h"
#include "forms/StyleManager.h"
#include "platform/ExecutablePath.h"
#include "platform/GuiThread.h"
#include "platform/InstanceLock.h"
#include "runtime/ExeZipLoader.h"
#include "runtime/MainForm.h"
#include "runtime/WindowIdentity.h"
#include "shared/config/ProgramParams.h"
#include "shared/styles/StyleCatalogue.h"
#include "shared/system/SysUtils.h"
#include "webview2/Loader.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>

namespace {

void ShowStyleNotFound(const std::string& Text) {
    Forms::TMessageDialog dialog(Text, Forms::mtError, Forms::mbClose);
    dialog.SetTitle(Runtime::AppName);
    dialog.ShowModal();
}

void ShowInvalidApplication(std::string_view Text, std::string_view Caption) {
    Forms::Application().MessageBox(std::string(Text), std::string(Caption),
                                    Forms::MB_OK | Forms::MB_ICONERROR);
    throw Runtime::EApplicationExit{0};
}

int RunApplication() {
    using namespace Runtime;
    Forms::TApplication& application = Forms::Application();
    application.Initialize();
    ApplyRuntimeIcon();
    Platform::SetGuiExceptionHandler([](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            Forms::Application().ShowException(e);
        } catch (...) {
            std::cerr << "vtr: unknown error in an event handler\n";
        }
    });
    Shared::RegisterStyleCatalogue();
    Forms::TStyleManager::SetErrorPresenter(&ShowStyleNotFound);
    Shared::TExeUtils::SetInvalidApplicationHandler(&ShowInvalidApplication);
    // Waiting for the runtime's installer stops when the application is asked to end.
    Shared::TSysUtils::ApplicationTerminated = [] { return Forms::Application().Terminated(); };

    InitializeRuntime();

    if (!ProjectINI->ReadBool("App", "AllowInstances", false)) {
        // Every instance holds the lock, a launch by a running instance too, so that a plain
        // start ends while any instance lives, also after the first one has gone.
        const bool launchByInstance =
            Shared::TProgramParams::ParamCount() == 2 && Shared::TProgramParams::ParamStr(1) == AppID;
        if (launchByInstance) {
            Platform::JoinInstanceLock(AppID);
        } else if (!Platform::TryAcquireInstanceLock(AppID)) {
            throw EApplicationExit{0};
        }
    }
    if (!application.Initialized()) {
        throw std::runtime_error("Cannot open the display: the application needs a graphical session.");
    }
    TMainForm mainForm;
    application.SetMainForm(&mainForm);
    application.Run();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // A copy of this program started only to probe an engine answers and ends here.
    WebView2::AnswerEngineProbe();
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    Shared::TProgramParams::Set(Platform::GetExecutablePath(), arguments);
    int exitCode = 0;
    try {
        exitCode = RunApplication();
    } catch (const Runtime::EApplicationExit& e) {
        exitCode = e.ExitCode;
    } catch (const std::exception& e) {
        Forms::Application().ShowException(e);
        exitCode = 1;
    }
    Runtime::FinalizeRuntime();
    return exitCode;
}
