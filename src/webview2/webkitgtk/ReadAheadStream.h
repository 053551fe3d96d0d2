#pragma once

// A GInputStream over an IStream that reads ahead on a worker thread, so that WebKit's many
// small reads of an answer (8 KiB each) are served from memory on the GUI thread instead of
// each waiting for a thread of its own.

#include "webview2/WebView2.h"

#include <gio/gio.h>

#include <cstddef>

namespace WebView2::WebKitGtk {

// How far ahead of the reader the worker goes: the memory one answer may hold at most.
constexpr std::size_t ReadAheadLimit = 1024 * 1024;

// Holds a reference on Stream until the result is closed or finalized and the worker is done
// with it. Reads are answered below the priority of the window's redraw, so that a long answer
// never keeps the window from painting; the worker reads Stream alone.
GInputStream* NewReadAheadStream(IStream* Stream);

} // namespace WebView2::WebKitGtk
