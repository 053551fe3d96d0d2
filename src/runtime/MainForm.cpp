#include "runtime/MainForm.h"

#include "forms/Application.h"
#include "platform/GuiThread.h"
#include "runtime/ExeZipLoader.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/bridge/WindowBorder.h"
#include "shared/config/ProgramParams.h"

#include <utility>

namespace Runtime {

TMainForm::TMainForm() {
    SetClientSize(568, 424);
    SetColor(-1);
    OnCloseQuery = [this](Forms::TObject* Sender, bool& ACanClose) { FormCloseQuery(Sender, ACanClose); };
    OnClose = [this](Forms::TObject* Sender, Forms::TCloseAction& Action) { FormClose(Sender, Action); };
    FormCreate();
}

TMainForm::~TMainForm() {
    FBrowserExternalModule.reset();
    FBrowserForm.reset();
}

void TMainForm::FormCreate() {
    FCanClose = false;
    FBrowserExternalModule = std::make_unique<Shared::TBrowserExternalModule>();
    FBrowserExternalModule->SetExeZip(ExeZip.get());

    FBrowserForm = std::make_unique<Shared::TBrowserForm>();
    FBrowserForm->SetParent(this);
    FBrowserForm->SetAlign(Forms::alClient);
    FBrowserForm->Show();

    Shared::TIniDocument& ini = *ProjectINI;
    Shared::TBrowserForm& browser = *FBrowserForm;
    browser.SetExeZip(ExeZip.get());
    browser.SetIsRuntime(true);
    browser.SetAppDirName(AppDirName);
    browser.SetHandleRequests(true);
    browser.SetRuntimeAppID(AppID);
    browser.SetWithExternal(true);
    browser.SetAllowDebug(ini.ReadBool("App", "AllowDebug", false));
    browser.SetAllowZoom(ini.ReadBool("App", "AllowZoom", false));
    browser.SetAllowContextMenu(ini.ReadBool("App", "AllowContextMenu", false));

    Shared::TBrowserExternalModule* module = FBrowserExternalModule.get();
    browser.EdgeBrowser()->OnWebMessageReceived = [module](Shared::TCustomEdgeBrowser* Sender,
                                                           Shared::TWebMessageReceivedEventArgs* Args) {
        module->EdgeBrowserWebMessageReceived(Sender, Args);
    };
    browser.EdgeBrowser()->OnDocumentTitleChanged = [this](Shared::TCustomEdgeBrowser* Sender,
                                                           const std::string& Title) {
        EdgeBrowserDocumentTitleChanged(Sender, Title);
    };

    module->SetMainForm(this);
    module->SetBrowserForm(FBrowserForm.get());
    module->SetProjectINI(ProjectINI.get());
    module->OnAppCloseRequest = [this](Forms::TObject* Sender) { AppCloseRequest(Sender); };
    module->OnCallsReturned = [this](Forms::TObject*) {
        if (std::exchange(FCloseAfterCalls, false)) {
            Platform::QueueOnGuiThread([this] { Close(); });
        }
    };

    // UTF-8 as stored; a byte-order mark stays in the text.
    browser.SetWebviewJavascript(ExeZip->ExtractToString(Shared::Archive::WebviewJsEntry));

    SetCaption(AppName);
    Forms::Application().SetTitle(AppName);

    SetBounds(ini.ReadInteger("App", "Left", 50), ini.ReadInteger("App", "Top", 50),
              ini.ReadInteger("App", "Width", 800), ini.ReadInteger("App", "Height", 600));
    Forms::TSizeConstraints limits;
    limits.MaxWidth = ini.ReadInteger("App", "MaxWidth", 0);
    limits.MaxHeight = ini.ReadInteger("App", "MaxHeight", 0);
    limits.MinWidth = ini.ReadInteger("App", "MinWidth", 0);
    limits.MinHeight = ini.ReadInteger("App", "MinHeight", 0);
    SetConstraints(limits);

    SetPosition(ini.ReadInteger("App", "WindowPosition", 0) == 0 ? Forms::poDesktopCenter : Forms::poDefault);

    if (ini.ReadInteger("App", "WindowStyle", 0) == 1) {
        SetBorderStyle(Forms::bsNone);
        SetWindowState(Forms::wsMaximized);
        module->SetInFullscreen(true);
    } else {
        SetBorderStyle(Shared::ConfiguredBorderStyle(&ini));
        if (ini.ReadInteger("App", "WindowState", 0) == 1) {
            SetWindowState(Forms::wsMaximized);
        }
    }
    if (ini.ReadInteger("App", "WindowOrder", 0) == 1) {
        SetFormStyle(Forms::fsStayOnTop);
    }

    if (Shared::TProgramParams::ParamCount() == 2 && Shared::TProgramParams::ParamStr(1) == AppID) {
        browser.SetStartPageURL(Shared::TProgramParams::ParamStr(2));
    } else {
        browser.SetStartPageURL("file:///" + AppIndexHtml);
    }
}

void TMainForm::FormCloseQuery(Forms::TObject*, bool& ACanClose) {
    ACanClose = FCanClose;
    if (FBrowserForm != nullptr && FBrowserForm->EdgeBrowser() != nullptr) {
        FBrowserForm->EdgeBrowser()->ExecuteScript("vtr.events.onCloseQuery();");
    }
}

void TMainForm::FormClose(Forms::TObject*, Forms::TCloseAction& Action) {
    if (FBrowserExternalModule != nullptr && FBrowserExternalModule->CallRunning()) {
        // The close runs inside a bridge call's own event loop (its modal dialog, say):
        // freeing the module and the browser now would pull them from under that call. The
        // window closes once the call has returned.
        Action = Forms::caNone;
        FCloseAfterCalls = true;
        return;
    }
    FBrowserExternalModule.reset();
    FBrowserForm.reset();
}

void TMainForm::EdgeBrowserDocumentTitleChanged(Shared::TCustomEdgeBrowser*,
                                                const std::string& ADocumentTitle) {
    if (ProjectINI != nullptr && ProjectINI->ReadBool("App", "DynamicAppTitle", false)) {
        SetCaption(ADocumentTitle);
    }
}

void TMainForm::AppCloseRequest(Forms::TObject*) {
    FCanClose = true;
    // The request arrives inside the bridge's own call, inside the browser's event: closing
    // frees both, so the window closes once that call has returned.
    Platform::QueueOnGuiThread([this] { Close(); });
}

} // namespace Runtime
