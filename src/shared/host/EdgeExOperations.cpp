#include "shared/host/EdgeEx.h"
#include "shared/host/EdgeExInternal.h"

#include "base/Ascii.h"
#include "shared/text/StrUtils.h"
#include "webview2/Streams.h"

#include <ostream>

// The host control's operations, page state and settings properties. Every browser result
// goes into LastErrorCode; only the settings properties raise.

namespace Shared {

using namespace WebView2;

// ---- Navigation and scripts ----------------------------------------------------------------

bool TCustomEdgeBrowser::Navigate(const std::string& AUrl) {
    if (FWebView) {
        return RecordHResult(FWebView->Navigate(AUrl.c_str()));
    }
    // Remembered, and opened once the WebView exists.
    if (TStrUtils::Trim(AUrl).empty()) {
        return false;
    }
    FLastURL = AUrl;
    return true;
}

bool TCustomEdgeBrowser::NavigateToString(const std::string& AHTMLContent) {
    return FWebView && RecordHResult(FWebView->NavigateToString(AHTMLContent.c_str()));
}

void TCustomEdgeBrowser::GoBack() {
    if (FWebView) {
        RecordHResult(FWebView->GoBack());
    }
}

void TCustomEdgeBrowser::GoForward() {
    if (FWebView) {
        RecordHResult(FWebView->GoForward());
    }
}

void TCustomEdgeBrowser::Refresh() {
    if (FWebView) {
        RecordHResult(FWebView->Reload());
    }
}

void TCustomEdgeBrowser::Stop() {
    if (FWebView) {
        RecordHResult(FWebView->Stop());
    }
}

void TCustomEdgeBrowser::ExecuteScript(const std::string& JavaScript) {
    if (!FWebView) {
        return;
    }
    const auto completed = Handler<ICoreWebView2ExecuteScriptCompletedHandler>(
        [](TCustomEdgeBrowser& c, HRESULT ErrorCode, LPCSTR ResultObjectAsJson) {
            if (c.OnExecuteScript) {
                const std::string json = ResultObjectAsJson != nullptr ? ResultObjectAsJson : "";
                c.Raise("OnExecuteScript", [&] { c.OnExecuteScript(&c, ErrorCode, json); });
            }
        });
    RecordHResult(FWebView->ExecuteScript(JavaScript.c_str(), completed.Get()));
}

void TCustomEdgeBrowser::AddWebResourceRequestedFilter(const std::string& URL, TOleEnum ResourceContext) {
    if (FWebView) {
        RecordHResult(FWebView->AddWebResourceRequestedFilter(
            URL.c_str(), static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(ResourceContext)));
    }
}

void TCustomEdgeBrowser::RemoveWebResourceRequestedFilter(const std::string& URL, TOleEnum ResourceContext) {
    if (FWebView) {
        RecordHResult(FWebView->RemoveWebResourceRequestedFilter(
            URL.c_str(), static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(ResourceContext)));
    }
}

// ---- Preview capture and DevTools events ---------------------------------------------------

namespace {

COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT ImageFormat(TPreviewFormat Format) {
    return Format == TPreviewFormat::JPEG ? COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG
                                          : COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG;
}

} // namespace

void TCustomEdgeBrowser::CapturePreview(const std::string& AFilename, TPreviewFormat PreviewFormat) {
    if (!FWebView) {
        return;
    }
    HRESULT opened = S_OK;
    const ComPtr<IStream> stream = CreateStreamOnFile(AFilename, opened);
    if (!RecordHResult(opened)) {
        return;
    }
    const auto completed =
        Handler<ICoreWebView2CapturePreviewCompletedHandler>([](TCustomEdgeBrowser& c, HRESULT ErrorCode) {
            if (c.OnCapturePreviewCompleted) {
                c.Raise("OnCapturePreviewCompleted", [&] { c.OnCapturePreviewCompleted(&c, ErrorCode); });
            }
        });
    RecordHResult(FWebView->CapturePreview(ImageFormat(PreviewFormat), stream.Get(), completed.Get()));
}

void TCustomEdgeBrowser::CapturePreview(std::ostream& Stream, TPreviewFormat PreviewFormat) {
    if (!FWebView) {
        return;
    }
    const ComPtr<IStream> stream = CreateStreamOnOStream(Stream);
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    const auto completed =
        Handler<ICoreWebView2CapturePreviewCompletedHandler>([](TCustomEdgeBrowser& c, HRESULT ErrorCode) {
            if (c.OnCapturePreviewCompleted) {
                c.Raise("OnCapturePreviewCompleted", [&] { c.OnCapturePreviewCompleted(&c, ErrorCode); });
            }
        });
    RecordHResult(FWebView->CapturePreview(ImageFormat(PreviewFormat), stream.Get(), completed.Get()));
}

void TCustomEdgeBrowser::SubscribeToCDPEvent(const std::string& CDPEventName) {
    if (!FWebView) {
        return;
    }
    ComPtr<ICoreWebView2DevToolsProtocolEventReceiver> receiver;
    if (!RecordHResult(FWebView->GetDevToolsProtocolEventReceiver(CDPEventName.c_str(),
                                                                  receiver.ReleaseAndGetAddressOf()))) {
        return;
    }
    if (const auto it = FDevToolsProtocolEventReceivedTokenMap.find(CDPEventName);
        it != FDevToolsProtocolEventReceivedTokenMap.end()) {
        receiver->remove_DevToolsProtocolEventReceived(it->second);
    }
    const auto received = Handler<ICoreWebView2DevToolsProtocolEventReceivedEventHandler>(
        [CDPEventName](TCustomEdgeBrowser& c, ICoreWebView2*,
                       ICoreWebView2DevToolsProtocolEventReceivedEventArgs* Args) {
            if (!c.OnDevToolsProtocolEventReceived) {
                return;
            }
            LPSTR json = nullptr;
            Args->get_ParameterObjectAsJson(&json);
            const std::string parameters = TakeString(json);
            c.Raise("OnDevToolsProtocolEventReceived",
                    [&] { c.OnDevToolsProtocolEventReceived(&c, CDPEventName, parameters); });
        });
    EventRegistrationToken token;
    RecordHResult(receiver->add_DevToolsProtocolEventReceived(received.Get(), &token));
    FDevToolsProtocolEventReceivedTokenMap[CDPEventName] = token;
}

// ---- Page state ----------------------------------------------------------------------------

bool TCustomEdgeBrowser::CanGoBack() {
    BOOL value = 0;
    return FWebView && RecordHResult(FWebView->get_CanGoBack(&value)) && value != 0;
}

bool TCustomEdgeBrowser::CanGoForward() {
    BOOL value = 0;
    return FWebView && RecordHResult(FWebView->get_CanGoForward(&value)) && value != 0;
}

bool TCustomEdgeBrowser::ContainsFullScreenElement() {
    BOOL value = 0;
    return FWebView && RecordHResult(FWebView->get_ContainsFullScreenElement(&value)) && value != 0;
}

std::string TCustomEdgeBrowser::DocumentTitle() {
    if (!FWebView) {
        return {};
    }
    LPSTR title = nullptr;
    const bool ok = RecordHResult(FWebView->get_DocumentTitle(&title));
    std::string text = TakeString(title);
    return ok ? text : std::string();
}

std::string TCustomEdgeBrowser::LocationURL() {
    if (!FWebView) {
        return {};
    }
    LPSTR source = nullptr;
    const bool ok = RecordHResult(FWebView->get_Source(&source));
    std::string text = TakeString(source);
    if (!ok || Base::EqualsIgnoreAsciiCase(text, "about:blank")) {
        return {};
    }
    return text;
}

std::string TCustomEdgeBrowser::BrowserVersionInfo() {
    LPSTR version = nullptr;
    if (FWebView && FWebViewEnvironment) {
        RecordHResult(FWebViewEnvironment->get_BrowserVersionString(&version));
    } else {
        RecordHResult(LoaderGetBrowserVersion("", &version));
    }
    std::string text = TakeString(version);
    return LastErrorCode() >= 0 ? text : std::string();
}

double TCustomEdgeBrowser::ZoomFactor() {
    double zoom = 0.0;
    if (!FWebViewController || !RecordHResult(FWebViewController->get_ZoomFactor(&zoom))) {
        return 0.0;
    }
    return zoom;
}

void TCustomEdgeBrowser::SetZoomFactor(double Value) {
    if (FWebViewController) {
        RecordHResult(FWebViewController->put_ZoomFactor(Value));
    }
}

// ---- Settings ------------------------------------------------------------------------------

bool TCustomEdgeBrowser::GetSetting(HRESULT (ICoreWebView2Settings::*Getter)(BOOL*)) {
    BOOL value = 0;
    if (!FWebViewSettings || !RecordHResult((FWebViewSettings.Get()->*Getter)(&value))) {
        throw EEdgeError(SEdgeNotInstantiated, E_FAIL);
    }
    return value != 0;
}

void TCustomEdgeBrowser::SetSetting(HRESULT (ICoreWebView2Settings::*Setter)(BOOL), bool Value) {
    if (!FWebViewSettings) {
        throw EEdgeError(SEdgeNotInstantiated, E_FAIL);
    }
    RecordHResult((FWebViewSettings.Get()->*Setter)(Value ? 1 : 0));
}

bool TCustomEdgeBrowser::BuiltInErrorPageEnabled() {
    return GetSetting(&ICoreWebView2Settings::get_IsBuiltInErrorPageEnabled);
}
void TCustomEdgeBrowser::SetBuiltInErrorPageEnabled(bool Value) {
    SetSetting(&ICoreWebView2Settings::put_IsBuiltInErrorPageEnabled, Value);
}
bool TCustomEdgeBrowser::DefaultContextMenusEnabled() {
    return GetSetting(&ICoreWebView2Settings::get_AreDefaultContextMenusEnabled);
}
void TCustomEdgeBrowser::SetDefaultContextMenusEnabled(bool Value) {
    SetSetting(&ICoreWebView2Settings::put_AreDefaultContextMenusEnabled, Value);
}
bool TCustomEdgeBrowser::DefaultScriptDialogsEnabled() {
    return GetSetting(&ICoreWebView2Settings::get_AreDefaultScriptDialogsEnabled);
}
void TCustomEdgeBrowser::SetDefaultScriptDialogsEnabled(bool Value) {
    SetSetting(&ICoreWebView2Settings::put_AreDefaultScriptDialogsEnabled, Value);
}
bool TCustomEdgeBrowser::DevToolsEnabled() {
    return GetSetting(&ICoreWebView2Settings::get_AreDevToolsEnabled);
}
void TCustomEdgeBrowser::SetDevToolsEnabled(bool Value) {
    SetSetting(&ICoreWebView2Settings::put_AreDevToolsEnabled, Value);
}
bool TCustomEdgeBrowser::ScriptEnabled() {
    return GetSetting(&ICoreWebView2Settings::get_IsScriptEnabled);
}
void TCustomEdgeBrowser::SetScriptEnabled(bool Value) {
    SetSetting(&ICoreWebView2Settings::put_IsScriptEnabled, Value);
}
bool TCustomEdgeBrowser::StatusBarEnabled() {
    return GetSetting(&ICoreWebView2Settings::get_IsStatusBarEnabled);
}
void TCustomEdgeBrowser::SetStatusBarEnabled(bool Value) {
    SetSetting(&ICoreWebView2Settings::put_IsStatusBarEnabled, Value);
}
bool TCustomEdgeBrowser::WebMessageEnabled() {
    return GetSetting(&ICoreWebView2Settings::get_IsWebMessageEnabled);
}
void TCustomEdgeBrowser::SetWebMessageEnabled(bool Value) {
    SetSetting(&ICoreWebView2Settings::put_IsWebMessageEnabled, Value);
}
bool TCustomEdgeBrowser::ZoomControlEnabled() {
    return GetSetting(&ICoreWebView2Settings::get_IsZoomControlEnabled);
}
void TCustomEdgeBrowser::SetZoomControlEnabled(bool Value) {
    SetSetting(&ICoreWebView2Settings::put_IsZoomControlEnabled, Value);
}

} // namespace Shared
