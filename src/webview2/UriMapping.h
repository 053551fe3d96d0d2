#pragma once

// The engine serves the program's file:/// URLs through its own scheme, because the browser
// engine does not let a program answer file: requests. These rules translate between the two
// forms so that the host only ever sees file:/// URLs.

#include <string>
#include <string_view>

namespace WebView2 {

constexpr std::string_view EngineFileScheme = "vtr-file";

// file:///P → vtr-file:///P (the scheme compared ignoring case); anything else unchanged.
std::string MapToEngineUri(std::string_view Uri);
// vtr-file:P → file:P; anything else unchanged.
std::string MapToHostUri(std::string_view Uri);
bool IsEngineFileUri(std::string_view Uri);
// The URI without its #fragment, which is never part of a request.
std::string_view StripFragment(std::string_view Uri);
// A filter pattern in which `*` matches any text, compared ignoring ASCII case.
bool MatchesUriFilter(std::string_view Pattern, std::string_view Uri);

} // namespace WebView2
