#include "forms/FileDialogs.h"

#include "base/Ascii.h"
#include "base/Wildcard.h"
#include "platform/Text.h"

namespace Forms {

bool TFileTypeItem::Matches(std::string_view FileName) const {
    // Folded first, so that letter case is ignored in every script, not only in ASCII.
    const std::string name = Platform::FoldCase(FileName);
    std::string_view masks = FileMask;
    while (!masks.empty()) {
        const std::size_t end = masks.find(';');
        const std::string_view mask = Base::TrimAsciiSpace(masks.substr(0, end));
        masks = end == std::string_view::npos ? std::string_view() : masks.substr(end + 1);
        if (!mask.empty() && Base::MatchesFileMask(name, Platform::FoldCase(mask))) {
            return true;
        }
    }
    return false;
}

} // namespace Forms
