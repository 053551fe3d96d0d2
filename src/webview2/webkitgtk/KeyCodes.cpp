#include "webview2/webkitgtk/KeyCodes.h"

#include "base/glib/GdkKeys.h"

#include <gdk/gdkkeysyms.h>

namespace WebView2::WebKitGtk {

namespace {

bool IsExtendedKey(guint Keyval) {
    switch (Keyval) {
    case GDK_KEY_Insert:
    case GDK_KEY_Delete:
    case GDK_KEY_Home:
    case GDK_KEY_End:
    case GDK_KEY_Page_Up:
    case GDK_KEY_Page_Down:
    case GDK_KEY_Left:
    case GDK_KEY_Right:
    case GDK_KEY_Up:
    case GDK_KEY_Down:
    case GDK_KEY_Control_R:
    case GDK_KEY_Alt_R:
    case GDK_KEY_ISO_Level3_Shift:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_KP_Divide:
    case GDK_KEY_Num_Lock:
    case GDK_KEY_Print:
        return true;
    default:
        return false;
    }
}

} // namespace

std::uint32_t VirtualKeyOf(const GdkEventKey* Event) {
    return Base::GLib::VirtualKeyOfEvent(Event);
}

int KeyLParamOf(const GdkEventKey* Event) {
    const bool up = Event->type == GDK_KEY_RELEASE;
    // X keycodes are the PC scan codes offset by 8.
    const std::uint32_t scan = Event->hardware_keycode >= 8 ? (Event->hardware_keycode - 8u) & 0xFFu : 0u;
    std::uint32_t lParam = 1u | (scan << 16);
    if (IsExtendedKey(Event->keyval)) {
        lParam |= 1u << 24;
    }
    if ((Event->state & GDK_MOD1_MASK) != 0) {
        lParam |= 1u << 29;
    }
    if (up) {
        lParam |= (1u << 30) | (1u << 31);
    }
    return static_cast<int>(lParam);
}

bool IsAcceleratorKey(const GdkEventKey* Event) {
    if ((Event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) != 0) {
        return true;
    }
    return gdk_keyval_to_unicode(Event->keyval) == 0;
}

} // namespace WebView2::WebKitGtk
