#pragma once

// The borderless form that carries the browser: it installs the document script and the
// settings when the browser exists, serves the application's file:/// requests from the
// archive or from disk, opens file: links in a new instance and allows every permission.

#include "forms/ComCtrls.h"
#include "forms/Forms.h"
#include "shared/archive/ExeZip.h"
#include "shared/host/EdgeEx.h"

#include <memory>
#include <string>

namespace Shared {

class TBrowserForm : public Forms::TForm {
public:
    TBrowserForm();
    ~TBrowserForm() override;

    TExeZip* ExeZip() const { return FExeZip; }
    void SetExeZip(TExeZip* Value) { FExeZip = Value; } // not owned
    bool IsRuntime() const { return FIsRuntime; }
    void SetIsRuntime(bool Value) { FIsRuntime = Value; }
    const std::string& RuntimeAppID() const { return FRuntimeAppID; }
    void SetRuntimeAppID(const std::string& Value) { FRuntimeAppID = Value; }
    bool WithExternal() const { return FWithExternal; }
    void SetWithExternal(bool Value) { FWithExternal = Value; }
    const std::string& AppDirName() const { return FAppDirName; }
    void SetAppDirName(const std::string& Value) { FAppDirName = Value; }
    // The executable's folder, ending in "/".
    const std::string& AppDirPath() const { return FAppDirPath; }
    void SetAppDirPath(const std::string& Value) { FAppDirPath = Value; }
    bool AllowDebug() const { return FAllowDebug; }
    void SetAllowDebug(bool Value) { FAllowDebug = Value; }
    bool AllowZoom() const { return FAllowZoom; }
    void SetAllowZoom(bool Value) { FAllowZoom = Value; }
    const std::string& WebviewJavascript() const { return FWebviewJavascript; }
    void SetWebviewJavascript(const std::string& Value) { FWebviewJavascript = Value; }
    bool AllowContextMenu() const { return FAllowContextMenu; }
    void SetAllowContextMenu(bool Value) { FAllowContextMenu = Value; }
    const std::string& StartPageURL() const { return FStartPageURL; }
    void SetStartPageURL(const std::string& Value) { FStartPageURL = Value; }
    bool HandleRequests() const { return FHandleRequests; }
    void SetHandleRequests(bool Value) { FHandleRequests = Value; }
    TEdgeBrowser* EdgeBrowser() const { return FEdgeBrowser.get(); }
    Forms::TProgressBar* ProgressBar() const { return FProgressBar.get(); }

    // The text registered to run at the creation of every document.
    std::string DocumentScript() const;

    void EdgeBrowserCreateWebViewCompleted(TCustomEdgeBrowser* Sender, HRESULT AResult);
    void InstallDocumentScript();
    void EdgeBrowserWebResourceRequested(TCustomEdgeBrowser* Sender, TWebResourceRequestedEventArgs* Args);
    void EdgeBrowserNewWindowRequested(TCustomEdgeBrowser* Sender, TNewWindowRequestedEventArgs* Args);
    void EdgeBrowserPermissionRequested(TCustomEdgeBrowser* Sender, TPermissionRequestedEventArgs* Args);
    void EdgeBrowserNavigationCompleted(TCustomEdgeBrowser* Sender, bool IsSuccess, TOleEnum WebErrorStatus);
    void EdgeBrowserProcessFailed(TCustomEdgeBrowser* Sender, TOleEnum ProcessFailedKind);
    void EdgeBrowserClickMessageReceived(TCustomEdgeBrowser* Sender, TWebMessageReceivedEventArgs* Args);

    // What answers a file:/// URI: its content (an archive entry, or a regular file opened for
    // reading as it is sent), its MIME type, and whether it comes from outside the application
    // (neither in the archive nor in the executable's folder). False when nothing serves it.
    struct TResolvedRequest {
        WebView2::ComPtr<WebView2::IStream> Content;
        std::string MimeType;
        bool Foreign = false;
    };
    bool ResolveRequest(const std::string& Uri, TResolvedRequest& Resolved);

private:
    void FormCreate();

    std::unique_ptr<Forms::TProgressBar> FProgressBar;
    TExeZip* FExeZip = nullptr; // not owned
    bool FIsRuntime = false;
    std::string FRuntimeAppID;
    bool FWithExternal = false;
    std::string FAppDirName;
    std::string FAppDirPath;
    bool FAllowDebug = false;
    bool FAllowZoom = false;
    std::string FWebviewJavascript;
    bool FAllowContextMenu = false;
    std::string FStartPageURL;
    bool FHandleRequests = false;
    std::unique_ptr<TEdgeBrowser> FEdgeBrowser;
};

} // namespace Shared
