#pragma once

// Names shared by the engine's parts, including the one that runs in WebKit's web process.

#include <string_view>

namespace WebView2::WebKitGtk {

// The script world of the engine's own document script, out of the page's reach.
constexpr const char* EngineWorld = "vtr-engine";
// Script-message handlers in that world: the page's web messages and the engine's own notes.
constexpr const char* WebMessageHandler = "vtrWebView";
constexpr const char* EngineMessageHandler = "vtrEngine";
// The signals of the user content manager that carry them (literals, as a connection keeps them).
constexpr const char* WebMessageSignal = "script-message-received::vtrWebView";
constexpr const char* EngineMessageSignal = "script-message-received::vtrEngine";
static_assert(std::string_view(WebMessageSignal).substr(25) == WebMessageHandler &&
              std::string_view(EngineMessageSignal).substr(25) == EngineMessageHandler);
// The message the web-process side sends with its process id.
constexpr const char* ProcessIdMessage = "vtr-process-id";

} // namespace WebView2::WebKitGtk
