#pragma once

// The browser-engine interface: what the host control, the browser form and the bridge call.
// It is an ABI between separately built files (the program and the engine library), so:
// - interfaces are append-only: a new method goes into a new interface reached through
//   QueryInterface, never into an existing one;
// - only plain types cross it (no standard-library types, no exceptions);
// - strings are UTF-8; every out-string is allocated with CoTaskMemAlloc and freed by the
//   caller with CoTaskMemFree;
// - every engine library exports VtrEngineAbiVersion, and a program refuses an engine older
//   than the EngineAbiVersion it was built with.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace WebView2 {

// Raised whenever an interface or an export is added.
constexpr std::uint32_t EngineAbiVersion = 1;

using HRESULT = std::int32_t;
using BOOL = std::int32_t;
using UINT = std::uint32_t;
using UINT32 = std::uint32_t;
using UINT64 = std::uint64_t;
using INT64 = std::int64_t;
using LPSTR = char*;
using LPCSTR = const char*;
// The parent of a controller: an opaque native handle. In the GTK build it is the
// GtkContainer that the host control gives the engine to put the browser into.
using HWND = void*;
// Interface identifiers are the interface names; they are compared as text.
using REFIID = const char*;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
// The call was made on a thread other than the one that owns the object.
constexpr HRESULT RPC_E_WRONG_THREAD = static_cast<HRESULT>(0x8001010Eu);

// Windows system error codes carried in an HRESULT (facility 7).
constexpr HRESULT HResultFromWin32(std::uint32_t Code) {
    return Code == 0 ? S_OK : static_cast<HRESULT>((Code & 0xFFFFu) | 0x80070000u);
}
constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
constexpr std::uint32_t ERROR_INVALID_STATE = 5023;

constexpr bool Succeeded(HRESULT hr) {
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}

struct EventRegistrationToken {
    INT64 value = 0;
};

struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Both sides of the ABI use the process's C heap, so a string allocated by the engine can
// be freed by the program and the other way round.
inline void* CoTaskMemAlloc(std::size_t Size) {
    return std::malloc(Size == 0 ? 1 : Size);
}
inline void CoTaskMemFree(void* Memory) {
    std::free(Memory);
}
// A copy of Text in CoTaskMemAlloc'd memory (null when out of memory).
inline LPSTR CoTaskMemStrDup(const char* Text, std::size_t Length) {
    auto* out = static_cast<char*>(CoTaskMemAlloc(Length + 1));
    if (out != nullptr) {
        std::memcpy(out, Text, Length);
        out[Length] = '\0';
    }
    return out;
}
inline LPSTR CoTaskMemStrDup(const char* Text) {
    return CoTaskMemStrDup(Text, std::strlen(Text));
}

enum COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT : std::uint32_t {
    COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG = 0,
    COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG = 1,
};

enum COREWEBVIEW2_MOVE_FOCUS_REASON : std::uint32_t {
    COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0,
    COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT = 1,
    COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS = 2,
};

enum COREWEBVIEW2_KEY_EVENT_KIND : std::uint32_t {
    COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN = 0,
    COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP = 1,
    COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN = 2,
    COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP = 3,
};

enum COREWEBVIEW2_PROCESS_FAILED_KIND : std::uint32_t {
    COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED = 0,
    COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED = 1,
    COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE = 2,
};

enum COREWEBVIEW2_PERMISSION_KIND : std::uint32_t {
    COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION = 0,
    COREWEBVIEW2_PERMISSION_KIND_MICROPHONE = 1,
    COREWEBVIEW2_PERMISSION_KIND_CAMERA = 2,
    COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION = 3,
    COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS = 4,
    COREWEBVIEW2_PERMISSION_KIND_OTHER_SENSORS = 5,
    COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ = 6,
};

enum COREWEBVIEW2_PERMISSION_STATE : std::uint32_t {
    COREWEBVIEW2_PERMISSION_STATE_DEFAULT = 0,
    COREWEBVIEW2_PERMISSION_STATE_ALLOW = 1,
    COREWEBVIEW2_PERMISSION_STATE_DENY = 2,
};

enum COREWEBVIEW2_SCRIPT_DIALOG_KIND : std::uint32_t {
    COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT = 0,
    COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM = 1,
    COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT = 2,
    COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD = 3,
};

enum COREWEBVIEW2_WEB_ERROR_STATUS : std::uint32_t {
    COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN = 0,
    COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_COMMON_NAME_IS_INCORRECT = 1,
    COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_EXPIRED = 2,
    COREWEBVIEW2_WEB_ERROR_STATUS_CLIENT_CERTIFICATE_CONTAINS_ERRORS = 3,
    COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_REVOKED = 4,
    COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_IS_INVALID = 5,
    COREWEBVIEW2_WEB_ERROR_STATUS_SERVER_UNREACHABLE = 6,
    COREWEBVIEW2_WEB_ERROR_STATUS_TIMEOUT = 7,
    COREWEBVIEW2_WEB_ERROR_STATUS_ERROR_HTTP_INVALID_SERVER_RESPONSE = 8,
    COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_ABORTED = 9,
    COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_RESET = 10,
    COREWEBVIEW2_WEB_ERROR_STATUS_DISCONNECTED = 11,
    COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT = 12,
    COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED = 13,
    COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED = 14,
    COREWEBVIEW2_WEB_ERROR_STATUS_REDIRECT_FAILED = 15,
    COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR = 16,
};

enum COREWEBVIEW2_WEB_RESOURCE_CONTEXT : std::uint32_t {
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL = 0,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT = 1,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET = 2,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE = 3,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA = 4,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT = 5,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT = 6,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST = 7,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH = 8,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER = 16,
};

// Seek origins of IStream::Seek.
enum STREAM_SEEK : std::uint32_t { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

// Every interface names itself: `static constexpr REFIID Iid`.
struct IUnknown {
    static constexpr REFIID Iid = "IUnknown";
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual UINT32 AddRef() = 0;
    virtual UINT32 Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IStream : IUnknown {
    static constexpr REFIID Iid = "IStream";
    virtual HRESULT Read(void* buffer, UINT32 size, UINT32* read) = 0;
    virtual HRESULT Write(const void* buffer, UINT32 size, UINT32* written) = 0;
    virtual HRESULT Seek(INT64 move, STREAM_SEEK origin, UINT64* newPosition) = 0;

protected:
    ~IStream() = default;
};

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2Settings;
struct ICoreWebView2WebResourceResponse;
struct ICoreWebView2DevToolsProtocolEventReceiver;

// ---- Event arguments -------------------------------------------------------------------

struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2NavigationStartingEventArgs";
    virtual HRESULT get_Uri(LPSTR* uri) = 0;
    virtual HRESULT get_IsUserInitiated(BOOL* isUserInitiated) = 0;
    virtual HRESULT get_IsRedirected(BOOL* isRedirected) = 0;
    virtual HRESULT get_Cancel(BOOL* cancel) = 0;
    virtual HRESULT put_Cancel(BOOL cancel) = 0;
    virtual HRESULT get_NavigationId(UINT64* navigationId) = 0;

protected:
    ~ICoreWebView2NavigationStartingEventArgs() = default;
};

struct ICoreWebView2ContentLoadingEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2ContentLoadingEventArgs";
    virtual HRESULT get_IsErrorPage(BOOL* isErrorPage) = 0;
    virtual HRESULT get_NavigationId(UINT64* navigationId) = 0;

protected:
    ~ICoreWebView2ContentLoadingEventArgs() = default;
};

struct ICoreWebView2SourceChangedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2SourceChangedEventArgs";
    virtual HRESULT get_IsNewDocument(BOOL* isNewDocument) = 0;

protected:
    ~ICoreWebView2SourceChangedEventArgs() = default;
};

struct ICoreWebView2NavigationCompletedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2NavigationCompletedEventArgs";
    virtual HRESULT get_IsSuccess(BOOL* isSuccess) = 0;
    virtual HRESULT get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* webErrorStatus) = 0;
    virtual HRESULT get_NavigationId(UINT64* navigationId) = 0;

protected:
    ~ICoreWebView2NavigationCompletedEventArgs() = default;
};

struct ICoreWebView2ScriptDialogOpeningEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2ScriptDialogOpeningEventArgs";
    virtual HRESULT get_Uri(LPSTR* uri) = 0;
    virtual HRESULT get_Kind(COREWEBVIEW2_SCRIPT_DIALOG_KIND* kind) = 0;
    virtual HRESULT get_Message(LPSTR* message) = 0;
    // Confirms the dialog (OK): without it, a confirm or prompt answers as cancelled.
    virtual HRESULT Accept() = 0;
    virtual HRESULT get_DefaultText(LPSTR* defaultText) = 0;
    virtual HRESULT get_ResultText(LPSTR* resultText) = 0;
    virtual HRESULT put_ResultText(LPCSTR resultText) = 0;

protected:
    ~ICoreWebView2ScriptDialogOpeningEventArgs() = default;
};

struct ICoreWebView2PermissionRequestedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2PermissionRequestedEventArgs";
    virtual HRESULT get_Uri(LPSTR* uri) = 0;
    virtual HRESULT get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* permissionKind) = 0;
    virtual HRESULT get_IsUserInitiated(BOOL* isUserInitiated) = 0;
    virtual HRESULT get_State(COREWEBVIEW2_PERMISSION_STATE* state) = 0;
    virtual HRESULT put_State(COREWEBVIEW2_PERMISSION_STATE state) = 0;

protected:
    ~ICoreWebView2PermissionRequestedEventArgs() = default;
};

struct ICoreWebView2ProcessFailedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2ProcessFailedEventArgs";
    virtual HRESULT get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* processFailedKind) = 0;

protected:
    ~ICoreWebView2ProcessFailedEventArgs() = default;
};

struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2WebMessageReceivedEventArgs";
    virtual HRESULT get_Source(LPSTR* source) = 0;
    virtual HRESULT get_WebMessageAsJson(LPSTR* webMessageAsJson) = 0;
    // E_INVALIDARG when the message was not posted as a string.
    virtual HRESULT TryGetWebMessageAsString(LPSTR* webMessageAsString) = 0;

protected:
    ~ICoreWebView2WebMessageReceivedEventArgs() = default;
};

struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2NewWindowRequestedEventArgs";
    virtual HRESULT get_Uri(LPSTR* uri) = 0;
    virtual HRESULT get_IsUserInitiated(BOOL* isUserInitiated) = 0;
    virtual HRESULT get_Handled(BOOL* handled) = 0;
    // Handled: no window is opened.
    virtual HRESULT put_Handled(BOOL handled) = 0;

protected:
    ~ICoreWebView2NewWindowRequestedEventArgs() = default;
};

struct ICoreWebView2WebResourceRequest : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2WebResourceRequest";
    virtual HRESULT get_Uri(LPSTR* uri) = 0;
    virtual HRESULT get_Method(LPSTR* method) = 0;

protected:
    ~ICoreWebView2WebResourceRequest() = default;
};

// The request's HTTP headers (appended to the interface set: an older engine lacks it, and the
// host then serves whole answers).
struct ICoreWebView2WebResourceRequestHeaders : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2WebResourceRequestHeaders";
    // The value of the header Name (any case), S_OK; S_FALSE with an empty value when absent.
    virtual HRESULT GetHeader(LPCSTR name, LPSTR* value) = 0;

protected:
    ~ICoreWebView2WebResourceRequestHeaders() = default;
};

struct ICoreWebView2WebResourceResponse : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2WebResourceResponse";
    virtual HRESULT get_Content(IStream** content) = 0;
    virtual HRESULT put_Content(IStream* content) = 0;
    virtual HRESULT get_StatusCode(int* statusCode) = 0;
    virtual HRESULT put_StatusCode(int statusCode) = 0;
    virtual HRESULT get_ReasonPhrase(LPSTR* reasonPhrase) = 0;
    virtual HRESULT put_ReasonPhrase(LPCSTR reasonPhrase) = 0;
    // The header lines, "Name: value" separated by CR LF.
    virtual HRESULT get_Headers(LPSTR* headers) = 0;

protected:
    ~ICoreWebView2WebResourceResponse() = default;
};

struct ICoreWebView2WebResourceRequestedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2WebResourceRequestedEventArgs";
    virtual HRESULT get_Request(ICoreWebView2WebResourceRequest** request) = 0;
    virtual HRESULT get_Response(ICoreWebView2WebResourceResponse** response) = 0;
    virtual HRESULT put_Response(ICoreWebView2WebResourceResponse* response) = 0;
    virtual HRESULT get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) = 0;

protected:
    ~ICoreWebView2WebResourceRequestedEventArgs() = default;
};

struct ICoreWebView2MoveFocusRequestedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2MoveFocusRequestedEventArgs";
    virtual HRESULT get_Reason(COREWEBVIEW2_MOVE_FOCUS_REASON* reason) = 0;
    virtual HRESULT get_Handled(BOOL* value) = 0;
    virtual HRESULT put_Handled(BOOL value) = 0;

protected:
    ~ICoreWebView2MoveFocusRequestedEventArgs() = default;
};

struct ICoreWebView2AcceleratorKeyPressedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2AcceleratorKeyPressedEventArgs";
    virtual HRESULT get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* keyEventKind) = 0;
    // The Windows virtual-key code of the key.
    virtual HRESULT get_VirtualKey(UINT* virtualKey) = 0;
    // The key message's lParam: repeat count, scan code, extended-key, context and
    // transition bits, laid out as Windows lays them out.
    virtual HRESULT get_KeyEventLParam(int* lParam) = 0;
    virtual HRESULT get_Handled(BOOL* handled) = 0;
    // Handled: the page does not receive the key.
    virtual HRESULT put_Handled(BOOL handled) = 0;

protected:
    ~ICoreWebView2AcceleratorKeyPressedEventArgs() = default;
};

struct ICoreWebView2DevToolsProtocolEventReceivedEventArgs : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2DevToolsProtocolEventReceivedEventArgs";
    virtual HRESULT get_ParameterObjectAsJson(LPSTR* parameterObjectAsJson) = 0;

protected:
    ~ICoreWebView2DevToolsProtocolEventReceivedEventArgs() = default;
};

// ---- Handlers: reference-counted objects with Invoke ---------------------------------

#define VTR_WEBVIEW2_HANDLER(Name, ...)                                                                      \
    struct Name : IUnknown {                                                                                 \
        static constexpr REFIID Iid = #Name;                                                                 \
        virtual HRESULT Invoke(__VA_ARGS__) = 0;                                                             \
                                                                                                             \
    protected:                                                                                               \
        ~Name() = default;                                                                                   \
    }

VTR_WEBVIEW2_HANDLER(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT errorCode,
                     ICoreWebView2Environment* createdEnvironment);
VTR_WEBVIEW2_HANDLER(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT errorCode,
                     ICoreWebView2Controller* createdController);
VTR_WEBVIEW2_HANDLER(ICoreWebView2ExecuteScriptCompletedHandler, HRESULT errorCode,
                     LPCSTR resultObjectAsJson);
VTR_WEBVIEW2_HANDLER(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, HRESULT errorCode,
                     LPCSTR id);
VTR_WEBVIEW2_HANDLER(ICoreWebView2CapturePreviewCompletedHandler, HRESULT errorCode);
VTR_WEBVIEW2_HANDLER(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler, HRESULT errorCode,
                     LPCSTR returnObjectAsJson);

VTR_WEBVIEW2_HANDLER(ICoreWebView2NavigationStartingEventHandler, ICoreWebView2* sender,
                     ICoreWebView2NavigationStartingEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2ContentLoadingEventHandler, ICoreWebView2* sender,
                     ICoreWebView2ContentLoadingEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2SourceChangedEventHandler, ICoreWebView2* sender,
                     ICoreWebView2SourceChangedEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2HistoryChangedEventHandler, ICoreWebView2* sender, IUnknown* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2* sender,
                     ICoreWebView2NavigationCompletedEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2ScriptDialogOpeningEventHandler, ICoreWebView2* sender,
                     ICoreWebView2ScriptDialogOpeningEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2PermissionRequestedEventHandler, ICoreWebView2* sender,
                     ICoreWebView2PermissionRequestedEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2ProcessFailedEventHandler, ICoreWebView2* sender,
                     ICoreWebView2ProcessFailedEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2* sender,
                     ICoreWebView2WebMessageReceivedEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2* sender,
                     ICoreWebView2NewWindowRequestedEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2DocumentTitleChangedEventHandler, ICoreWebView2* sender, IUnknown* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2ContainsFullScreenElementChangedEventHandler, ICoreWebView2* sender,
                     IUnknown* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2WebResourceRequestedEventHandler, ICoreWebView2* sender,
                     ICoreWebView2WebResourceRequestedEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2WindowCloseRequestedEventHandler, ICoreWebView2* sender, IUnknown* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2DevToolsProtocolEventReceivedEventHandler, ICoreWebView2* sender,
                     ICoreWebView2DevToolsProtocolEventReceivedEventArgs* args);

VTR_WEBVIEW2_HANDLER(ICoreWebView2ZoomFactorChangedEventHandler, ICoreWebView2Controller* sender,
                     IUnknown* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2MoveFocusRequestedEventHandler, ICoreWebView2Controller* sender,
                     ICoreWebView2MoveFocusRequestedEventArgs* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2FocusChangedEventHandler, ICoreWebView2Controller* sender, IUnknown* args);
VTR_WEBVIEW2_HANDLER(ICoreWebView2AcceleratorKeyPressedEventHandler, ICoreWebView2Controller* sender,
                     ICoreWebView2AcceleratorKeyPressedEventArgs* args);

#undef VTR_WEBVIEW2_HANDLER

// ---- The objects ------------------------------------------------------------------------

struct ICoreWebView2DevToolsProtocolEventReceiver : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2DevToolsProtocolEventReceiver";
    virtual HRESULT
    add_DevToolsProtocolEventReceived(ICoreWebView2DevToolsProtocolEventReceivedEventHandler* handler,
                                      EventRegistrationToken* token) = 0;
    virtual HRESULT remove_DevToolsProtocolEventReceived(EventRegistrationToken token) = 0;

protected:
    ~ICoreWebView2DevToolsProtocolEventReceiver() = default;
};

struct ICoreWebView2Settings : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2Settings";
    virtual HRESULT get_IsScriptEnabled(BOOL* value) = 0;
    virtual HRESULT put_IsScriptEnabled(BOOL value) = 0;
    virtual HRESULT get_IsWebMessageEnabled(BOOL* value) = 0;
    virtual HRESULT put_IsWebMessageEnabled(BOOL value) = 0;
    virtual HRESULT get_AreDefaultScriptDialogsEnabled(BOOL* value) = 0;
    virtual HRESULT put_AreDefaultScriptDialogsEnabled(BOOL value) = 0;
    virtual HRESULT get_IsStatusBarEnabled(BOOL* value) = 0;
    virtual HRESULT put_IsStatusBarEnabled(BOOL value) = 0;
    virtual HRESULT get_AreDevToolsEnabled(BOOL* value) = 0;
    virtual HRESULT put_AreDevToolsEnabled(BOOL value) = 0;
    virtual HRESULT get_AreDefaultContextMenusEnabled(BOOL* value) = 0;
    virtual HRESULT put_AreDefaultContextMenusEnabled(BOOL value) = 0;
    virtual HRESULT get_IsZoomControlEnabled(BOOL* value) = 0;
    virtual HRESULT put_IsZoomControlEnabled(BOOL value) = 0;
    virtual HRESULT get_IsBuiltInErrorPageEnabled(BOOL* value) = 0;
    virtual HRESULT put_IsBuiltInErrorPageEnabled(BOOL value) = 0;

protected:
    ~ICoreWebView2Settings() = default;
};

struct ICoreWebView2 : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2";
    virtual HRESULT get_Settings(ICoreWebView2Settings** settings) = 0;
    virtual HRESULT get_Source(LPSTR* uri) = 0;
    virtual HRESULT Navigate(LPCSTR uri) = 0;
    virtual HRESULT NavigateToString(LPCSTR htmlContent) = 0;
    virtual HRESULT add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                           EventRegistrationToken* token) = 0;
    virtual HRESULT remove_NavigationStarting(EventRegistrationToken token) = 0;
    virtual HRESULT add_ContentLoading(ICoreWebView2ContentLoadingEventHandler* handler,
                                       EventRegistrationToken* token) = 0;
    virtual HRESULT remove_ContentLoading(EventRegistrationToken token) = 0;
    virtual HRESULT add_SourceChanged(ICoreWebView2SourceChangedEventHandler* handler,
                                      EventRegistrationToken* token) = 0;
    virtual HRESULT remove_SourceChanged(EventRegistrationToken token) = 0;
    virtual HRESULT add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* handler,
                                       EventRegistrationToken* token) = 0;
    virtual HRESULT remove_HistoryChanged(EventRegistrationToken token) = 0;
    virtual HRESULT add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                            EventRegistrationToken* token) = 0;
    virtual HRESULT remove_NavigationCompleted(EventRegistrationToken token) = 0;
    virtual HRESULT add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                                EventRegistrationToken* token) = 0;
    virtual HRESULT remove_FrameNavigationStarting(EventRegistrationToken token) = 0;
    virtual HRESULT add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                                 EventRegistrationToken* token) = 0;
    virtual HRESULT remove_FrameNavigationCompleted(EventRegistrationToken token) = 0;
    virtual HRESULT add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* handler,
                                            EventRegistrationToken* token) = 0;
    virtual HRESULT remove_ScriptDialogOpening(EventRegistrationToken token) = 0;
    virtual HRESULT add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* handler,
                                            EventRegistrationToken* token) = 0;
    virtual HRESULT remove_PermissionRequested(EventRegistrationToken token) = 0;
    virtual HRESULT add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                      EventRegistrationToken* token) = 0;
    virtual HRESULT remove_ProcessFailed(EventRegistrationToken token) = 0;
    // The script runs at the creation of every later document, in every frame, before the
    // document's own scripts. The handler receives an id for RemoveScriptToExecuteOnDocumentCreated.
    virtual HRESULT AddScriptToExecuteOnDocumentCreated(
        LPCSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) = 0;
    virtual HRESULT RemoveScriptToExecuteOnDocumentCreated(LPCSTR id) = 0;
    // The handler receives the script's result as JSON ("null" when it has none).
    virtual HRESULT ExecuteScript(LPCSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0;
    virtual HRESULT CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat,
                                   IStream* imageStream,
                                   ICoreWebView2CapturePreviewCompletedHandler* handler) = 0;
    virtual HRESULT Reload() = 0;
    // The page receives a message event whose data is the parsed value.
    virtual HRESULT PostWebMessageAsJson(LPCSTR webMessageAsJson) = 0;
    virtual HRESULT PostWebMessageAsString(LPCSTR webMessageAsString) = 0;
    virtual HRESULT add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                           EventRegistrationToken* token) = 0;
    virtual HRESULT remove_WebMessageReceived(EventRegistrationToken token) = 0;
    virtual HRESULT
    CallDevToolsProtocolMethod(LPCSTR methodName, LPCSTR parametersAsJson,
                               ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) = 0;
    // The engine's browser process: never the program's own process.
    virtual HRESULT get_BrowserProcessId(UINT32* value) = 0;
    virtual HRESULT get_CanGoBack(BOOL* canGoBack) = 0;
    virtual HRESULT get_CanGoForward(BOOL* canGoForward) = 0;
    virtual HRESULT GoBack() = 0;
    virtual HRESULT GoForward() = 0;
    virtual HRESULT
    GetDevToolsProtocolEventReceiver(LPCSTR eventName,
                                     ICoreWebView2DevToolsProtocolEventReceiver** receiver) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                           EventRegistrationToken* token) = 0;
    virtual HRESULT remove_NewWindowRequested(EventRegistrationToken token) = 0;
    virtual HRESULT add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* handler,
                                             EventRegistrationToken* token) = 0;
    virtual HRESULT remove_DocumentTitleChanged(EventRegistrationToken token) = 0;
    virtual HRESULT get_DocumentTitle(LPSTR* title) = 0;
    virtual HRESULT OpenDevToolsWindow() = 0;
    virtual HRESULT
    add_ContainsFullScreenElementChanged(ICoreWebView2ContainsFullScreenElementChangedEventHandler* handler,
                                         EventRegistrationToken* token) = 0;
    virtual HRESULT remove_ContainsFullScreenElementChanged(EventRegistrationToken token) = 0;
    virtual HRESULT get_ContainsFullScreenElement(BOOL* containsFullScreenElement) = 0;
    virtual HRESULT add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                                             EventRegistrationToken* token) = 0;
    virtual HRESULT remove_WebResourceRequested(EventRegistrationToken token) = 0;
    // uri is a pattern in which `*` matches any text; WebResourceRequested is raised only for
    // requests that match a filter.
    virtual HRESULT AddWebResourceRequestedFilter(LPCSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) = 0;
    virtual HRESULT RemoveWebResourceRequestedFilter(LPCSTR uri,
                                                     COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) = 0;
    virtual HRESULT add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* handler,
                                             EventRegistrationToken* token) = 0;
    virtual HRESULT remove_WindowCloseRequested(EventRegistrationToken token) = 0;

protected:
    ~ICoreWebView2() = default;
};

struct ICoreWebView2Controller : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2Controller";
    virtual HRESULT get_IsVisible(BOOL* isVisible) = 0;
    virtual HRESULT put_IsVisible(BOOL isVisible) = 0;
    // The browser's rectangle inside the parent given at creation.
    virtual HRESULT get_Bounds(RECT* bounds) = 0;
    virtual HRESULT put_Bounds(RECT bounds) = 0;
    virtual HRESULT get_ZoomFactor(double* zoomFactor) = 0;
    virtual HRESULT put_ZoomFactor(double zoomFactor) = 0;
    virtual HRESULT add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* handler,
                                          EventRegistrationToken* token) = 0;
    virtual HRESULT remove_ZoomFactorChanged(EventRegistrationToken token) = 0;
    virtual HRESULT MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) = 0;
    virtual HRESULT add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* handler,
                                           EventRegistrationToken* token) = 0;
    virtual HRESULT remove_MoveFocusRequested(EventRegistrationToken token) = 0;
    virtual HRESULT add_GotFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                 EventRegistrationToken* token) = 0;
    virtual HRESULT remove_GotFocus(EventRegistrationToken token) = 0;
    virtual HRESULT add_LostFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                  EventRegistrationToken* token) = 0;
    virtual HRESULT remove_LostFocus(EventRegistrationToken token) = 0;
    virtual HRESULT add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* handler,
                                              EventRegistrationToken* token) = 0;
    virtual HRESULT remove_AcceleratorKeyPressed(EventRegistrationToken token) = 0;
    // Closes the browser: it leaves its parent and every later call fails.
    virtual HRESULT Close() = 0;
    virtual HRESULT get_CoreWebView2(ICoreWebView2** coreWebView2) = 0;

protected:
    ~ICoreWebView2Controller() = default;
};

struct ICoreWebView2Environment : IUnknown {
    static constexpr REFIID Iid = "ICoreWebView2Environment";
    // The completion arrives on the GUI thread after the call has returned.
    virtual HRESULT
    CreateCoreWebView2Controller(HWND parentWindow,
                                 ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
    // headers: "Name: value" lines separated by CR LF.
    virtual HRESULT CreateWebResourceResponse(IStream* content, int statusCode, LPCSTR reasonPhrase,
                                              LPCSTR headers,
                                              ICoreWebView2WebResourceResponse** response) = 0;
    virtual HRESULT get_BrowserVersionString(LPSTR* versionInfo) = 0;

protected:
    ~ICoreWebView2Environment() = default;
};

// ---- The engine library's exports ------------------------------------------------------

extern "C" {
// May be called on any thread; the handler may be invoked on any thread.
using CreateCoreWebView2EnvironmentFunc =
    HRESULT (*)(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);
using GetCoreWebView2BrowserVersionStringFunc = HRESULT (*)(LPCSTR browserExecutableFolder,
                                                            LPSTR* versionInfo);
using GetAvailableCoreWebView2BrowserVersionStringFunc = HRESULT (*)(LPCSTR browserExecutableFolder,
                                                                     LPSTR* versionInfo);
using VtrEngineAbiVersionFunc = UINT32 (*)();
}

} // namespace WebView2
