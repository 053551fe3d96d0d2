#pragma once

// Message dialogs with standard buttons.

#include "forms/Forms.h"

#include <memory>
#include <string>
#include <vector>

namespace Forms {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Standard buttons, in the fixed order in which a dialog shows them.
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
    mbClose = 1u << 11,
};
using TMsgDlgButtons = unsigned;

// A modal message dialog: icon, text and one push button per standard button given, always in
// the order Yes, No, OK, Cancel, Abort, Retry, Ignore, All, NoToAll, YesToAll, Help, Close.
// Enter presses OK when present, else Yes; Esc answers Cancel only when a Cancel button is
// there; the close box always answers Cancel.
class TMessageDialog : public TObject {
public:
    TMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
    ~TMessageDialog() override;

    void SetTitle(const std::string& Title);
    // The push buttons in the order they were created.
    int ButtonCount() const;
    std::string ButtonCaption(int Index) const;
    void SetButtonCaption(int Index, const std::string& Caption);
    // The modal result of the button at Index (its own, whatever its caption).
    TModalResult ButtonResult(int Index) const;

    TModalResult ShowModal();
    // While shown: presses the button with the given result, as a click would.
    void Press(TModalResult Result);

    struct TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};

} // namespace Forms
