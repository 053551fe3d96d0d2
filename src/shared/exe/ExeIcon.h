#pragma once

#include "shared/exe/PeImage.h"

#include <string>

namespace Shared {

// The icon a Windows executable shows, as an icon file of one image: the group MAINICON, else
// the first icon group; of its images the one nearest to Size pixels, the deeper colours on a
// tie. Empty when the image has no usable icon. Raises EResourceFormatError when the resource
// directory is damaged.
std::string ExtractExeIconFile(const TPeImage& Image, int Size);

} // namespace Shared
