#pragma once

#include <gdk/gdk.h>

#include <cstdint>

namespace WebView2::WebKitGtk {

// The Windows virtual-key code of a key event (0 when the key has none).
std::uint32_t VirtualKeyOf(const GdkEventKey* Event);
// The key message's lParam as Windows lays it out: repeat count 1, scan code, extended-key
// flag, context code (Alt held), previous key state and transition state.
int KeyLParamOf(const GdkEventKey* Event);
// Keys the host sees before the page (WebView2's accelerator rule): any key while Ctrl or
// Alt is held, and keys that type no character.
bool IsAcceleratorKey(const GdkEventKey* Event);

} // namespace WebView2::WebKitGtk
