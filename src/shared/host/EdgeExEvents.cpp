#include "shared/host/EdgeEx.h"
#include "shared/host/EdgeExInternal.h"

// The host control's subscriptions: one internal handler per browser event, each turning the
// browser's event into the control's own; and the control's part in focus and shortcut keys.

namespace Shared {

using namespace WebView2;

void TCustomEdgeBrowser::Subscribe() {
    ICoreWebView2* webView = FWebView.Get();
    ICoreWebView2Controller* controller = FWebViewController.Get();

    webView->add_NavigationStarting(
        Handler<ICoreWebView2NavigationStartingEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* Args) {
                if (c.OnNavigationStarting) {
                    TNavigationStartingEventArgs args(Args);
                    c.Raise("OnNavigationStarting", [&] { c.OnNavigationStarting(&c, &args); });
                }
            })
            .Get(),
        &FNavigationStartingToken);

    webView->add_NavigationCompleted(
        Handler<ICoreWebView2NavigationCompletedEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* Args) {
                if (c.OnNavigationCompleted) {
                    BOOL success = 0;
                    COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
                    Args->get_IsSuccess(&success);
                    Args->get_WebErrorStatus(&status);
                    c.Raise("OnNavigationCompleted",
                            [&] { c.OnNavigationCompleted(&c, success != 0, status); });
                }
            })
            .Get(),
        &FNavigationCompletedToken);

    webView->add_SourceChanged(
        Handler<ICoreWebView2SourceChangedEventHandler>([](TCustomEdgeBrowser& c, ICoreWebView2*,
                                                           ICoreWebView2SourceChangedEventArgs* Args) {
            if (c.OnSourceChanged) {
                BOOL newDocument = 0;
                Args->get_IsNewDocument(&newDocument);
                c.Raise("OnSourceChanged", [&] { c.OnSourceChanged(&c, newDocument != 0); });
            }
        }).Get(),
        &FSourceChangedToken);

    webView->add_HistoryChanged(
        Handler<ICoreWebView2HistoryChangedEventHandler>([](TCustomEdgeBrowser& c, ICoreWebView2*,
                                                            IUnknown*) {
            if (c.OnHistoryChanged) {
                c.Raise("OnHistoryChanged", [&] { c.OnHistoryChanged(&c); });
            }
        }).Get(),
        &FHistoryChangedToken);

    webView->add_ContentLoading(
        Handler<ICoreWebView2ContentLoadingEventHandler>([](TCustomEdgeBrowser& c, ICoreWebView2*,
                                                            ICoreWebView2ContentLoadingEventArgs* Args) {
            if (c.OnContentLoading) {
                BOOL errorPage = 0;
                UINT64 navigationId = 0;
                Args->get_IsErrorPage(&errorPage);
                Args->get_NavigationId(&navigationId);
                c.Raise("OnContentLoading", [&] { c.OnContentLoading(&c, errorPage != 0, navigationId); });
            }
        }).Get(),
        &FContentLoadingToken);

    webView->add_DocumentTitleChanged(
        Handler<ICoreWebView2DocumentTitleChangedEventHandler>([](TCustomEdgeBrowser& c, ICoreWebView2*,
                                                                  IUnknown*) {
            if (c.OnDocumentTitleChanged) {
                const std::string title = c.DocumentTitle();
                c.Raise("OnDocumentTitleChanged", [&] { c.OnDocumentTitleChanged(&c, title); });
            }
        }).Get(),
        &FDocumentTitleChangedToken);

    webView->add_NewWindowRequested(
        Handler<ICoreWebView2NewWindowRequestedEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* Args) {
                if (c.OnNewWindowRequested) {
                    TNewWindowRequestedEventArgs args(Args);
                    c.Raise("OnNewWindowRequested", [&] { c.OnNewWindowRequested(&c, &args); });
                }
            })
            .Get(),
        &FNewWindowRequestedToken);

    webView->add_FrameNavigationStarting(
        Handler<ICoreWebView2NavigationStartingEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* Args) {
                if (c.OnFrameNavigationStarting) {
                    TNavigationStartingEventArgs args(Args);
                    c.Raise("OnFrameNavigationStarting", [&] { c.OnFrameNavigationStarting(&c, &args); });
                }
            })
            .Get(),
        &FFrameNavigationStartingToken);

    webView->add_FrameNavigationCompleted(
        Handler<ICoreWebView2NavigationCompletedEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* Args) {
                if (c.OnFrameNavigationCompleted) {
                    BOOL success = 0;
                    COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
                    Args->get_IsSuccess(&success);
                    Args->get_WebErrorStatus(&status);
                    c.Raise("OnFrameNavigationCompleted",
                            [&] { c.OnFrameNavigationCompleted(&c, success != 0, status); });
                }
            })
            .Get(),
        &FFrameNavigationCompletedToken);

    webView->add_WebResourceRequested(
        Handler<ICoreWebView2WebResourceRequestedEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* Args) {
                if (c.OnWebResourceRequested) {
                    TWebResourceRequestedEventArgs args(Args);
                    c.Raise("OnWebResourceRequested", [&] { c.OnWebResourceRequested(&c, &args); });
                }
            })
            .Get(),
        &FWebResourceRequestedToken);

    webView->add_ScriptDialogOpening(
        Handler<ICoreWebView2ScriptDialogOpeningEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2ScriptDialogOpeningEventArgs* Args) {
                if (c.OnScriptDialogOpening) {
                    TScriptDialogOpeningEventArgs args(Args);
                    c.Raise("OnScriptDialogOpening", [&] { c.OnScriptDialogOpening(&c, &args); });
                }
            })
            .Get(),
        &FScriptDialogOpeningToken);

    webView->add_PermissionRequested(
        Handler<ICoreWebView2PermissionRequestedEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* Args) {
                if (c.OnPermissionRequested) {
                    TPermissionRequestedEventArgs args(Args);
                    c.Raise("OnPermissionRequested", [&] { c.OnPermissionRequested(&c, &args); });
                }
            })
            .Get(),
        &FPermissionRequestedToken);

    webView->add_ProcessFailed(
        Handler<ICoreWebView2ProcessFailedEventHandler>([](TCustomEdgeBrowser& c, ICoreWebView2*,
                                                           ICoreWebView2ProcessFailedEventArgs* Args) {
            if (c.OnProcessFailed) {
                COREWEBVIEW2_PROCESS_FAILED_KIND kind =
                    COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED;
                Args->get_ProcessFailedKind(&kind);
                c.Raise("OnProcessFailed", [&] { c.OnProcessFailed(&c, kind); });
            }
        }).Get(),
        &FProcessFailedToken);

    webView->add_WebMessageReceived(
        Handler<ICoreWebView2WebMessageReceivedEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* Args) {
                if (c.OnWebMessageReceived) {
                    TWebMessageReceivedEventArgs args(Args);
                    c.Raise("OnWebMessageReceived", [&] { c.OnWebMessageReceived(&c, &args); });
                }
            })
            .Get(),
        &FWebMessageReceivedToken);

    webView->add_ContainsFullScreenElementChanged(
        Handler<ICoreWebView2ContainsFullScreenElementChangedEventHandler>([](TCustomEdgeBrowser& c,
                                                                              ICoreWebView2* Sender,
                                                                              IUnknown*) {
            if (c.OnContainsFullScreenElementChanged) {
                BOOL contains = 0;
                if (c.RecordHResult(Sender->get_ContainsFullScreenElement(&contains))) {
                    c.Raise("OnContainsFullScreenElementChanged",
                            [&] { c.OnContainsFullScreenElementChanged(&c, contains != 0); });
                }
            }
        }).Get(),
        &FContainsFullScreenElementChangedToken);

    webView->add_WindowCloseRequested(
        Handler<ICoreWebView2WindowCloseRequestedEventHandler>([](TCustomEdgeBrowser& c, ICoreWebView2*,
                                                                  IUnknown*) {
            if (c.OnWindowCloseRequested) {
                c.Raise("OnWindowCloseRequested", [&] { c.OnWindowCloseRequested(&c); });
            }
        }).Get(),
        &FWindowCloseRequestedToken);

    controller->add_ZoomFactorChanged(
        Handler<ICoreWebView2ZoomFactorChangedEventHandler>([](TCustomEdgeBrowser& c,
                                                               ICoreWebView2Controller*, IUnknown*) {
            if (c.OnZoomFactorChanged) {
                const double zoom = c.ZoomFactor();
                c.Raise("OnZoomFactorChanged", [&] { c.OnZoomFactorChanged(&c, zoom); });
            }
        }).Get(),
        &FZoomFactorChangedToken);

    controller->add_MoveFocusRequested(
        Handler<ICoreWebView2MoveFocusRequestedEventHandler>(
            [](TCustomEdgeBrowser& c, ICoreWebView2Controller*,
               ICoreWebView2MoveFocusRequestedEventArgs* Args) {
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
            })
            .Get(),
        &FMoveFocusRequestedToken);

    controller->add_AcceleratorKeyPressed(
        Handler<ICoreWebView2AcceleratorKeyPressedEventHandler>(
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
            })
            .Get(),
        &FAcceleratorKeyPressedToken);

    controller->add_GotFocus(
        Handler<ICoreWebView2FocusChangedEventHandler>([](TCustomEdgeBrowser& c, ICoreWebView2Controller*,
                                                          IUnknown*) {
            // The user clicked or tabbed into the page: OnEnter, but no
            // second push of the focus into the browser.
            c.FWebViewFocusEventActive = true;
            c.Raise("OnEnter", [&] { c.DoEnter(); });
            c.FWebViewFocusEventActive = false;
        }).Get(),
        &FGotFocusToken);

    controller->add_LostFocus(
        Handler<ICoreWebView2FocusChangedEventHandler>([](TCustomEdgeBrowser& c, ICoreWebView2Controller*,
                                                          IUnknown*) {
            c.Raise("OnExit", [&] { c.DoExit(); });
        }).Get(),
        &FLostFocusToken);
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
