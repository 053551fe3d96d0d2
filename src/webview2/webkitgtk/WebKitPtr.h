#pragma once

// Ownership of the WebKit, libsoup and cairo values the engine holds, on the base layer's
// handles. They live here, not in the base layer, because only the engine sees these libraries.

#include "base/glib/GLibPtr.h"

#include <libsoup/soup.h>
#include <webkit2/webkit2.h>

namespace WebView2::WebKitGtk {

using Base::GLib::TGError;
using Base::GLib::TGErrorOut;
using Base::GLib::TGObjectPtr;
using Base::GLib::TGString;

using TUserScript = Base::GLib::TOwned<WebKitUserScript, webkit_user_script_unref>;
using TSoupHeaders = Base::GLib::TOwned<SoupMessageHeaders, soup_message_headers_unref>;
using TCairoSurface = Base::GLib::TOwned<cairo_surface_t, cairo_surface_destroy>;

} // namespace WebView2::WebKitGtk
