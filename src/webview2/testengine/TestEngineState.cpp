#include "webview2/testengine/TestEngine.h"

#include "base/glib/GuiPost.h"

#include <cstdlib>
#include <functional>
#include <string_view>
#include <thread>

namespace WebView2::TestEngine {

namespace {

constexpr std::array<std::string_view, FailureCount> PointNames = {
    "environment-call", "environment-completion",
    "controller-call",  "controller-completion",
    "get-corewebview2", "get-settings",
    "settings-read",    "settings-write",
    "state-read",       "call",
};

} // namespace

TState& TState::Instance() {
    static TState state;
    return state;
}

TState::TState() {
    ApplyEnvironment();
}

void TState::ApplyEnvironment() {
    if (const char* failures = std::getenv("VTR_TEST_ENGINE_FAIL")) {
        std::string_view rest(failures);
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view item = rest.substr(0, comma);
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            const std::size_t equals = item.find('=');
            if (equals == std::string_view::npos) {
                continue;
            }
            const std::string_view name = item.substr(0, equals);
            const std::string code(item.substr(equals + 1));
            for (std::size_t i = 0; i < PointNames.size(); ++i) {
                if (PointNames[i] == name) {
                    FFailures[i] = static_cast<HRESULT>(std::strtoul(code.c_str(), nullptr, 0));
                }
            }
        }
    }
    if (const char* version = std::getenv("VTR_TEST_ENGINE_VERSION")) {
        FVersion = std::string_view(version) == "none" ? std::string() : std::string(version);
    }
}

void TState::Reset() {
    {
        std::lock_guard<std::mutex> guard(FLock);
        FFailures.fill(S_OK);
        FCompletionThread = CompleteOnOtherThread;
        FCalls.clear();
        FEnvironmentThread = 0;
        FVersion = "1.0.0.0-test";
        ApplyEnvironment();
    }
    Source = "about:blank";
    Title.clear();
    CanGoBack = false;
    CanGoForward = false;
    ContainsFullScreenElement = false;
    Zoom = 1.0;
    ProcessId = 0;
}

void TState::SetFailure(TFailurePoint Point, HRESULT Code) {
    std::lock_guard<std::mutex> guard(FLock);
    if (Point < FailureCount) {
        FFailures[Point] = Code;
    }
}

HRESULT TState::Failure(TFailurePoint Point) {
    std::lock_guard<std::mutex> guard(FLock);
    return FFailures[Point];
}

void TState::SetEnvironmentCompletion(TCompletionThread Thread) {
    std::lock_guard<std::mutex> guard(FLock);
    FCompletionThread = Thread;
}

TCompletionThread TState::CompletionThread() {
    std::lock_guard<std::mutex> guard(FLock);
    return FCompletionThread;
}

void TState::SetBrowserProcessId(UINT32 Id) {
    ProcessId = Id;
}

void TState::SetState(const char* Json) {
    const auto state = nlohmann::json::parse(Json);
    Source = state.value("source", Source);
    Title = state.value("title", Title);
    CanGoBack = state.value("canGoBack", CanGoBack);
    CanGoForward = state.value("canGoForward", CanGoForward);
    ContainsFullScreenElement = state.value("containsFullScreenElement", ContainsFullScreenElement);
    Zoom = state.value("zoom", Zoom);
}

void TState::Log(std::string Line) {
    std::lock_guard<std::mutex> guard(FLock);
    FCalls.push_back(std::move(Line));
}

std::size_t TState::CallCount() {
    std::lock_guard<std::mutex> guard(FLock);
    return FCalls.size();
}

const char* TState::Call(std::size_t Index) {
    std::lock_guard<std::mutex> guard(FLock);
    return Index < FCalls.size() ? FCalls[Index].c_str() : "";
}

void TState::ClearCalls() {
    std::lock_guard<std::mutex> guard(FLock);
    FCalls.clear();
}

void TState::RecordEnvironmentThread() {
    std::lock_guard<std::mutex> guard(FLock);
    FEnvironmentThread = std::hash<std::thread::id>()(std::this_thread::get_id());
}

std::size_t TState::EnvironmentCallThread() {
    std::lock_guard<std::mutex> guard(FLock);
    return FEnvironmentThread;
}

std::string TState::Version() {
    std::lock_guard<std::mutex> guard(FLock);
    return FVersion;
}

std::size_t TState::HandlerCount(const char* Event) {
    const std::string name(Event);
    std::size_t count = 0;
    if (CurrentWebView != nullptr) {
        count += CurrentWebView->HandlerCount(name);
    }
    if (CurrentController != nullptr) {
        count += CurrentController->HandlerCount(name);
    }
    return count;
}

const char* TState::Raise(const char* Event, const char* ArgumentsJson) {
    const std::string name(Event);
    const nlohmann::json args = ArgumentsJson != nullptr && *ArgumentsJson != '\0'
                                    ? nlohmann::json::parse(ArgumentsJson)
                                    : nlohmann::json::object();
    nlohmann::json result = {{"raised", false}};
    if (CurrentController != nullptr) {
        result = CurrentController->Raise(name, args);
    }
    if (!result.value("raised", false) && CurrentWebView != nullptr) {
        result = CurrentWebView->Raise(name, args);
    }
    FLastResult = result.dump();
    return FLastResult.c_str();
}

HRESULT TTestEnvironment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
    TState& state = TState::Instance();
    state.Log("CreateCoreWebView2Controller");
    if (const HRESULT hr = state.Failure(FailControllerCall); Failed(hr)) {
        return hr;
    }
    if (handler == nullptr) {
        return E_POINTER;
    }
    const ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> done(handler);
    Base::GLib::PostToGuiThread([done, parentWindow] {
        TState& s = TState::Instance();
        const HRESULT hr = s.Failure(FailControllerCompletion);
        ComPtr<TTestController> controller;
        if (Succeeded(hr)) {
            controller = MakeCom<TTestController>(parentWindow);
        }
        done->Invoke(hr, controller.Get());
    });
    return S_OK;
}

HRESULT TTestEnvironment::CreateWebResourceResponse(IStream* content, int statusCode, LPCSTR reasonPhrase,
                                                    LPCSTR headers,
                                                    ICoreWebView2WebResourceResponse** response) {
    return MakeWebResourceResponse(content, statusCode, reasonPhrase, headers, response);
}

HRESULT TTestEnvironment::get_BrowserVersionString(LPSTR* versionInfo) {
    return OutString(TState::Instance().Version(), versionInfo);
}

} // namespace WebView2::TestEngine
