#include "webview2/testengine/TestArgs.h"
#include "webview2/testengine/TestEngine.h"

#include <sstream>

namespace WebView2::TestEngine {

namespace {

std::string Number(double Value) {
    std::ostringstream out;
    out << Value;
    return out.str();
}

} // namespace

TTestController::TTestController(void* Parent) {
    State().Log("controller parent " + std::to_string(reinterpret_cast<std::uintptr_t>(Parent)));
    State().CurrentController = this;
    WebView = MakeCom<TTestWebView>();
}

TTestController::~TTestController() {
    if (State().CurrentController == this) {
        State().CurrentController = nullptr;
    }
}

HRESULT TTestController::get_IsVisible(BOOL* isVisible) {
    return OutValue<BOOL>(FVisible, isVisible);
}

HRESULT TTestController::put_IsVisible(BOOL isVisible) {
    if (const HRESULT hr = Logged("put_IsVisible " + std::to_string(isVisible)); Failed(hr)) {
        return hr;
    }
    FVisible = isVisible != 0;
    return S_OK;
}

HRESULT TTestController::get_Bounds(RECT* bounds) {
    return OutValue(FBounds, bounds);
}

HRESULT TTestController::put_Bounds(RECT bounds) {
    if (const HRESULT hr =
            Logged("put_Bounds " + std::to_string(bounds.left) + " " + std::to_string(bounds.top) + " " +
                   std::to_string(bounds.right) + " " + std::to_string(bounds.bottom));
        Failed(hr)) {
        return hr;
    }
    FBounds = bounds;
    return S_OK;
}

HRESULT TTestController::get_ZoomFactor(double* zoomFactor) {
    State().Log("get_ZoomFactor");
    if (const HRESULT hr = State().Failure(FailStateRead); Failed(hr)) {
        return hr;
    }
    return OutValue(State().Zoom, zoomFactor);
}

HRESULT TTestController::put_ZoomFactor(double zoomFactor) {
    if (const HRESULT hr = Logged("put_ZoomFactor " + Number(zoomFactor)); Failed(hr)) {
        return hr;
    }
    State().Zoom = zoomFactor;
    return S_OK;
}

HRESULT TTestController::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    return Logged("MoveFocus " + std::to_string(reason));
}

HRESULT TTestController::Close() {
    State().Log("Close");
    FClosed = true;
    WebView = nullptr;
    if (State().CurrentController == this) {
        State().CurrentController = nullptr;
    }
    return S_OK;
}

HRESULT TTestController::get_CoreWebView2(ICoreWebView2** coreWebView2) {
    State().Log("get_CoreWebView2");
    if (const HRESULT hr = State().Failure(FailGetCoreWebView2); Failed(hr)) {
        return hr;
    }
    if (coreWebView2 == nullptr) {
        return E_POINTER;
    }
    *coreWebView2 = ComPtr<ICoreWebView2>(WebView).Detach();
    return FClosed ? HResultFromWin32(ERROR_INVALID_STATE) : S_OK;
}

#define VTR_TEST_EVENT(Name, Source, Handler)                                                                \
    HRESULT TTestController::add_##Name(Handler* handler, EventRegistrationToken* token) {                   \
        const HRESULT hr = Source.Add(handler, token);                                                       \
        State().Log("add_" #Name " " + std::to_string(token != nullptr ? token->value : 0));                 \
        return hr;                                                                                           \
    }                                                                                                        \
    HRESULT TTestController::remove_##Name(EventRegistrationToken token) {                                   \
        State().Log("remove_" #Name " " + std::to_string(token.value));                                      \
        return Source.Remove(token);                                                                         \
    }

VTR_TEST_EVENT(ZoomFactorChanged, FZoomFactorChanged, ICoreWebView2ZoomFactorChangedEventHandler)
VTR_TEST_EVENT(MoveFocusRequested, FMoveFocusRequested, ICoreWebView2MoveFocusRequestedEventHandler)
VTR_TEST_EVENT(GotFocus, FGotFocus, ICoreWebView2FocusChangedEventHandler)
VTR_TEST_EVENT(LostFocus, FLostFocus, ICoreWebView2FocusChangedEventHandler)
VTR_TEST_EVENT(AcceleratorKeyPressed, FAcceleratorKeyPressed, ICoreWebView2AcceleratorKeyPressedEventHandler)

#undef VTR_TEST_EVENT

std::size_t TTestController::HandlerCount(const std::string& Event) {
    if (Event == "ZoomFactorChanged") {
        return FZoomFactorChanged.Count();
    }
    if (Event == "MoveFocusRequested") {
        return FMoveFocusRequested.Count();
    }
    if (Event == "GotFocus") {
        return FGotFocus.Count();
    }
    if (Event == "LostFocus") {
        return FLostFocus.Count();
    }
    if (Event == "AcceleratorKeyPressed") {
        return FAcceleratorKeyPressed.Count();
    }
    return 0;
}

nlohmann::json TTestController::Raise(const std::string& Event, const nlohmann::json& Args) {
    const ComPtr<TTestController> keep(this);
    nlohmann::json result = {{"raised", true}};
    const bool failReads = Args.value("failReads", false);
    if (Event == "ZoomFactorChanged") {
        FZoomFactorChanged.Raise(this, nullptr);
    } else if (Event == "GotFocus") {
        FGotFocus.Raise(this, nullptr);
    } else if (Event == "LostFocus") {
        FLostFocus.Raise(this, nullptr);
    } else if (Event == "MoveFocusRequested") {
        auto args = MakeCom<TTestMoveFocusRequestedArgs>();
        args->FailReads = failReads;
        args->Reason = static_cast<COREWEBVIEW2_MOVE_FOCUS_REASON>(Args.value("reason", 1u));
        FMoveFocusRequested.Raise(this, args.Get());
        result["handled"] = args->Handled;
        result["reads"] = args->Reads;
    } else if (Event == "AcceleratorKeyPressed") {
        auto args = MakeCom<TTestAcceleratorKeyPressedArgs>();
        args->FailReads = failReads;
        args->Kind = static_cast<COREWEBVIEW2_KEY_EVENT_KIND>(Args.value("kind", 0u));
        args->VirtualKey = Args.value("virtualKey", 0u);
        args->LParam = Args.value("lParam", 0);
        FAcceleratorKeyPressed.Raise(this, args.Get());
        result["handled"] = args->Handled;
        result["reads"] = args->Reads;
    } else {
        return {{"raised", false}};
    }
    return result;
}

} // namespace WebView2::TestEngine
