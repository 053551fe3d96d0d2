#pragma once

// The password dialog of the start-up gate: one edit box that closes the dialog with OK as
// soon as it holds the application's password.

#include "forms/ImageList.h"
#include "forms/StdCtrls.h"
#include "forms/Win11Forms.h"

#include <memory>
#include <string>

namespace Runtime {

class TRequirePasswordForm : public Win11Forms::TForm {
public:
    TRequirePasswordForm();
    ~TRequirePasswordForm() override;

    // The value the typed text must equal.
    const std::string& Password() const { return FPassword; }
    void SetPassword(const std::string& Value) { FPassword = Value; }

    Forms::TEdit* PasswordEdit() const { return FPasswordEdit.get(); }
    Forms::TVirtualImageList* VirtualImageList() const { return FVirtualImageList.get(); }
    Forms::TImageCollection* ImageCollection() const { return FImageCollection.get(); }

    void FormCreate(Forms::TObject* Sender);
    void PasswordEditKeyUp(Forms::TObject* Sender, unsigned& Key, unsigned Shift);

protected:
    void WindowCreated() override;
    void ClientAreaResized(int AWidth, int AHeight) override;

private:
    // Declared before the edit box, which draws from them.
    std::unique_ptr<Forms::TImageCollection> FImageCollection;
    std::unique_ptr<Forms::TVirtualImageList> FVirtualImageList;
    std::unique_ptr<Forms::TEdit> FPasswordEdit;
    std::string FPassword;
    int FSizeCorrections = 0;
};

} // namespace Runtime
