#include "runtime/RequirePasswordForm.h"

#include "forms/BorderIcons.h"
#include "shared/config/Resources.h"

namespace Runtime {

namespace {

constexpr int DesignClientWidth = 308;
constexpr int DesignClientHeight = 71;

} // namespace

TRequirePasswordForm::TRequirePasswordForm()
    : FImageCollection(std::make_unique<Forms::TImageCollection>()),
      FVirtualImageList(std::make_unique<Forms::TVirtualImageList>()),
      FPasswordEdit(std::make_unique<Forms::TEdit>()) {
    SetCaption("[App Name]");
    SetBorderStyle(Forms::bsDialog);
    // Centred on the main window where there is one; at start-up there is none, so on the screen.
    SetPosition(Forms::poScreenCenter);
    SetClientSize(DesignClientWidth, DesignClientHeight);

    if (const auto key = Shared::TResources::Find("RCDATA", "KEY_PNG")) {
        FImageCollection->Add("key", *key);
    }
    FVirtualImageList->SetImageCollection(FImageCollection.get());
    FVirtualImageList->SetAutoFill(true);
    FVirtualImageList->SetSize(16, 16);

    Forms::TEdit& edit = *FPasswordEdit;
    edit.SetParent(this);
    edit.SetBounds(24, 24, 257, 21);
    edit.SetTabOrder(0);
    edit.SetPasswordChar('*');
    edit.SetFont({"Tahoma", -11});
    edit.SetImages(FVirtualImageList.get());
    edit.SetLeftButton({true, 0});
    edit.OnKeyUp = [this](Forms::TObject* Sender, unsigned& Key, unsigned Shift) {
        PasswordEditKeyUp(Sender, Key, Shift);
    };
    FormCreate(this);
}

TRequirePasswordForm::~TRequirePasswordForm() = default;

void TRequirePasswordForm::FormCreate(Forms::TObject* /*Sender*/) {
    FPassword.clear();
}

void TRequirePasswordForm::PasswordEditKeyUp(Forms::TObject* /*Sender*/, unsigned& /*Key*/,
                                             unsigned /*Shift*/) {
    // Every key counts, whatever it is: the dialog closes as soon as the text is right.
    if (FPasswordEdit->Text() == FPassword) {
        SetModalResult(Forms::mrOk);
    }
}

void TRequirePasswordForm::WindowCreated() {
    Win11Forms::TForm::WindowCreated();
    // A dialog border: a close box, no minimize or maximize, no resizing.
    Forms::ApplyBorderIcons(*this, Forms::biSystemMenu);
    FPasswordEdit->SetFocus();
}

void TRequirePasswordForm::ClientAreaResized(int AWidth, int AHeight) {
    Win11Forms::TForm::ClientAreaResized(AWidth, AHeight);
    // The window manager's frame is known only once the window is on screen, and the client
    // area is what must come out: the outer size follows the real frame. A window manager
    // that refuses the size gets a few tries, not an endless loop.
    if ((AWidth != DesignClientWidth || AHeight != DesignClientHeight) && FSizeCorrections < 3) {
        ++FSizeCorrections;
        SetClientSize(DesignClientWidth, DesignClientHeight);
    }
}

} // namespace Runtime
