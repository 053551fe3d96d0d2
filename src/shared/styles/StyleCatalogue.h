#pragma once

namespace Shared {

// Hands the style resources compiled into the program (type "VCLSTYLE") to the style manager as
// its catalogue, each known by the name inside its data. Cheap: the resources are read only when
// styles are first listed or looked up, and then only as far as their names; a damaged resource
// is simply not part of the catalogue. Call at start, on the GUI thread; later calls change nothing.
void RegisterStyleCatalogue();

} // namespace Shared
