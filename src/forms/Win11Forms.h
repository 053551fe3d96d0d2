#pragma once

// The form base of the application's top-level windows: it asks the window manager for
// rounded corners whenever its window is created.

#include "forms/Forms.h"

namespace Win11Forms {

enum TRoundedCornerType { rcDefault, rcOff, rcOn, rcSmall };

// The preference of every form left at rcDefault; rcOn for the whole process.
extern TRoundedCornerType DefaultRoundedCorners;

class TForm : public Forms::TForm {
public:
    TRoundedCornerType RoundedCorners() const { return FRoundedCorners; }
    void SetRoundedCorners(TRoundedCornerType Value);

protected:
    void CreateWnd() override;

private:
    void UpdateRoundedCorners();

    TRoundedCornerType FRoundedCorners = rcDefault;
};

} // namespace Win11Forms
