#pragma once

// The test engine: an engine library with the same exports as the real one, whose behaviour
// each test chooses. A test loads it by path (as the host control does) and resolves
// VtrTestEngineControl with dlsym (TEngineLibrary::Symbol) to steer it.
//
// Outside a test process (a packaged application started by an end-to-end test) the same
// choices come from environment variables, read when the library loads and on Reset():
//   VTR_TEST_ENGINE_FAIL     "point=code,..." with the point names below, e.g.
//                            "environment-completion=0x80070002"
//   VTR_TEST_ENGINE_VERSION  the version text to report; "none" makes the version calls fail

#include "webview2/WebView2.h"

#include <cstddef>

namespace WebView2::TestEngine {

enum TFailurePoint : unsigned {
    FailEnvironmentCall,       // "environment-call": CreateCoreWebView2Environment returns the code
    FailEnvironmentCompletion, // "environment-completion": its completion reports the code
    FailControllerCall,        // "controller-call": CreateCoreWebView2Controller returns the code
    FailControllerCompletion,  // "controller-completion": its completion reports the code
    FailGetCoreWebView2,       // "get-corewebview2": the controller's get_CoreWebView2
    FailGetSettings,           // "get-settings": the WebView's get_Settings
    FailSettingsRead,          // "settings-read": every get_ of the settings object
    FailSettingsWrite,         // "settings-write": every put_ of the settings object
    FailStateRead,             // "state-read": get_Source, get_DocumentTitle, get_CanGoBack, ...
    FailCall,                  // "call": every other method of the WebView and controller
    FailureCount
};

// Where the environment completion runs.
enum TCompletionThread : unsigned {
    CompleteOnOtherThread,   // a thread of the engine's own, after the call returned (default)
    CompleteOnCallingThread, // inside CreateCoreWebView2Environment
    CompleteOnGuiThread,     // queued for the GUI thread's main loop
};

struct ITestEngineControl {
    // Back to the defaults (then the environment variables): no failures, an empty log.
    virtual void Reset() = 0;
    // Makes Point fail with Code (S_OK: succeed again).
    virtual void SetFailure(TFailurePoint Point, HRESULT Code) = 0;
    virtual void SetEnvironmentCompletion(TCompletionThread Thread) = 0;
    // The id get_BrowserProcessId reports.
    virtual void SetBrowserProcessId(UINT32 ProcessId) = 0;
    // The WebView's state as its getters report it, as JSON: {"source": "...", "title": "...",
    // "canGoBack": true, "canGoForward": false, "containsFullScreenElement": false, "zoom": 1.0}
    // (members left out keep their values).
    virtual void SetState(const char* Json) = 0;

    // Every call the engine received, in order, one line each: the method name and its
    // arguments separated by blanks, e.g. "add_NavigationStarting 7", "put_Bounds 0 0 400 300",
    // "Navigate file:///index.html", "CreateCoreWebView2Environment".
    virtual std::size_t CallCount() = 0;
    virtual const char* Call(std::size_t Index) = 0;
    virtual void ClearCalls() = 0;
    // The thread that ran the last environment call, as an opaque number comparable to the
    // caller's std::this_thread::get_id() hash.
    virtual std::size_t EnvironmentCallThread() = 0;
    // The number of handlers registered on an event (name as in add_NAME, or
    // "DevToolsProtocolEventReceived:NAME") of the current WebView.
    virtual std::size_t HandlerCount(const char* Event) = 0;

    // Raises an event of the current WebView (name as in add_NAME, or
    // "DevToolsProtocolEventReceived:NAME") with arguments given as JSON, e.g.
    // {"isSuccess": true, "webErrorStatus": 0}, {"uri": "..."}, {"json": "{...}"},
    // {"kind": 0, "virtualKey": 79, "lParam": 1}, {"reason": 1}, {"failReads": true}.
    // Returns the arguments' final state as JSON ({"raised": false} when no WebView exists):
    // {"raised": true, "reads": 2, "cancel": false, "handled": true, "state": 1, ...}.
    // The text stays valid until the next call.
    virtual const char* Raise(const char* Event, const char* ArgumentsJson) = 0;

protected:
    ~ITestEngineControl() = default;
};

extern "C" {
using VtrTestEngineControlFunc = ITestEngineControl* (*)();
}

} // namespace WebView2::TestEngine
