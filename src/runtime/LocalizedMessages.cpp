#include "runtime/LocalizedMessages.h"

#include "forms/Application.h"
#include "platform/Locale.h"

#include <array>
#include <iostream>

namespace Runtime {

namespace {
#include "runtime/LocalizedMessageTable.inc"
} // namespace

std::string GetLocalizedMessage(int MessageIndex) {
    if (MessageIndex < 0 || MessageIndex > 9) {
        throw ELocalizedMessageError("MessageIndex is out of range!");
    }
    const std::string language = Platform::UserLanguage();
    for (const auto& row : TranslatedMessages) {
        if (language == row[0]) {
            return row[static_cast<std::size_t>(MessageIndex)];
        }
    }
    return DefaultMessages[static_cast<std::size_t>(MessageIndex)];
}

int ShowMessageDialog(const std::string& Msg, Forms::TMsgDlgType DlgType, Forms::TMsgDlgButtons Buttons,
                      const std::vector<std::string>& Captions, const std::string& Title) {
    if (!Forms::Application().Initialized()) {
        // No display to ask on: the message goes to standard error and counts as declined.
        std::cerr << Title << ": " << Msg << std::endl;
        return Forms::mrCancel;
    }
    Forms::TMessageDialog dialog(Msg, DlgType, Buttons);
    dialog.SetTitle(Title);
    for (int k = 0; k < dialog.ButtonCount() && k < static_cast<int>(Captions.size()); ++k) {
        dialog.SetButtonCaption(k, Captions[static_cast<std::size_t>(k)]);
    }
    return dialog.ShowModal();
}

void ShowLocalizedError(int MessageIndex) {
    ShowMessageDialog(GetLocalizedMessage(MessageIndex), Forms::mtError, Forms::mbYes,
                      {GetLocalizedMessage(lmButtonAccept)}, GetLocalizedMessage(lmTitleError));
}

} // namespace Runtime
