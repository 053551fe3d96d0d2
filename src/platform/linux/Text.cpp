#include "platform/Text.h"

#include <glib.h>

#include <memory>

namespace Platform {

std::string FoldCase(std::string_view utf8) {
    std::unique_ptr<gchar, decltype(&g_free)> valid(
        g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size())), &g_free);
    std::unique_ptr<gchar, decltype(&g_free)> folded(g_utf8_casefold(valid.get(), -1), &g_free);
    return std::string(folded.get());
}

} // namespace Platform
