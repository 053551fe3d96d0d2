#pragma once

#include "forms/Forms.h"
#include "shared/config/IniDocument.h"

namespace Shared {

// The main window's border as the configuration sets it (key WindowBorder of section App,
// numbered in the order of the border styles; others, and no configuration, give sizeable).
// Read each time: leaving fullscreen restores the configured border, not the one before.
Forms::TBorderStyle ConfiguredBorderStyle(const TIniDocument* ProjectINI);

} // namespace Shared
