#pragma once

// Event arguments of the test engine that count how often they are read and can fail every
// read, so that tests see what the host reads.

#include "webview2/EventArgs.h"

namespace WebView2::TestEngine {

struct TReadCounter {
    int Reads = 0;
    bool FailReads = false;

    template <class T>
    HRESULT Read(T Value, T* Out) {
        ++Reads;
        if (FailReads) {
            return E_FAIL;
        }
        return OutValue(Value, Out);
    }
};

class TTestNavigationCompletedArgs final : public TImplements<ICoreWebView2NavigationCompletedEventArgs>,
                                           public TReadCounter {
public:
    BOOL IsSuccess = 0;
    COREWEBVIEW2_WEB_ERROR_STATUS Status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
    HRESULT get_IsSuccess(BOOL* value) override { return Read(IsSuccess, value); }
    HRESULT get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* value) override { return Read(Status, value); }
    HRESULT get_NavigationId(UINT64* value) override { return Read<UINT64>(1, value); }
};

class TTestSourceChangedArgs final : public TImplements<ICoreWebView2SourceChangedEventArgs>,
                                     public TReadCounter {
public:
    BOOL IsNewDocument = 0;
    HRESULT get_IsNewDocument(BOOL* value) override { return Read(IsNewDocument, value); }
};

class TTestContentLoadingArgs final : public TImplements<ICoreWebView2ContentLoadingEventArgs>,
                                      public TReadCounter {
public:
    BOOL IsErrorPage = 0;
    UINT64 NavigationId = 0;
    HRESULT get_IsErrorPage(BOOL* value) override { return Read(IsErrorPage, value); }
    HRESULT get_NavigationId(UINT64* value) override { return Read(NavigationId, value); }
};

class TTestProcessFailedArgs final : public TImplements<ICoreWebView2ProcessFailedEventArgs>,
                                     public TReadCounter {
public:
    COREWEBVIEW2_PROCESS_FAILED_KIND Kind = COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED;
    HRESULT get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* value) override {
        return Read(Kind, value);
    }
};

class TTestMoveFocusRequestedArgs final : public TImplements<ICoreWebView2MoveFocusRequestedEventArgs>,
                                          public TReadCounter {
public:
    COREWEBVIEW2_MOVE_FOCUS_REASON Reason = COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT;
    bool Handled = false;
    HRESULT get_Reason(COREWEBVIEW2_MOVE_FOCUS_REASON* value) override { return Read(Reason, value); }
    HRESULT get_Handled(BOOL* value) override { return OutValue<BOOL>(Handled, value); }
    HRESULT put_Handled(BOOL value) override {
        Handled = value != 0;
        return S_OK;
    }
};

class TTestAcceleratorKeyPressedArgs final : public TImplements<ICoreWebView2AcceleratorKeyPressedEventArgs>,
                                             public TReadCounter {
public:
    COREWEBVIEW2_KEY_EVENT_KIND Kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
    UINT VirtualKey = 0;
    int LParam = 0;
    bool Handled = false;
    HRESULT get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* value) override { return Read(Kind, value); }
    HRESULT get_VirtualKey(UINT* value) override { return Read(VirtualKey, value); }
    HRESULT get_KeyEventLParam(int* value) override { return Read(LParam, value); }
    HRESULT get_Handled(BOOL* value) override { return OutValue<BOOL>(Handled, value); }
    HRESULT put_Handled(BOOL value) override {
        Handled = value != 0;
        return S_OK;
    }
};

} // namespace WebView2::TestEngine
