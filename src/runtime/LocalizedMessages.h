#pragma once

#include <stdexcept>
#include <string>

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

class ELocalizedMessageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace Runtime
