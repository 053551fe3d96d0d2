#include "platform/Text.h"

#include "base/glib/GLibPtr.h"

#include <glib.h>

namespace Platform {

std::string FoldCase(std::string_view utf8) {
    const Base::GLib::TGString valid(g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size())));
    const Base::GLib::TGString folded(g_utf8_casefold(valid.get(), -1));
    return std::string(folded.get());
}

} // namespace Platform
