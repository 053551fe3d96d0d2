#pragma once

// The hidden form that carries the native main menu, its image list and image collection.
// It is never shown.

#include "forms/Forms.h"
#include "forms/ImageList.h"
#include "forms/Menus.h"

#include <memory>

namespace Shared {

class TBrowserExternalForm : public Forms::TForm {
public:
    TBrowserExternalForm();
    ~TBrowserExternalForm() override;

    Forms::TMainMenu* MainMenu() const { return FMainMenu.get(); }
    Forms::TVirtualImageList* MainMenuVirtualImageList() const { return FMainMenuVirtualImageList.get(); }
    Forms::TImageCollection* MainMenuImageCollection() const { return FMainMenuImageCollection.get(); }

private:
    std::unique_ptr<Forms::TImageCollection> FMainMenuImageCollection;
    std::unique_ptr<Forms::TVirtualImageList> FMainMenuVirtualImageList;
    std::unique_ptr<Forms::TMainMenu> FMainMenu;
};

} // namespace Shared
