#pragma once

// The splash shown while the browser runtime's installer runs: a small borderless square with
// an activity indicator, which no close request can close.

#include "forms/Graphics.h"
#include "forms/Win11Forms.h"
#include "forms/WinXCtrls.h"

#include <memory>

namespace Runtime {

class TEdgeInstallerForm : public Win11Forms::TForm {
public:
    TEdgeInstallerForm();
    ~TEdgeInstallerForm() override;

    Forms::TActivityIndicator* ActivityIndicator() const { return FActivityIndicator.get(); }

    // Background colour: 0x00BBGGRR, or 0xFF000000 plus a system colour index.
    void SetBackgroundColor(Forms::TColor Value);
    // 0 black, 1 white; other values keep the current colour.
    void SetIndicatorColor(int Value);
    // 0 momentum dots, 1 rotating sector, 2 sector ring; other values keep the current kind.
    void SetIndicatorType(int Value);

    void FormCreate(Forms::TObject* Sender);
    void FormCloseQuery(Forms::TObject* Sender, bool& CanClose);

protected:
    void WindowCreated() override;

private:
    void SetRoundedRegion();

    std::unique_ptr<Forms::TActivityIndicator> FActivityIndicator;
};

} // namespace Runtime
