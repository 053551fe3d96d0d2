#pragma once

// A GInputStream over an IStream, so that WebKit reads an answer's content as it needs it.

#include "webview2/WebView2.h"

#include <gio/gio.h>

namespace WebView2::WebKitGtk {

// Holds a reference on Stream until the result is closed or finalized. The stream cannot be
// polled, so GIO runs each asynchronous read (the way WebKit reads answers) on a worker
// thread: a slow or large answer never holds the GUI thread. GIO allows one pending operation
// at a time, so Stream is never read by two threads at once.
GInputStream* NewComInputStream(IStream* Stream);

} // namespace WebView2::WebKitGtk
