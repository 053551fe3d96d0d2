#include "shared/host/BrowserForm.h"

#include "platform/ExecutablePath.h"
#include "shared/config/Resources.h"
#include "shared/host/ResponseHeaders.h"
#include "shared/host/ResponseStreams.h"
#include "shared/system/SysUtils.h"
#include "shared/text/StrUtils.h"
#include "shared/text/UriPath.h"
#include "webview2/Streams.h"

#include <filesystem>

namespace Shared {

namespace {

constexpr std::string_view DragOverGuard =
    R"(window.addEventListener("dragover", function(e){e.preventDefault();},false);)";
constexpr std::string_view DropGuard =
    R"(window.addEventListener("drop", function(e){e.preventDefault();}, false);)";
constexpr std::string_view ClickScript =
    R"(window.addEventListener("click", function () {window.chrome.webview.postMessage("vtr-webbrowser-clicked");});)";

// A regular file beside the executable or anywhere else; nothing else is served (a FIFO or a
// device would hold the window or never end).
WebView2::ComPtr<WebView2::IStream> OpenFile(const std::string& Path) {
    WebView2::HRESULT result = WebView2::S_OK;
    return WebView2::OpenRegularFileStream(Path, result);
}

// Whether Path, taken as it is written, stays inside Folder: a name with ".." segments that
// climbs out of the executable's folder is not a file of the application.
bool LexicallyInside(const std::string& Path, const std::string& Folder) {
    const std::filesystem::path normal = std::filesystem::path(Path).lexically_normal();
    const std::filesystem::path base = std::filesystem::path(Folder).lexically_normal();
    const std::filesystem::path relative = normal.lexically_relative(base);
    return !relative.empty() && *relative.begin() != "..";
}

} // namespace

TBrowserForm::TBrowserForm() {
    SetBorderStyle(Forms::bsNone);
    SetBounds(0, 0, 658, 484);
    SetKeyPreview(true);
    FProgressBar = std::make_unique<Forms::TProgressBar>();
    FProgressBar->SetHeight(4);
    FProgressBar->SetAlign(Forms::alBottom);
    FProgressBar->SetStyle(Forms::pbstMarquee);
    FProgressBar->SetTabOrder(0);
    FProgressBar->SetParent(this);
    FormCreate();
}

TBrowserForm::~TBrowserForm() {
    // The browser goes first, with its WebView, while the form still exists.
    FEdgeBrowser.reset();
    FProgressBar.reset();
}

void TBrowserForm::FormCreate() {
    FExeZip = nullptr;
    FAppDirName.clear();
    FStartPageURL.clear();
    FWebviewJavascript.clear();
    FIsRuntime = false;
    FAllowDebug = false;
    FAllowZoom = false;
    FWithExternal = false;
    FHandleRequests = false;
    FAllowContextMenu = false;
    FAppDirPath = std::filesystem::path(Platform::GetExecutablePath()).parent_path().string() + "/";

    FEdgeBrowser = std::make_unique<TEdgeBrowser>();
    TEdgeBrowser& edge = *FEdgeBrowser;
    edge.OnProcessFailed = [this](TCustomEdgeBrowser* s, TOleEnum kind) {
        EdgeBrowserProcessFailed(s, kind);
    };
    edge.OnNewWindowRequested = [this](TCustomEdgeBrowser* s, TNewWindowRequestedEventArgs* a) {
        EdgeBrowserNewWindowRequested(s, a);
    };
    edge.OnCreateWebViewCompleted = [this](TCustomEdgeBrowser* s, HRESULT r) {
        EdgeBrowserCreateWebViewCompleted(s, r);
    };
    edge.OnWebResourceRequested = [this](TCustomEdgeBrowser* s, TWebResourceRequestedEventArgs* a) {
        EdgeBrowserWebResourceRequested(s, a);
    };
    edge.OnNavigationCompleted = [this](TCustomEdgeBrowser* s, bool ok, TOleEnum status) {
        EdgeBrowserNavigationCompleted(s, ok, status);
    };
    edge.OnWebMessageReceived = [this](TCustomEdgeBrowser* s, TWebMessageReceivedEventArgs* a) {
        EdgeBrowserClickMessageReceived(s, a);
    };
    edge.OnPermissionRequested = [this](TCustomEdgeBrowser* s, TPermissionRequestedEventArgs* a) {
        EdgeBrowserPermissionRequested(s, a);
    };
    edge.SetParent(this);
    edge.SetAlign(Forms::alClient);
}

std::string TBrowserForm::DocumentScript() const {
    std::string script;
    if (FWithExternal) {
        // The resource is used as it is, byte-order mark included (white space to JavaScript).
        script += '\r';
        script += TResources::Find("RCDATA", "VTR_EXTERNAL_JAVASCRIPT").value_or(std::string_view());
    }
    script += '\r';
    script += DragOverGuard;
    script += '\r';
    script += DropGuard;
    if (FIsRuntime && !TStrUtils::Trim(FWebviewJavascript).empty()) {
        script += '\r';
        script += FWebviewJavascript;
    }
    if (!FIsRuntime) {
        script += '\r';
        script += ClickScript;
    }
    return script;
}

void TBrowserForm::EdgeBrowserCreateWebViewCompleted(TCustomEdgeBrowser*, HRESULT AResult) {
    if (AResult < 0) {
        return;
    }
    InstallDocumentScript();
    if (WebView2::ICoreWebView2Settings* settings = FEdgeBrowser->SettingsInterface()) {
        settings->put_IsScriptEnabled(1);
        settings->put_IsStatusBarEnabled(0);
        settings->put_IsWebMessageEnabled(1);
        settings->put_IsBuiltInErrorPageEnabled(1);
        settings->put_IsZoomControlEnabled(FAllowZoom ? 1 : 0);
        settings->put_AreDevToolsEnabled(FAllowDebug ? 1 : 0);
        settings->put_AreDefaultContextMenusEnabled(FAllowContextMenu ? 1 : 0);
    }
    FEdgeBrowser->AddWebResourceRequestedFilter("*", 0);
    if (!FStartPageURL.empty()) {
        FEdgeBrowser->Navigate(FStartPageURL);
    }
}

void TBrowserForm::InstallDocumentScript() {
    if (WebView2::ICoreWebView2* webView = FEdgeBrowser->DefaultInterface()) {
        webView->AddScriptToExecuteOnDocumentCreated(DocumentScript().c_str(), nullptr);
    }
}

bool TBrowserForm::ResolveRequest(const std::string& Uri, TResolvedRequest& Resolved) {
    // Names as browsers encode them: the query and the fragment are no part of a file's name,
    // and escapes are decoded once ("data/%C3%A4.txt" is "data/ä.txt").
    const std::string path = DecodeUriPath(TStrUtils::ReplaceAll(Uri, "file:///", ""));
    Resolved.MimeType = TStrUtils::GetFileMIMEType(path);
    Resolved.Foreign = false;

    if (!FAppDirName.empty() && FExeZip != nullptr) {
        const std::string entry = FAppDirName + "/" + path;
        if (FExeZip->FindFile(entry) >= 0) {
            // Decrypted as the engine reads it, off the window's thread; an entry that cannot be
            // read at all is answered empty.
            std::unique_ptr<TZipEntryStream> stream = FExeZip->OpenEntry(entry);
            Resolved.Content = stream ? CreateEntryStream(std::move(stream)) : WebView2::CreateMemoryStream();
            return true;
        }
    }
    if (const std::string beside = FAppDirPath + path; LexicallyInside(beside, FAppDirPath)) {
        if ((Resolved.Content = OpenFile(beside))) {
            return true;
        }
    }
    // The raw path keeps its leading "/": file:///data/x.txt names /data/x.txt.
    Resolved.Content = OpenFile(DecodeUriPath(TStrUtils::ReplaceAll(Uri, "file://", "")));
    Resolved.Foreign = true;
    return static_cast<bool>(Resolved.Content);
}

void TBrowserForm::EdgeBrowserWebResourceRequested(TCustomEdgeBrowser*,
                                                   TWebResourceRequestedEventArgs* Args) {
    if (!FHandleRequests) {
        return;
    }
    WebView2::ComPtr<WebView2::ICoreWebView2WebResourceRequest> request;
    if (Args->ArgsInterface()->get_Request(request.ReleaseAndGetAddressOf()) < 0 || !request) {
        return;
    }
    WebView2::LPSTR rawUri = nullptr;
    request->get_Uri(&rawUri);
    const std::string uri = WebView2::TakeString(rawUri);
    if (!TStrUtils::StartsWithIgnoreCase(uri, "file:///")) {
        return;
    }
    TResolvedRequest resolved;
    if (!ResolveRequest(uri, resolved)) {
        return;
    }
    WebView2::ICoreWebView2Environment* environment = FEdgeBrowser->EnvironmentInterface();
    if (environment == nullptr) {
        return;
    }
    WebView2::UINT64 size = 0;
    WebView2::RemainingLength(resolved.Content.Get(), size);
    // Media and downloads ask for parts: a range is answered with just its bytes.
    TByteRange range;
    WebView2::ComPtr<WebView2::ICoreWebView2WebResourceRequestHeaders> headers;
    if (WebView2::Succeeded(
            request->QueryInterface(WebView2::ICoreWebView2WebResourceRequestHeaders::Iid,
                                    reinterpret_cast<void**>(headers.ReleaseAndGetAddressOf())))) {
        WebView2::LPSTR rawRange = nullptr;
        headers->GetHeader("Range", &rawRange);
        range = ParseByteRange(WebView2::TakeString(rawRange), size);
    }
    TResponseHead head = MakeResponseHead(resolved.MimeType, size, range);
    WebView2::ComPtr<WebView2::IStream> content = resolved.Content;
    if (range.Kind == TByteRange::TKind::Partial) {
        content = CreateRangeStream(content, range.First, range.Last - range.First + 1);
    } else if (range.Kind == TByteRange::TKind::Unsatisfiable) {
        content = WebView2::CreateMemoryStream();
    }
    if (resolved.Foreign) {
        // Any local file may be named here, one that another user left in a shared folder
        // included: it is shown without scripts, in an origin of its own, so it cannot reach
        // the application's pages or the bridge.
        head.Headers += "\r\nContent-Security-Policy: sandbox";
    }
    WebView2::ComPtr<WebView2::ICoreWebView2WebResourceResponse> response;
    if (environment->CreateWebResourceResponse(content.Get(), head.Status, head.Reason.c_str(),
                                               head.Headers.c_str(),
                                               response.ReleaseAndGetAddressOf()) >= 0) {
        Args->ArgsInterface()->put_Response(response.Get());
    }
}

void TBrowserForm::EdgeBrowserNewWindowRequested(TCustomEdgeBrowser*, TNewWindowRequestedEventArgs* Args) {
    if (!FIsRuntime) {
        return;
    }
    WebView2::LPSTR rawUri = nullptr;
    Args->ArgsInterface()->get_Uri(&rawUri);
    const std::string uri = WebView2::TakeString(rawUri);
    if (!TStrUtils::StartsWithIgnoreCase(uri, "file:")) {
        return;
    }
    Args->ArgsInterface()->put_Handled(1);
    TSysUtils::ShellExec(Platform::GetExecutablePath(), "\"" + FRuntimeAppID + "\" \"" + uri + "\"");
}

void TBrowserForm::EdgeBrowserPermissionRequested(TCustomEdgeBrowser*, TPermissionRequestedEventArgs* Args) {
    Args->ArgsInterface()->put_State(WebView2::COREWEBVIEW2_PERMISSION_STATE_ALLOW);
}

void TBrowserForm::EdgeBrowserNavigationCompleted(TCustomEdgeBrowser*, bool, TOleEnum) {
    FProgressBar->Hide();
}

void TBrowserForm::EdgeBrowserProcessFailed(TCustomEdgeBrowser*, TOleEnum) {}

void TBrowserForm::EdgeBrowserClickMessageReceived(TCustomEdgeBrowser*, TWebMessageReceivedEventArgs* Args) {
    WebView2::LPSTR raw = nullptr;
    Args->ArgsInterface()->TryGetWebMessageAsString(&raw);
    const std::string text = WebView2::TakeString(raw);
    if (!FIsRuntime && text == "vtr-webbrowser-clicked" && Parent() != nullptr &&
        Parent()->Parent() != nullptr) {
        Parent()->Parent()->SetFocus();
    }
}

} // namespace Shared
