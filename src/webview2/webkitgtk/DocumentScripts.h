#pragma once

#include <string>

namespace WebView2::WebKitGtk {

// Runs in the page's own world in every frame, before the page's scripts: gives the document
// window.chrome.webview. Messages leave through a DOM event that only the engine script of
// the top frame forwards, so no frame can reach the host's message handler directly.
extern const char* const PageWorldScript;

// Runs in the engine's own world in every frame: forwards the top frame's web messages,
// reports sub-frame navigations and Tab presses that leave the page.
extern const char* const EngineWorldScript;

// The script that delivers a web message (already checked to be JSON) to the top document.
std::string DispatchWebMessageScript(const std::string& Json);

} // namespace WebView2::WebKitGtk
