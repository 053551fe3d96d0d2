#pragma once

// Key events of GDK read through the one key table, for the toolkit and the engine alike (both
// bring GTK; this header needs GDK besides GLib).

#include "base/VirtualKeys.h"

#include <gdk/gdk.h>

#include <cstdint>

namespace Base::GLib {

// The virtual key of a key event, the way Windows reports it: Shift and Caps Lock folded, NumLock
// and the other modifiers kept; 0 when the key has none.
inline std::uint32_t VirtualKeyOfEvent(const GdkEventKey* Event) {
    GdkDisplay* display =
        Event->window != nullptr ? gdk_window_get_display(Event->window) : gdk_display_get_default();
    GdkKeymap* keymap = display != nullptr ? gdk_keymap_get_for_display(display) : nullptr;
    // The same key without Shift and Caps Lock (0 when the keyboard cannot say).
    const auto state = static_cast<GdkModifierType>(Event->state & ~(GDK_SHIFT_MASK | GDK_LOCK_MASK));
    guint unshifted = 0;
    if (keymap == nullptr ||
        !gdk_keymap_translate_keyboard_state(keymap, Event->hardware_keycode, state, Event->group, &unshifted,
                                             nullptr, nullptr, nullptr)) {
        unshifted = 0;
    }
    return VirtualKeyOfStroke(Event->keyval, unshifted);
}

} // namespace Base::GLib
