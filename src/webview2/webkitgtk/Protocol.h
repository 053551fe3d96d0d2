#pragma once

// Names shared by the engine's parts, including the one that runs in WebKit's web process.

namespace WebView2::WebKitGtk {

// The script world of the engine's own document script, out of the page's reach.
constexpr const char* EngineWorld = "vtr-engine";
// Script-message handlers in that world: the page's web messages and the engine's own notes.
constexpr const char* WebMessageHandler = "vtrWebView";
constexpr const char* EngineMessageHandler = "vtrEngine";
// The message the web-process side sends with its process id.
constexpr const char* ProcessIdMessage = "vtr-process-id";

} // namespace WebView2::WebKitGtk
