#pragma once

// Event-argument objects for engines: plain values an engine fills before raising an event
// and reads back afterwards (Cancel, Handled, State, Response, ...).

#include "base/Ascii.h"
#include "webview2/Com.h"
#include "webview2/Streams.h"

#include <string>
#include <utility>
#include <vector>

namespace WebView2 {

inline HRESULT OutString(const std::string& Value, LPSTR* Out) {
    if (Out == nullptr) {
        return E_POINTER;
    }
    *Out = CoTaskMemStrDup(Value.c_str(), Value.size());
    return *Out != nullptr ? S_OK : E_OUTOFMEMORY;
}

template <class T>
HRESULT OutValue(T Value, T* Out) {
    if (Out == nullptr) {
        return E_POINTER;
    }
    *Out = Value;
    return S_OK;
}

class TNavigationStartingArgs final : public TImplements<ICoreWebView2NavigationStartingEventArgs> {
public:
    std::string Uri;
    bool IsUserInitiated = false;
    bool IsRedirected = false;
    bool Cancel = false;
    UINT64 NavigationId = 0;

    HRESULT get_Uri(LPSTR* uri) override { return OutString(Uri, uri); }
    HRESULT get_IsUserInitiated(BOOL* value) override { return OutValue<BOOL>(IsUserInitiated, value); }
    HRESULT get_IsRedirected(BOOL* value) override { return OutValue<BOOL>(IsRedirected, value); }
    HRESULT get_Cancel(BOOL* value) override { return OutValue<BOOL>(Cancel, value); }
    HRESULT put_Cancel(BOOL value) override {
        Cancel = value != 0;
        return S_OK;
    }
    HRESULT get_NavigationId(UINT64* value) override { return OutValue(NavigationId, value); }
};

class TContentLoadingArgs final : public TImplements<ICoreWebView2ContentLoadingEventArgs> {
public:
    bool IsErrorPage = false;
    UINT64 NavigationId = 0;

    HRESULT get_IsErrorPage(BOOL* value) override { return OutValue<BOOL>(IsErrorPage, value); }
    HRESULT get_NavigationId(UINT64* value) override { return OutValue(NavigationId, value); }
};

class TSourceChangedArgs final : public TImplements<ICoreWebView2SourceChangedEventArgs> {
public:
    bool IsNewDocument = false;

    HRESULT get_IsNewDocument(BOOL* value) override { return OutValue<BOOL>(IsNewDocument, value); }
};

class TNavigationCompletedArgs final : public TImplements<ICoreWebView2NavigationCompletedEventArgs> {
public:
    bool IsSuccess = false;
    COREWEBVIEW2_WEB_ERROR_STATUS WebErrorStatus = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
    UINT64 NavigationId = 0;

    HRESULT get_IsSuccess(BOOL* value) override { return OutValue<BOOL>(IsSuccess, value); }
    HRESULT get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* value) override {
        return OutValue(WebErrorStatus, value);
    }
    HRESULT get_NavigationId(UINT64* value) override { return OutValue(NavigationId, value); }
};

class TScriptDialogOpeningArgs final : public TImplements<ICoreWebView2ScriptDialogOpeningEventArgs> {
public:
    std::string Uri;
    COREWEBVIEW2_SCRIPT_DIALOG_KIND Kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT;
    std::string Message;
    std::string DefaultText;
    std::string ResultText;
    bool Accepted = false;

    HRESULT get_Uri(LPSTR* uri) override { return OutString(Uri, uri); }
    HRESULT get_Kind(COREWEBVIEW2_SCRIPT_DIALOG_KIND* value) override { return OutValue(Kind, value); }
    HRESULT get_Message(LPSTR* value) override { return OutString(Message, value); }
    HRESULT Accept() override {
        Accepted = true;
        return S_OK;
    }
    HRESULT get_DefaultText(LPSTR* value) override { return OutString(DefaultText, value); }
    HRESULT get_ResultText(LPSTR* value) override { return OutString(ResultText, value); }
    HRESULT put_ResultText(LPCSTR value) override {
        if (value == nullptr) {
            return E_POINTER;
        }
        ResultText = value;
        return S_OK;
    }
};

class TPermissionRequestedArgs final : public TImplements<ICoreWebView2PermissionRequestedEventArgs> {
public:
    std::string Uri;
    COREWEBVIEW2_PERMISSION_KIND Kind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
    bool IsUserInitiated = false;
    COREWEBVIEW2_PERMISSION_STATE State = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;

    HRESULT get_Uri(LPSTR* uri) override { return OutString(Uri, uri); }
    HRESULT get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* value) override { return OutValue(Kind, value); }
    HRESULT get_IsUserInitiated(BOOL* value) override { return OutValue<BOOL>(IsUserInitiated, value); }
    HRESULT get_State(COREWEBVIEW2_PERMISSION_STATE* value) override { return OutValue(State, value); }
    HRESULT put_State(COREWEBVIEW2_PERMISSION_STATE value) override {
        if (value > COREWEBVIEW2_PERMISSION_STATE_DENY) {
            return E_INVALIDARG;
        }
        State = value;
        return S_OK;
    }
};

class TProcessFailedArgs final : public TImplements<ICoreWebView2ProcessFailedEventArgs> {
public:
    COREWEBVIEW2_PROCESS_FAILED_KIND Kind = COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED;

    HRESULT get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* value) override {
        return OutValue(Kind, value);
    }
};

class TWebMessageReceivedArgs final : public TImplements<ICoreWebView2WebMessageReceivedEventArgs> {
public:
    std::string Source;
    std::string Json;
    bool IsString = false;
    std::string StringValue;

    HRESULT get_Source(LPSTR* value) override { return OutString(Source, value); }
    HRESULT get_WebMessageAsJson(LPSTR* value) override { return OutString(Json, value); }
    HRESULT TryGetWebMessageAsString(LPSTR* value) override {
        if (!IsString) {
            if (value != nullptr) {
                *value = nullptr;
            }
            return E_INVALIDARG;
        }
        return OutString(StringValue, value);
    }
};

class TNewWindowRequestedArgs final : public TImplements<ICoreWebView2NewWindowRequestedEventArgs> {
public:
    std::string Uri;
    bool IsUserInitiated = false;
    bool Handled = false;

    HRESULT get_Uri(LPSTR* uri) override { return OutString(Uri, uri); }
    HRESULT get_IsUserInitiated(BOOL* value) override { return OutValue<BOOL>(IsUserInitiated, value); }
    HRESULT get_Handled(BOOL* value) override { return OutValue<BOOL>(Handled, value); }
    HRESULT put_Handled(BOOL value) override {
        Handled = value != 0;
        return S_OK;
    }
};

class TMoveFocusRequestedArgs final : public TImplements<ICoreWebView2MoveFocusRequestedEventArgs> {
public:
    COREWEBVIEW2_MOVE_FOCUS_REASON Reason = COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT;
    bool Handled = false;

    HRESULT get_Reason(COREWEBVIEW2_MOVE_FOCUS_REASON* value) override { return OutValue(Reason, value); }
    HRESULT get_Handled(BOOL* value) override { return OutValue<BOOL>(Handled, value); }
    HRESULT put_Handled(BOOL value) override {
        Handled = value != 0;
        return S_OK;
    }
};

class TAcceleratorKeyPressedArgs final : public TImplements<ICoreWebView2AcceleratorKeyPressedEventArgs> {
public:
    COREWEBVIEW2_KEY_EVENT_KIND Kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
    UINT VirtualKey = 0;
    int LParam = 0;
    bool Handled = false;

    HRESULT get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* value) override { return OutValue(Kind, value); }
    HRESULT get_VirtualKey(UINT* value) override { return OutValue(VirtualKey, value); }
    HRESULT get_KeyEventLParam(int* value) override { return OutValue(LParam, value); }
    HRESULT get_Handled(BOOL* value) override { return OutValue<BOOL>(Handled, value); }
    HRESULT put_Handled(BOOL value) override {
        Handled = value != 0;
        return S_OK;
    }
};

class TWebResourceRequest final
    : public TImplements<ICoreWebView2WebResourceRequest, ICoreWebView2WebResourceRequestHeaders> {
public:
    std::string Uri;
    std::string Method = "GET";
    std::vector<std::pair<std::string, std::string>> Headers; // as the request carries them

    HRESULT get_Uri(LPSTR* uri) override { return OutString(Uri, uri); }
    HRESULT get_Method(LPSTR* method) override { return OutString(Method, method); }
    HRESULT GetHeader(LPCSTR name, LPSTR* value) override {
        if (name == nullptr) {
            return E_POINTER;
        }
        for (const auto& [key, text] : Headers) {
            if (Base::EqualsIgnoreAsciiCase(key, name)) {
                const HRESULT hr = OutString(text, value);
                return Failed(hr) ? hr : S_OK;
            }
        }
        const HRESULT hr = OutString("", value);
        return Failed(hr) ? hr : S_FALSE;
    }
};

class TWebResourceResponse final : public TImplements<ICoreWebView2WebResourceResponse> {
public:
    ComPtr<IStream> Content;
    int StatusCode = 200;
    std::string ReasonPhrase = "OK";
    std::string Headers;

    HRESULT get_Content(IStream** value) override {
        if (value == nullptr) {
            return E_POINTER;
        }
        *value = Content.CopyOut();
        return S_OK;
    }
    HRESULT put_Content(IStream* value) override {
        Content = value;
        return S_OK;
    }
    HRESULT get_StatusCode(int* value) override { return OutValue(StatusCode, value); }
    HRESULT put_StatusCode(int value) override {
        StatusCode = value;
        return S_OK;
    }
    HRESULT get_ReasonPhrase(LPSTR* value) override { return OutString(ReasonPhrase, value); }
    HRESULT put_ReasonPhrase(LPCSTR value) override {
        if (value == nullptr) {
            return E_POINTER;
        }
        ReasonPhrase = value;
        return S_OK;
    }
    HRESULT get_Headers(LPSTR* value) override { return OutString(Headers, value); }
};

// The answer an environment's CreateWebResourceResponse gives.
inline HRESULT MakeWebResourceResponse(IStream* Content, int StatusCode, LPCSTR ReasonPhrase, LPCSTR Headers,
                                       ICoreWebView2WebResourceResponse** Response) {
    if (Response == nullptr) {
        return E_POINTER;
    }
    auto result = MakeCom<TWebResourceResponse>();
    result->Content = Content;
    result->StatusCode = StatusCode;
    result->ReasonPhrase = ReasonPhrase != nullptr ? ReasonPhrase : "";
    result->Headers = Headers != nullptr ? Headers : "";
    *Response = result.Detach();
    return S_OK;
}

class TWebResourceRequestedArgs final : public TImplements<ICoreWebView2WebResourceRequestedEventArgs> {
public:
    ComPtr<ICoreWebView2WebResourceRequest> Request;
    ComPtr<ICoreWebView2WebResourceResponse> Response;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT Context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;

    HRESULT get_Request(ICoreWebView2WebResourceRequest** value) override {
        if (value == nullptr) {
            return E_POINTER;
        }
        *value = Request.CopyOut();
        return S_OK;
    }
    HRESULT get_Response(ICoreWebView2WebResourceResponse** value) override {
        if (value == nullptr) {
            return E_POINTER;
        }
        *value = Response.CopyOut();
        return S_OK;
    }
    HRESULT put_Response(ICoreWebView2WebResourceResponse* value) override {
        Response = value;
        return S_OK;
    }
    HRESULT get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* value) override {
        return OutValue(Context, value);
    }
};

class TDevToolsProtocolEventReceivedArgs final
    : public TImplements<ICoreWebView2DevToolsProtocolEventReceivedEventArgs> {
public:
    std::string ParameterObjectAsJson;

    HRESULT get_ParameterObjectAsJson(LPSTR* value) override {
        return OutString(ParameterObjectAsJson, value);
    }
};

} // namespace WebView2
