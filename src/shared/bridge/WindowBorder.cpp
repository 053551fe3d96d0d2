#include "shared/bridge/WindowBorder.h"

namespace Shared {

Forms::TBorderStyle ConfiguredBorderStyle(const TIniDocument* ProjectINI) {
    switch (ProjectINI != nullptr ? ProjectINI->ReadInteger("App", "WindowBorder", 2) : 2) {
    case 0:
        return Forms::bsNone;
    case 1:
        return Forms::bsSingle;
    case 3:
        return Forms::bsDialog;
    case 4:
        return Forms::bsToolWindow;
    case 5:
        return Forms::bsSizeToolWin;
    default:
        return Forms::bsSizeable;
    }
}

} // namespace Shared
