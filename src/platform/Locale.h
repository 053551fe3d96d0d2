#pragma once

#include <string>

namespace Platform {

// The user's language as an ISO 639 code: the language part of the first of LC_ALL,
// LC_MESSAGES, LANG that is set ("de_CH.UTF-8" gives "de"); "C" and "POSIX" give "en".
// Read afresh at every call.
std::string UserLanguage();

// The decimal separator of the user's number format (LC_ALL, LC_NUMERIC, LANG), "." when
// that locale is unknown or not installed.
std::string UserDecimalSeparator();

} // namespace Platform
