#pragma once

#include "base/Wildcard.h"

namespace Shared {

// Matches a file name against a mask with "*" and "?", ignoring ASCII case; "*.*" and "*"
// match every name, with or without an extension.
using Base::MatchesFileMask;

} // namespace Shared
