#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/WebWindow.h"

#include "webview2/UriMapping.h"

// What a page asks of its window: new windows, permissions, script dialogs, full screen and
// closing.

namespace WebView2::WebKitGtk {

namespace {

COREWEBVIEW2_PERMISSION_KIND PermissionKindOf(WebKitPermissionRequest* Request) {
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(Request)) {
        return COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION;
    }
    if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(Request)) {
        return COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS;
    }
    if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(Request)) {
        auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(Request);
        return webkit_user_media_permission_is_for_video_device(media)
                   ? COREWEBVIEW2_PERMISSION_KIND_CAMERA
                   : COREWEBVIEW2_PERMISSION_KIND_MICROPHONE;
    }
    if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(Request)) {
        return COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ;
    }
    return COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
}

} // namespace

GtkWidget* TBrowser::OnCreate(WebKitNavigationAction* Action) {
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(Action));
    auto args = MakeCom<TNewWindowRequestedArgs>();
    args->Uri = MapToHostUri(uri != nullptr ? uri : "");
    args->IsUserInitiated = webkit_navigation_action_is_user_gesture(Action) != FALSE;
    FNewWindowRequested.Raise(Core(), args.Get());
    if (!args->Handled && Alive() && uri != nullptr && *uri != '\0') {
        // What a browser does with a window the host left alone, without the host's bridge.
        OpenWebWindow(FEnvironment->Context(), uri);
    }
    return nullptr;
}

bool TBrowser::OnPermissionRequest(WebKitPermissionRequest* Request) {
    auto args = MakeCom<TPermissionRequestedArgs>();
    args->Uri = CurrentSource();
    args->Kind = PermissionKindOf(Request);
    FPermissionRequested.Raise(Core(), args.Get());
    switch (args->State) {
    case COREWEBVIEW2_PERMISSION_STATE_ALLOW:
        webkit_permission_request_allow(Request);
        return true;
    case COREWEBVIEW2_PERMISSION_STATE_DENY:
        webkit_permission_request_deny(Request);
        return true;
    default:
        return false; // WebKit's own answer
    }
}

bool TBrowser::OnScriptDialog(WebKitScriptDialog* Dialog) {
    if (FSettings->DefaultScriptDialogsEnabled) {
        return ShowScriptDialog(Dialog);
    }
    auto args = MakeCom<TScriptDialogOpeningArgs>();
    args->Uri = CurrentSource();
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(Dialog);
    switch (type) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        args->Kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM;
        break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
        args->Kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT;
        args->DefaultText = webkit_script_dialog_prompt_get_default_text(Dialog);
        args->ResultText = args->DefaultText;
        break;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
        args->Kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD;
        break;
    default:
        args->Kind = COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT;
        break;
    }
    const char* message = webkit_script_dialog_get_message(Dialog);
    args->Message = message != nullptr ? message : "";
    FScriptDialogOpening.Raise(Core(), args.Get());
    if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM || type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
        webkit_script_dialog_confirm_set_confirmed(Dialog, args->Accepted);
    } else if (type == WEBKIT_SCRIPT_DIALOG_PROMPT && args->Accepted) {
        webkit_script_dialog_prompt_set_text(Dialog, args->ResultText.c_str());
    }
    return true;
}

bool TBrowser::OnFullscreen(bool Enter) {
    FContainsFullScreenElement = Enter;
    FContainsFullScreenElementChanged.Raise(Core(), nullptr);
    return true; // the host decides what its window does
}

void TBrowser::OnCloseRequested() {
    FWindowCloseRequested.Raise(Core(), nullptr);
}

} // namespace WebView2::WebKitGtk
