#pragma once

#include "forms/Dialogs.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace Runtime {

// Indexes of the start-up message table.
enum TLocalizedMessage : int {
    lmLanguageCode = 0,
    lmTitleError = 1,
    lmTitleConfirm = 2,
    lmButtonAccept = 3,
    lmButtonCancel = 4,
    lmNotValidApplication = 5,
    lmRuntimeRequired = 6,
    lmRuntimeInstallQuestion = 7,
    lmCannotContinue = 8,
    lmInstallationCancelled = 9,
};

// The message in the user's language, chosen afresh at every call; English when the user's
// language has no row. Raises for an index outside 0 to 9.
std::string GetLocalizedMessage(int MessageIndex);

// The standard modal message dialog for Msg with its buttons in their fixed order; the k-th
// button takes Captions[k] where there is one. Returns the modal result of the button pressed
// (Cancel when the dialog is closed otherwise). Without a display the text goes to standard
// error and the result is Cancel.
int ShowMessageDialog(const std::string& Msg, Forms::TMsgDlgType DlgType, Forms::TMsgDlgButtons Buttons,
                      const std::vector<std::string>& Captions, const std::string& Title);

// The start-up error box: message MessageIndex, one button captioned "Accept", title "Error",
// each in the user's language.
void ShowLocalizedError(int MessageIndex);

class ELocalizedMessageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace Runtime
