#include "shared/bridge/BrowserExternalForm.h"

namespace Shared {

TBrowserExternalForm::TBrowserExternalForm()
    : FMainMenuImageCollection(std::make_unique<Forms::TImageCollection>()),
      FMainMenuVirtualImageList(std::make_unique<Forms::TVirtualImageList>()),
      FMainMenu(std::make_unique<Forms::TMainMenu>()) {
    SetCaption("[Not visible form: intended to be used to place DPI aware controls]");
    FMainMenuVirtualImageList->SetImageCollection(FMainMenuImageCollection.get());
    FMainMenuVirtualImageList->SetAutoFill(true);
    FMainMenuVirtualImageList->SetDisabledGrayscale(true);
    FMainMenuVirtualImageList->SetDisabledSuffix("_Disabled");
    FMainMenuVirtualImageList->SetPreserveItems(true);
    FMainMenuVirtualImageList->SetSize(16, 16);
    FMainMenu->SetImages(FMainMenuVirtualImageList.get());
}

TBrowserExternalForm::~TBrowserExternalForm() {
    // The menu may still be attached to another window's menu bar.
    FMainMenu.reset();
}

} // namespace Shared
