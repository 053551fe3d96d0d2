#pragma once

#include "shared/config/IniDocument.h"

#include <string>
#include <vector>

namespace VtrPack {

// What the runtime will not read as it is written in a given vtr.ini's [App] section, one
// warning per key: a number or yes/no value that does not convert (the runtime silently uses
// the default), a value outside the range the runtime supports, a key the runtime does not
// know, earlier lines of a key given more than once with other values. Each says what the
// runtime reads instead. The decision is the runtime's own reading (ReadInteger, ReadBool).
std::vector<std::string> IniWarnings(const Shared::TIniDocument& Ini);

} // namespace VtrPack
