#pragma once

// Downloads: the user says where each one goes, and hears when one fails.

#include <webkit2/webkit2.h>

namespace WebView2::WebKitGtk {

// Handles every download that the pages of Context start (call once per context). The save
// dialog, owned by the page's window, asks for the destination; cancelling it writes nothing.
// A download of the application's own files (the engine's file scheme, which WebKit cannot
// fetch for a download) is saved by the engine, for the application's window only.
void WatchDownloads(WebKitWebContext* Context);

// Runs in the engine's world of every frame: links that download the application's files are
// handed to the engine with the name they suggest.
extern const char* const DownloadLinkScript;

} // namespace WebView2::WebKitGtk
