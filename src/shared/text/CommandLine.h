#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Shared {

// Splits a command-line text into items: characters with codes 1 to 32 separate items;
// a pair of double quotes at the start of an item is skipped; inside an item a double quote
// starts a quoted run (quotes dropped, blanks kept) up to the next double quote; backslashes
// are ordinary. Splitting stops at the first empty item.
std::vector<std::string> SplitCommandLine(std::string_view Text);

// Quotes one argument so that SplitCommandLine gives it back unchanged (when it holds no
// double quote itself).
std::string QuoteCommandLineArgument(std::string_view Argument);

} // namespace Shared
