#pragma once

// The buttons of a form's title bar, and with them what the window manager lets the user do.

#include "forms/Forms.h"

namespace Forms {

enum TBorderIcon : unsigned { biSystemMenu = 1u << 0, biMinimize = 1u << 1, biMaximize = 1u << 2 };
using TBorderIcons = unsigned;

// Offers only the given buttons on Form's window (creating the window when it has none yet):
// without biMinimize the window cannot be minimized, without biMaximize it cannot be
// maximized, without biSystemMenu it has no close box and no window menu. Moving stays
// possible; resizing follows the border style. Apply it again after the window is created anew.
void ApplyBorderIcons(TForm& Form, TBorderIcons Icons);

} // namespace Forms
