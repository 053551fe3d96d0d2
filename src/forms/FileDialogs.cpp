#include "forms/FileDialogs.h"

#include "platform/Text.h"
#include "shared/text/FileMask.h"
#include "shared/text/StrUtils.h"

namespace Forms {

bool TFileTypeItem::Matches(std::string_view FileName) const {
    // Folded first, so that letter case is ignored in every script, not only in ASCII.
    const std::string name = Platform::FoldCase(FileName);
    for (const std::string& pattern : Shared::TStrUtils::ExplodeStrings(";", FileMask)) {
        const std::string_view trimmed = Shared::TStrUtils::Trim(pattern);
        if (!trimmed.empty() && Shared::MatchesFileMask(name, Platform::FoldCase(trimmed))) {
            return true;
        }
    }
    return false;
}

} // namespace Forms
