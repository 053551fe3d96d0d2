#pragma once

// The bridge module: decodes the page's web messages as bridge requests, dispatches them by
// function id and posts one reply per request.

#include "forms/Classes.h"
#include "forms/FileDialogs.h"
#include "forms/Forms.h"
#include "shared/archive/ExeZip.h"
#include "shared/bridge/BridgeProtocol.h"
#include "shared/bridge/ShellCommandQueue.h"
#include "shared/config/IniDocument.h"
#include "shared/host/EdgeEx.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace Forms {
class TMenuItem;
}

namespace Shared {

class TBrowserForm;
class TBrowserExternalForm;

class TBrowserExternalModule : public Forms::TObject {
public:
    TBrowserExternalModule();
    ~TBrowserExternalModule() override;

    TExeZip* ExeZip() const { return FExeZip; }
    void SetExeZip(TExeZip* Value) { FExeZip = Value; } // not owned; may be null
    Forms::TForm* MainForm() const { return FMainForm; }
    void SetMainForm(Forms::TForm* Value) { FMainForm = Value; } // not owned
    bool InFullscreen() const { return FInFullscreen; }
    void SetInFullscreen(bool Value) { FInFullscreen = Value; }
    TIniDocument* ProjectINI() const { return FProjectINI; }
    void SetProjectINI(TIniDocument* Value) { FProjectINI = Value; } // not owned
    TBrowserForm* BrowserForm() const { return FBrowserForm; }
    void SetBrowserForm(TBrowserForm* Value) { FBrowserForm = Value; } // not owned
    Forms::TNotifyEvent OnAppCloseRequest;
    TBrowserExternalForm* BrowserExternalForm() const { return FBrowserExternalForm.get(); }

    // True while a bridge call runs. A call may keep the event loop going (a modal dialog, a
    // message box, a wait for a program), so other work runs meanwhile; nothing may free this
    // module, or what it works on, before the call has returned: such work waits for
    // OnCallsReturned.
    bool CallRunning() const { return FDispatching; }
    // Raised on the GUI thread when the running calls have all returned, outside any of them.
    Forms::TNotifyEvent OnCallsReturned;
    // For work that answers after its call has returned (a worker's reply queued for the GUI
    // thread): copy it on the GUI thread, and lock it there before touching the module. It
    // expires as the module starts being destroyed, which never happens while a call runs.
    std::weak_ptr<TBrowserExternalModule*> Alive() const { return FAlive; }

    // The dispatcher, connected to the browser control's web-message event.
    void EdgeBrowserWebMessageReceived(TCustomEdgeBrowser* Sender, TWebMessageReceivedEventArgs* Args);
    // The same for a message already read: its text when posted as a string (else empty) and
    // its JSON text.
    void HandleWebMessage(const std::string& AsString, const std::string& AsJson);

    void PostReply(const std::string& Uuid, const std::string& Result, bool Success);
    void PostSuccess(const std::string& Uuid, const std::string& Result) { PostReply(Uuid, Result, true); }
    void PostFailure(const std::string& Uuid, const std::string& Result) { PostReply(Uuid, Result, false); }

    // Where replies go; by default the browser control's PostWebMessageAsJson. Tests and
    // benchmarks replace it.
    std::function<void(const std::string& ReplyJson)> OnPostReply;

    // A bridge function: takes the uuid and the request's data object.
    using TBridgeFunction = void (TBrowserExternalModule::*)(const std::string& Uuid,
                                                             const nlohmann::json& Data);
    struct TFunctionEntry {
        TBridgeFunction Function = nullptr;
        // Non-empty for functions that only work in a packaged application.
        const char* RuntimeOnlyMessage = nullptr;
    };
    // Every function of the bridge by id.
    static const std::map<int, TFunctionEntry>& FunctionTable();
    // The table the dispatcher selects from: FunctionTable(), unless a fuzzer or test that
    // must not touch the machine gives its own.
    virtual const std::map<int, TFunctionEntry>& Functions() const { return FunctionTable(); }

    // Functions: application and window.
    void Hello(const std::string& Uuid, const nlohmann::json& Data);
    void IsRuntime(const std::string& Uuid, const nlohmann::json& Data);
    void AppClose(const std::string& Uuid, const nlohmann::json& Data);
    void AppInFullscreen(const std::string& Uuid, const nlohmann::json& Data);
    void AppEnterFullscreen(const std::string& Uuid, const nlohmann::json& Data);
    void AppExitFullscreen(const std::string& Uuid, const nlohmann::json& Data);
    void AppGetArgs(const std::string& Uuid, const nlohmann::json& Data);
    void WindowGetStyle(const std::string& Uuid, const nlohmann::json& Data);
    void WindowSetStyle(const std::string& Uuid, const nlohmann::json& Data);
    void WindowGetState(const std::string& Uuid, const nlohmann::json& Data);
    void WindowSetState(const std::string& Uuid, const nlohmann::json& Data);
    void WindowGetTitle(const std::string& Uuid, const nlohmann::json& Data);
    void WindowSetTitle(const std::string& Uuid, const nlohmann::json& Data);
    void WindowGetZoom(const std::string& Uuid, const nlohmann::json& Data);
    void WindowSetZoom(const std::string& Uuid, const nlohmann::json& Data);

    // Functions: dialogs, files, folders and Base64.
    void DialogsOpenFile(const std::string& Uuid, const nlohmann::json& Data);
    void DialogsSaveFile(const std::string& Uuid, const nlohmann::json& Data);
    void FilesFileExists(const std::string& Uuid, const nlohmann::json& Data);
    void FilesDeleteFile(const std::string& Uuid, const nlohmann::json& Data);
    void FilesWriteTextFile(const std::string& Uuid, const nlohmann::json& Data);
    void FilesExtractFile(const std::string& Uuid, const nlohmann::json& Data);
    void FoldersDirExists(const std::string& Uuid, const nlohmann::json& Data);
    void FoldersDeleteDir(const std::string& Uuid, const nlohmann::json& Data);
    void FoldersGetTempDir(const std::string& Uuid, const nlohmann::json& Data);
    void FoldersGetUserDocumentsDir(const std::string& Uuid, const nlohmann::json& Data);
    void FoldersGetUserDesktopDir(const std::string& Uuid, const nlohmann::json& Data);
    void FoldersGetAppExecutableDir(const std::string& Uuid, const nlohmann::json& Data);
    void FoldersGetAppDataDir(const std::string& Uuid, const nlohmann::json& Data);
    void Base64DecodeToFile(const std::string& Uuid, const nlohmann::json& Data);
    Forms::TFileOpenDialog* FileOpenDialog() const { return FFileOpenDialog.get(); }
    Forms::TFileSaveDialog* FileSaveDialog() const { return FFileSaveDialog.get(); }

    // Functions: shell and system.
    void ShellExecute(const std::string& Uuid, const nlohmann::json& Data);
    void ShellExplore(const std::string& Uuid, const nlohmann::json& Data);
    void ShellCommand(const std::string& Uuid, const nlohmann::json& Data);
    void ShellWindows(const std::string& Uuid, const nlohmann::json& Data);
    void SystemLogoff(const std::string& Uuid, const nlohmann::json& Data);
    void SystemReboot(const std::string& Uuid, const nlohmann::json& Data);
    void SystemShutdown(const std::string& Uuid, const nlohmann::json& Data);

    // Functions: themes.
    void ThemesGetTheme(const std::string& Uuid, const nlohmann::json& Data);
    void ThemesGetThemes(const std::string& Uuid, const nlohmann::json& Data);
    void ThemesSetTheme(const std::string& Uuid, const nlohmann::json& Data);

    // Functions: the main menu, and the click handler of its commands.
    void MainMenuSetItems(const std::string& Uuid, const nlohmann::json& Data);
    void MainMenuUpdateItem(const std::string& Uuid, const nlohmann::json& Data);
    void MainMenuItemClick(Forms::TObject* Sender);
    // Item or, depth first, the first item below it whose id (Tag) is Id; null when none.
    static Forms::TMenuItem* FindMenuItemById(Forms::TMenuItem* Item, int Id);

    // Reads a required text argument into Value. When it is absent, null or empty, posts the
    // failure MissingText (by default "Missing " and the name) and gives false.
    bool GetRequiredTextArg(const std::string& Uuid, const nlohmann::json& Data, std::string_view Name,
                            std::string& Value, std::string_view MissingText = {});

    // A path argument of the file and folder functions, made absolute.
    std::string BridgePath(const std::string& Path) const;
    // The executable's folder, ending in "/".
    std::string AppDirPath() const;

private:
    void DataModuleCreate();
    void DataModuleDestroy();
    void ClearReferences();
    void Dispatch(const std::string& AsString, const std::string& AsJson);
    void FocusBrowser();
    bool BuildMenuItem(const nlohmann::json& Element, Forms::TMenuItem& MenuItem, int Depth);
    void LoadMenuItemImage(const std::string& Image, Forms::TMenuItem& MenuItem);
    void RunFileDialog(Forms::TCustomFileDialog& Dialog, const std::string& Uuid, const nlohmann::json& Data,
                       const char* DefaultTitle);
    void EndSession(const std::string& Uuid, std::uint32_t Flags);

    std::unique_ptr<Forms::TFileOpenDialog> FFileOpenDialog;
    std::unique_ptr<Forms::TFileSaveDialog> FFileSaveDialog;
    TExeZip* FExeZip = nullptr;
    Forms::TForm* FMainForm = nullptr;
    bool FInFullscreen = false;
    TIniDocument* FProjectINI = nullptr;
    TBrowserForm* FBrowserForm = nullptr;
    std::unique_ptr<TBrowserExternalForm> FBrowserExternalForm;
    // Messages that arrive while an earlier call is still running (a modal dialog keeps the
    // event loop going) wait here, so calls are handled one at a time.
    std::deque<std::pair<std::string, std::string>> FPending;
    bool FDispatching = false;
    // Work that finishes after its call has returned (shell.command) holds a weak reference
    // (Alive): a reply that arrives after the module is gone is dropped.
    std::shared_ptr<TBrowserExternalModule*> FAlive;
    // shell.command's queue; last, so that it is gone (its command ended) before anything else.
    TShellCommandQueue FShellCommands;
};

} // namespace Shared
