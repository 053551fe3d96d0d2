#include "shared/host/EdgeEx.h"
#include "shared/host/EdgeExInternal.h"

#include <type_traits>
#include <utility>

// The host control's subscriptions: one internal handler per browser event, each turning the
// browser's event into the control's own; and the control's part in focus and shortcut keys.

namespace Shared {

using namespace WebView2;

// The events of the subscription list, each naming its place: the order in which CloseWebView
// removes them, the core WebView's first, then the controller's. Subscribe adds them in the
// order of its own calls.
enum class TCustomEdgeBrowser::TSubscribed : std::size_t {
    NavigationStarting,
    NavigationCompleted,
    SourceChanged,
    HistoryChanged,
    ContentLoading,
    DocumentTitleChanged,
    NewWindowRequested,
    FrameNavigationStarting,
    FrameNavigationCompleted,
    WebResourceRequested,
    ScriptDialogOpening,
    PermissionRequested,
    ProcessFailed,
    WebMessageReceived,
    WindowCloseRequested,
    ContainsFullScreenElementChanged,
    AcceleratorKeyPressed,
    GotFocus,
    LostFocus,
    MoveFocusRequested,
    ZoomFactorChanged,
    Count
};

// Adds one internal handler to the WebView or the controller (whichever has the event) and keeps
// its token and remover in the event's place of the subscription list.
template <class TSource, class THandler, class F>
void TCustomEdgeBrowser::Subscribe(TSubscribed Event,
                                   HRESULT (TSource::*Add)(THandler*, EventRegistrationToken*),
                                   HRESULT (TSource::*Remove)(EventRegistrationToken), F Body) {
    constexpr bool onController = std::is_same_v<TSource, ICoreWebView2Controller>;
    TSource* source = nullptr;
    if constexpr (onController) {
        source = FWebViewController.Get();
    } else {
        source = FWebView.Get();
    }
    TSubscription& subscription = FSubscriptions[static_cast<std::size_t>(Event)];
    // The result is ignored, as the browser's own host does.
    (source->*Add)(Handler<THandler>(std::move(Body)).Get(), &subscription.Token);
    subscription.Source = onController ? TEventSource::Controller : TEventSource::WebView;
    subscription.Remove = [Remove](IUnknown* Object, EventRegistrationToken Token) {
        (static_cast<TSource*>(Object)->*Remove)(Token);
    };
}

// The handler of an event that carries an argument object: the object is made around the
// browser's arguments just before the control's handler runs and goes right after it, also when
// the handler throws.
template <class TArgs>
auto TCustomEdgeBrowser::WithArgs(std::function<void(TCustomEdgeBrowser*, TArgs*)> TCustomEdgeBrowser::*Event,
                                  const char* Name) {
    return [Event, Name](TCustomEdgeBrowser& c, ICoreWebView2*, auto* Args) {
        if (c.*Event) {
            TArgs args(Args);
            c.Raise(Name, [&] { (c.*Event)(&c, &args); });
        }
    };
}

// The handler of NavigationCompleted and FrameNavigationCompleted. The values are passed on
// whatever the reads answer; nothing is read while the control's event is empty.
auto TCustomEdgeBrowser::NavigationCompleted(TNavigationCompletedEvent TCustomEdgeBrowser::*Event,
                                             const char* Name) {
    return [Event, Name](TCustomEdgeBrowser& c, ICoreWebView2*,
                         ICoreWebView2NavigationCompletedEventArgs* Args) {
        if (c.*Event) {
            BOOL success = 0;
            COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
            Args->get_IsSuccess(&success);
            Args->get_WebErrorStatus(&status);
            c.Raise(Name, [&] { (c.*Event)(&c, success != 0, status); });
        }
    };
}

// In the order of the subscription table: the WebView's events, then the controller's.
void TCustomEdgeBrowser::Subscribe() {
    FSubscriptions.resize(static_cast<std::size_t>(TSubscribed::Count));
    Subscribe(TSubscribed::NavigationStarting, &ICoreWebView2::add_NavigationStarting,
              &ICoreWebView2::remove_NavigationStarting,
              WithArgs(&TCustomEdgeBrowser::OnNavigationStarting, "OnNavigationStarting"));

    Subscribe(TSubscribed::NavigationCompleted, &ICoreWebView2::add_NavigationCompleted,
              &ICoreWebView2::remove_NavigationCompleted,
              NavigationCompleted(&TCustomEdgeBrowser::OnNavigationCompleted, "OnNavigationCompleted"));

    Subscribe(TSubscribed::SourceChanged, &ICoreWebView2::add_SourceChanged,
              &ICoreWebView2::remove_SourceChanged,
              [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2SourceChangedEventArgs* Args) {
                  if (c.OnSourceChanged) {
                      BOOL newDocument = 0;
                      Args->get_IsNewDocument(&newDocument);
                      c.Raise("OnSourceChanged", [&] { c.OnSourceChanged(&c, newDocument != 0); });
                  }
              });

    Subscribe(TSubscribed::HistoryChanged, &ICoreWebView2::add_HistoryChanged,
              &ICoreWebView2::remove_HistoryChanged, [](TCustomEdgeBrowser& c, ICoreWebView2*, IUnknown*) {
                  if (c.OnHistoryChanged) {
                      c.Raise("OnHistoryChanged", [&] { c.OnHistoryChanged(&c); });
                  }
              });

    Subscribe(TSubscribed::ContentLoading, &ICoreWebView2::add_ContentLoading,
              &ICoreWebView2::remove_ContentLoading,
              [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2ContentLoadingEventArgs* Args) {
                  if (c.OnContentLoading) {
                      BOOL errorPage = 0;
                      UINT64 navigationId = 0;
                      Args->get_IsErrorPage(&errorPage);
                      Args->get_NavigationId(&navigationId);
                      c.Raise("OnContentLoading",
                              [&] { c.OnContentLoading(&c, errorPage != 0, navigationId); });
                  }
              });

    Subscribe(TSubscribed::DocumentTitleChanged, &ICoreWebView2::add_DocumentTitleChanged,
              &ICoreWebView2::remove_DocumentTitleChanged,
              [](TCustomEdgeBrowser& c, ICoreWebView2*, IUnknown*) {
                  if (c.OnDocumentTitleChanged) {
                      const std::string title = c.DocumentTitle();
                      c.Raise("OnDocumentTitleChanged", [&] { c.OnDocumentTitleChanged(&c, title); });
                  }
              });

    Subscribe(TSubscribed::NewWindowRequested, &ICoreWebView2::add_NewWindowRequested,
              &ICoreWebView2::remove_NewWindowRequested,
              WithArgs(&TCustomEdgeBrowser::OnNewWindowRequested, "OnNewWindowRequested"));

    Subscribe(TSubscribed::FrameNavigationStarting, &ICoreWebView2::add_FrameNavigationStarting,
              &ICoreWebView2::remove_FrameNavigationStarting,
              WithArgs(&TCustomEdgeBrowser::OnFrameNavigationStarting, "OnFrameNavigationStarting"));

    Subscribe(
        TSubscribed::FrameNavigationCompleted, &ICoreWebView2::add_FrameNavigationCompleted,
        &ICoreWebView2::remove_FrameNavigationCompleted,
        NavigationCompleted(&TCustomEdgeBrowser::OnFrameNavigationCompleted, "OnFrameNavigationCompleted"));

    Subscribe(TSubscribed::WebResourceRequested, &ICoreWebView2::add_WebResourceRequested,
              &ICoreWebView2::remove_WebResourceRequested,
              WithArgs(&TCustomEdgeBrowser::OnWebResourceRequested, "OnWebResourceRequested"));

    Subscribe(TSubscribed::ScriptDialogOpening, &ICoreWebView2::add_ScriptDialogOpening,
              &ICoreWebView2::remove_ScriptDialogOpening,
              WithArgs(&TCustomEdgeBrowser::OnScriptDialogOpening, "OnScriptDialogOpening"));

    Subscribe(TSubscribed::PermissionRequested, &ICoreWebView2::add_PermissionRequested,
              &ICoreWebView2::remove_PermissionRequested,
              WithArgs(&TCustomEdgeBrowser::OnPermissionRequested, "OnPermissionRequested"));

    Subscribe(TSubscribed::ProcessFailed, &ICoreWebView2::add_ProcessFailed,
              &ICoreWebView2::remove_ProcessFailed,
              [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* Args) {
                  if (c.OnProcessFailed) {
                      COREWEBVIEW2_PROCESS_FAILED_KIND kind =
                          COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED;
                      Args->get_ProcessFailedKind(&kind);
                      c.Raise("OnProcessFailed", [&] { c.OnProcessFailed(&c, kind); });
                  }
              });

    Subscribe(TSubscribed::WebMessageReceived, &ICoreWebView2::add_WebMessageReceived,
              &ICoreWebView2::remove_WebMessageReceived,
              WithArgs(&TCustomEdgeBrowser::OnWebMessageReceived, "OnWebMessageReceived"));

    Subscribe(TSubscribed::ContainsFullScreenElementChanged,
              &ICoreWebView2::add_ContainsFullScreenElementChanged,
              &ICoreWebView2::remove_ContainsFullScreenElementChanged,
              [](TCustomEdgeBrowser& c, ICoreWebView2* Sender, IUnknown*) {
                  if (c.OnContainsFullScreenElementChanged) {
                      BOOL contains = 0;
                      if (c.RecordHResult(Sender->get_ContainsFullScreenElement(&contains))) {
                          c.Raise("OnContainsFullScreenElementChanged",
                                  [&] { c.OnContainsFullScreenElementChanged(&c, contains != 0); });
                      }
                  }
              });

    Subscribe(TSubscribed::WindowCloseRequested, &ICoreWebView2::add_WindowCloseRequested,
              &ICoreWebView2::remove_WindowCloseRequested,
              [](TCustomEdgeBrowser& c, ICoreWebView2*, IUnknown*) {
                  if (c.OnWindowCloseRequested) {
                      c.Raise("OnWindowCloseRequested", [&] { c.OnWindowCloseRequested(&c); });
                  }
              });

    Subscribe(TSubscribed::ZoomFactorChanged, &ICoreWebView2Controller::add_ZoomFactorChanged,
              &ICoreWebView2Controller::remove_ZoomFactorChanged,
              [](TCustomEdgeBrowser& c, ICoreWebView2Controller*, IUnknown*) {
                  if (c.OnZoomFactorChanged) {
                      const double zoom = c.ZoomFactor();
                      c.Raise("OnZoomFactorChanged", [&] { c.OnZoomFactorChanged(&c, zoom); });
                  }
              });

    Subscribe(
        TSubscribed::MoveFocusRequested, &ICoreWebView2Controller::add_MoveFocusRequested,
        &ICoreWebView2Controller::remove_MoveFocusRequested,
        [](TCustomEdgeBrowser& c, ICoreWebView2Controller*, ICoreWebView2MoveFocusRequestedEventArgs* Args) {
            // The user tabbed past the page's first or last element. The request is left
            // unhandled, so the browser moves the focus on by itself as well.
            COREWEBVIEW2_MOVE_FOCUS_REASON reason = COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC;
            if (!c.RecordHResult(Args->get_Reason(&reason))) {
                return;
            }
            if (reason == COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT) {
                c.Raise("SelectNext", [&] { c.SelectNext(&c, true, true); });
            } else if (reason == COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS) {
                c.Raise("SelectNext", [&] { c.SelectNext(&c, false, true); });
            }
        });

    Subscribe(TSubscribed::AcceleratorKeyPressed, &ICoreWebView2Controller::add_AcceleratorKeyPressed,
              &ICoreWebView2Controller::remove_AcceleratorKeyPressed,
              [](TCustomEdgeBrowser& c, ICoreWebView2Controller*,
                 ICoreWebView2AcceleratorKeyPressedEventArgs* Args) {
                  // Every key that could be a shortcut reaches the host before the page: the form's
                  // shortcuts (its main menu) get their keys even while the page has the focus.
                  COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN;
                  UINT virtualKey = 0;
                  int lParam = 0;
                  if (!c.RecordHResult(Args->get_KeyEventKind(&kind)) ||
                      !c.RecordHResult(Args->get_VirtualKey(&virtualKey)) ||
                      !c.RecordHResult(Args->get_KeyEventLParam(&lParam))) {
                      return;
                  }
                  Forms::TWinControl* form = c.TopLevelControl();
                  if (form == &c) {
                      return;
                  }
                  Forms::TKeyMessage message;
                  switch (kind) {
                  case COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN:
                      message.Msg = Forms::WM_KEYDOWN;
                      break;
                  case COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP:
                      message.Msg = Forms::WM_KEYUP;
                      break;
                  case COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN:
                      message.Msg = Forms::WM_SYSKEYDOWN;
                      break;
                  case COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP:
                      message.Msg = Forms::WM_SYSKEYUP;
                      break;
                  }
                  message.WParam = virtualKey;
                  message.LParam = lParam;
                  bool handled = false;
                  c.Raise("IsShortCut", [&] { handled = form->IsShortCut(message); });
                  if (handled) {
                      Args->put_Handled(1);
                  }
              });

    Subscribe(TSubscribed::GotFocus, &ICoreWebView2Controller::add_GotFocus,
              &ICoreWebView2Controller::remove_GotFocus,
              [](TCustomEdgeBrowser& c, ICoreWebView2Controller*, IUnknown*) {
                  // The user clicked or tabbed into the page: OnEnter, but no
                  // second push of the focus into the browser.
                  c.FWebViewFocusEventActive = true;
                  c.Raise("OnEnter", [&] { c.DoEnter(); });
                  c.FWebViewFocusEventActive = false;
              });

    Subscribe(TSubscribed::LostFocus, &ICoreWebView2Controller::add_LostFocus,
              &ICoreWebView2Controller::remove_LostFocus,
              [](TCustomEdgeBrowser& c, ICoreWebView2Controller*, IUnknown*) {
                  c.Raise("OnExit", [&] { c.DoExit(); });
              });
}

void TCustomEdgeBrowser::DoEnter() {
    TWinControl::DoEnter();
    if (!FWebViewFocusEventActive && FWebViewController) {
        RecordHResult(FWebViewController->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC));
    }
}

void TCustomEdgeBrowser::SetFocus() {
    TWinControl::SetFocus();
    if (FWebViewController) {
        RecordHResult(FWebViewController->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC));
    }
}

} // namespace Shared
