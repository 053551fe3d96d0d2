#include "runtime/LocalizedMessages.h"

#include "platform/Locale.h"

#include <array>

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
