#include "webview2/webkitgtk/KeyCodes.h"

#include <gdk/gdkkeysyms.h>

namespace WebView2::WebKitGtk {

namespace {

// The key's symbol without Shift or Caps Lock, so that Shift+1 is the key 1.
guint BaseKeyval(const GdkEventKey* Event) {
    guint keyval = Event->keyval;
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(Event->window));
    guint base = 0;
    if (keymap != nullptr &&
        gdk_keymap_translate_keyboard_state(keymap, Event->hardware_keycode, static_cast<GdkModifierType>(0),
                                            Event->group, &base, nullptr, nullptr, nullptr) &&
        base != 0) {
        keyval = base;
    }
    return gdk_keyval_to_upper(keyval);
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
    const guint key = BaseKeyval(Event);
    if (key >= GDK_KEY_A && key <= GDK_KEY_Z) {
        return 'A' + (key - GDK_KEY_A);
    }
    if (key >= GDK_KEY_0 && key <= GDK_KEY_9) {
        return '0' + (key - GDK_KEY_0);
    }
    if (key >= GDK_KEY_F1 && key <= GDK_KEY_F24) {
        return 0x70 + (key - GDK_KEY_F1);
    }
    if (key >= GDK_KEY_KP_0 && key <= GDK_KEY_KP_9) {
        return 0x60 + (key - GDK_KEY_KP_0);
    }
    switch (key) {
    case GDK_KEY_BackSpace:
        return 0x08;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
        return 0x09;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
        return 0x0D;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
        return 0x10;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
        return 0x11;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
    case GDK_KEY_ISO_Level3_Shift:
        return 0x12;
    case GDK_KEY_Pause:
        return 0x13;
    case GDK_KEY_Caps_Lock:
        return 0x14;
    case GDK_KEY_Escape:
        return 0x1B;
    case GDK_KEY_space:
        return 0x20;
    case GDK_KEY_Page_Up:
        return 0x21;
    case GDK_KEY_Page_Down:
        return 0x22;
    case GDK_KEY_End:
        return 0x23;
    case GDK_KEY_Home:
        return 0x24;
    case GDK_KEY_Left:
        return 0x25;
    case GDK_KEY_Up:
        return 0x26;
    case GDK_KEY_Right:
        return 0x27;
    case GDK_KEY_Down:
        return 0x28;
    case GDK_KEY_Print:
        return 0x2C;
    case GDK_KEY_Insert:
        return 0x2D;
    case GDK_KEY_Delete:
        return 0x2E;
    case GDK_KEY_Super_L:
        return 0x5B;
    case GDK_KEY_Super_R:
        return 0x5C;
    case GDK_KEY_Menu:
        return 0x5D;
    case GDK_KEY_KP_Multiply:
        return 0x6A;
    case GDK_KEY_KP_Add:
        return 0x6B;
    case GDK_KEY_KP_Separator:
        return 0x6C;
    case GDK_KEY_KP_Subtract:
        return 0x6D;
    case GDK_KEY_KP_Decimal:
        return 0x6E;
    case GDK_KEY_KP_Divide:
        return 0x6F;
    case GDK_KEY_Num_Lock:
        return 0x90;
    case GDK_KEY_Scroll_Lock:
        return 0x91;
    case GDK_KEY_semicolon:
        return 0xBA;
    case GDK_KEY_equal:
    case GDK_KEY_plus:
        return 0xBB;
    case GDK_KEY_comma:
        return 0xBC;
    case GDK_KEY_minus:
        return 0xBD;
    case GDK_KEY_period:
        return 0xBE;
    case GDK_KEY_slash:
        return 0xBF;
    case GDK_KEY_grave:
        return 0xC0;
    case GDK_KEY_bracketleft:
        return 0xDB;
    case GDK_KEY_backslash:
        return 0xDC;
    case GDK_KEY_bracketright:
        return 0xDD;
    case GDK_KEY_apostrophe:
        return 0xDE;
    default:
        return 0;
    }
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
