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

} // namespace Runtime
