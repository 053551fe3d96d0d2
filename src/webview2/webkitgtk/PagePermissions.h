#pragma once

// Permissions that WebKit only asks for while the user acts (notifications, reading the
// clipboard): the application's own top-level page asks the host at any time, as it can with
// every other kind.

namespace WebView2::WebKitGtk {

// Runs in the page's world of every frame, before the page's scripts. In the application's
// own top-level document, such a request made without a user gesture goes to the engine.
extern const char* const PermissionPageScript;

// Runs in the engine's world of every frame: hands those requests to the engine, and makes the
// call for the page when the engine says so (with the gesture of a script the engine runs).
extern const char* const PermissionEngineScript;

} // namespace WebView2::WebKitGtk
