#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Platform {

// The operating system's file-type associations as (".ext", "type") pairs, in the
// order they are declared; later pairs are meant to win over earlier ones.
std::vector<std::pair<std::string, std::string>> ReadSystemMimeAssociations();

} // namespace Platform
