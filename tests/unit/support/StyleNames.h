#pragma once

// The names of the styles an application may choose: the style catalogue's and the system
// style "Windows", in the order themes.getThemes lists them.

#include <string>
#include <vector>

namespace StyleNames {

inline const std::vector<std::string> Sorted = {
    "Amakrits",
    "Amethyst Kamri",
    "Aqua Graphite",
    "Aqua Light Slate",
    "Auric",
    "Carbon",
    "Charcoal Dark Slate",
    "Cobalt XEMedia",
    "Cyan Dusk",
    "Cyan Night",
    "Emerald Light Slate",
    "Glossy",
    "Glow",
    "Golden Graphite",
    "Iceberg Classico",
    "Lavender Classico",
    "Light",
    "Luna",
    "Metropolis UI Black",
    "Metropolis UI Blue",
    "Metropolis UI Dark",
    "Metropolis UI Green",
    "Obsidian",
    "Onyx Blue",
    "Ruby Graphite",
    "Sapphire Kamri",
    "Silver",
    "Sky",
    "Slate Classico",
    "Smokey Quartz Kamri",
    "Tablet Dark",
    "Tablet Light",
    "Turquoise Gray",
    "Windows",
    "Windows10",
    "Windows10 Blue",
    "Windows10 Dark",
    "Windows10 Green",
    "Windows10 Purple",
    "Windows10 SlateGray",
};

} // namespace StyleNames
