#include "webview2/webkitgtk/KeyCodes.h"

#include "base/VirtualKeys.h"

#include <gdk/gdkkeysyms.h>

namespace WebView2::WebKitGtk {

namespace {

// The key's symbol without Shift or Caps Lock but with every other modifier the event had
// (NumLock above all); 0 when the keyboard cannot say.
guint UnshiftedKeyval(const GdkEventKey* Event) {
    GdkDisplay* display = Event->window != nullptr ? gdk_window_get_display(Event->window) : gdk_display_get_default();
    GdkKeymap* keymap = display != nullptr ? gdk_keymap_get_for_display(display) : nullptr;
    const auto state = static_cast<GdkModifierType>(Event->state & ~(GDK_SHIFT_MASK | GDK_LOCK_MASK));
    guint keyval = 0;
    if (keymap == nullptr || !gdk_keymap_translate_keyboard_state(keymap, Event->hardware_keycode, state,
                                                                  Event->group, &keyval, nullptr, nullptr, nullptr)) {
        return 0;
    }
    return keyval;
}

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
    return Base::VirtualKeyOfStroke(Event->keyval, UnshiftedKeyval(Event));
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
