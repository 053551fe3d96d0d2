#include "forms/gtk/FormImpl.h"

#include "base/glib/GdkKeys.h"

// A form's keys: the key preview before the focused control, and keys no control used going
// to the form's shortcuts (its menu).

namespace Forms {

gboolean TForm::TFormImpl::OnKey(GtkWidget*, GdkEventKey* Event) {
    TForm& form = Owner;
    if (!form.FKeyPreview) {
        return FALSE;
    }
    const unsigned key = VirtualKeyOf(Event);
    const unsigned shift = ShiftStateOf(Event);
    const bool handled = Event->type == GDK_KEY_PRESS ? form.DoKeyDown(key, shift) : form.DoKeyUp(key, shift);
    return handled ? TRUE : FALSE;
}

gboolean TForm::TFormImpl::OnUnhandledKey(GtkWidget*, GdkEventKey* Event) {
    // A key that no widget used: the form's shortcuts (its menu) may take it. Keys held by a
    // widget that keeps them (the browser) reach the shortcuts through that widget instead.
    TKeyMessage message;
    const bool alt = (Event->state & GDK_MOD1_MASK) != 0;
    message.Msg = alt && (Event->state & GDK_CONTROL_MASK) == 0 ? WM_SYSKEYDOWN : WM_KEYDOWN;
    message.WParam = VirtualKeyOf(Event);
    message.LParam = 1 | (alt ? 1 << 29 : 0);
    return message.WParam != 0 && Owner.IsShortCut(message) ? TRUE : FALSE;
}

unsigned VirtualKeyOf(const GdkEventKey* Event) {
    return Base::GLib::VirtualKeyOfEvent(Event);
}

unsigned ShiftStateOf(const GdkEventKey* Event) {
    unsigned shift = 0;
    if ((Event->state & GDK_SHIFT_MASK) != 0) {
        shift |= 1;
    }
    if ((Event->state & GDK_MOD1_MASK) != 0) {
        shift |= 2;
    }
    if ((Event->state & GDK_CONTROL_MASK) != 0) {
        shift |= 4;
    }
    return shift;
}

} // namespace Forms
