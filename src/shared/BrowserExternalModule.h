#pragma once

// The bridge module: decodes the page's web messages as bridge requests, dispatches them by
// function id and posts one reply per request.

#include "forms/Classes.h"
#include "forms/Forms.h"
#include "shared/BridgeProtocol.h"
#include "shared/EdgeEx.h"
#include "shared/ExeZip.h"
#include "shared/IniDocument.h"

#include <deque>
#include <map>
#include <memory>
#include <string>

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

    // Functions: application and window.
    void Hello(const std::string& Uuid, const nlohmann::json& Data);
    void IsRuntime(const std::string& Uuid, const nlohmann::json& Data);
    void AppClose(const std::string& Uuid, const nlohmann::json& Data);

    // Functions: files, folders and Base64.
    void FilesWriteTextFile(const std::string& Uuid, const nlohmann::json& Data);

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

    // A path argument of the file and folder functions, made absolute.
    std::string BridgePath(const std::string& Path) const;

private:
    void DataModuleCreate();
    void DataModuleDestroy();
    void Dispatch(const std::string& AsString, const std::string& AsJson);
    void FocusBrowser();
    bool BuildMenuItem(const nlohmann::json& Element, Forms::TMenuItem& MenuItem, int Depth);
    void LoadMenuItemImage(const std::string& Image, Forms::TMenuItem& MenuItem);

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
};

} // namespace Shared
