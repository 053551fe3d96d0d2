#include "platform/Locale.h"

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

namespace Platform {

namespace {

std::string FirstSet(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return {};
}

} // namespace

std::string UserLanguage() {
    const std::string locale = FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"});
    std::string language = locale.substr(0, locale.find_first_of("_.@"));
    if (language.empty() || language == "C" || language == "POSIX") {
        return "en";
    }
    return language;
}

std::string UserDecimalSeparator() {
    const std::string name = FirstSet({"LC_ALL", "LC_NUMERIC", "LANG"});
    if (name.empty()) {
        return ".";
    }
    locale_t locale = newlocale(LC_NUMERIC_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        return ".";
    }
    std::string separator = nl_langinfo_l(RADIXCHAR, locale);
    freelocale(locale);
    return separator.empty() ? std::string(".") : separator;
}

} // namespace Platform
