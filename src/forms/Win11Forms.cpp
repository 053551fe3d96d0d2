#include "forms/Win11Forms.h"

namespace Forms {
// The window manager's corner preference for a form's window (0 system default, 1 square,
// 2 round, 3 round small); false when the window system has no such setting.
bool SetWindowCornerPreference(TForm& Form, int Preference);
} // namespace Forms

namespace Win11Forms {

TRoundedCornerType DefaultRoundedCorners = rcOn;

void TForm::SetRoundedCorners(TRoundedCornerType Value) {
    FRoundedCorners = Value;
    UpdateRoundedCorners();
}

void TForm::CreateWnd() {
    Forms::TForm::CreateWnd();
    UpdateRoundedCorners();
}

void TForm::UpdateRoundedCorners() {
    if (!HandleAllocated()) {
        return;
    }
    const TRoundedCornerType effective =
        FRoundedCorners == rcDefault ? DefaultRoundedCorners : FRoundedCorners;
    int preference = 0;
    switch (effective) {
    case rcOff:
        preference = 1;
        break;
    case rcOn:
        preference = 2;
        break;
    case rcSmall:
        preference = 3;
        break;
    case rcDefault:
        preference = 0;
        break;
    }
    // The result is ignored: where the window system cannot round corners, the window keeps
    // its usual look.
    Forms::SetWindowCornerPreference(*this, preference);
}

} // namespace Win11Forms
