#include "platform/TextCompare.h"

#include "platform/Text.h"

#include <glib.h>

#include <string>

namespace Platform {

int CompareTextIgnoreCase(std::string_view Left, std::string_view Right) {
    // Folding first makes "Sky" and "sky" collate as equals; g_utf8_collate then follows the
    // locale (wcscoll under glibc), so the order is the one users of that locale expect.
    const std::string left = FoldCase(Left);
    const std::string right = FoldCase(Right);
    return g_utf8_collate(left.c_str(), right.c_str());
}

} // namespace Platform
