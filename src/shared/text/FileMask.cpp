#include "shared/text/FileMask.h"

#include "base/Wildcard.h"

namespace Shared {

bool MatchesFileMask(std::string_view Name, std::string_view Mask) {
    if (Mask == "*.*") {
        return true;
    }
    return Base::MatchesWildcard(Mask, Name, {.QuestionMark = true, .IgnoreCase = true});
}

} // namespace Shared
