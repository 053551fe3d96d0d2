#pragma once

// The styles an application may choose: the catalogue's resources with the names they carry, and
// with the system style "Windows" all forty names in the order themes.getThemes lists them.

#include <string>
#include <vector>

namespace StyleNames {

struct TEntry {
    const char* Resource;
    const char* Name;
};

// In the order of their names.
inline const TEntry Catalogue[] = {
    {"AMAKRITS", "Amakrits"},
    {"AMETHYSTKAMRI", "Amethyst Kamri"},
    {"AQUAGRAPHITE", "Aqua Graphite"},
    {"AQUALIGHTSLATE", "Aqua Light Slate"},
    {"AURIC", "Auric"},
    {"CARBON", "Carbon"},
    {"CHARCOALDARKSLATE", "Charcoal Dark Slate"},
    {"COBALTXEMEDIA", "Cobalt XEMedia"},
    {"CYANDUSK", "Cyan Dusk"},
    {"CYANNIGHT", "Cyan Night"},
    {"EMERALDLIGHTSLATE", "Emerald Light Slate"},
    {"GLOSSY", "Glossy"},
    {"GLOW", "Glow"},
    {"GOLDENGRAPHITE", "Golden Graphite"},
    {"ICEBERGCLASSICO", "Iceberg Classico"},
    {"LAVENDERCLASSICO", "Lavender Classico"},
    {"LIGHT", "Light"},
    {"LUNA", "Luna"},
    {"METROPOLISUIBLACK", "Metropolis UI Black"},
    {"METROPOLISUIBLUE", "Metropolis UI Blue"},
    {"METROPOLISUIDARK", "Metropolis UI Dark"},
    {"METROPOLISUIGREEN", "Metropolis UI Green"},
    {"OBSIDIAN", "Obsidian"},
    {"ONYXBLUE", "Onyx Blue"},
    {"RUBYGRAPHITE", "Ruby Graphite"},
    {"SAPPHIREKAMRI", "Sapphire Kamri"},
    {"SILVER", "Silver"},
    {"SKY", "Sky"},
    {"SLATECLASSICO", "Slate Classico"},
    {"SMOKEYQUARTZKAMRI", "Smokey Quartz Kamri"},
    {"TABLETDARK", "Tablet Dark"},
    {"TABLETLIGHT", "Tablet Light"},
    {"TURQUOISEGRAY", "Turquoise Gray"},
    {"WINDOWS", "Windows10"},
    {"WINDOWSBLUE", "Windows10 Blue"},
    {"WINDOWSDARK", "Windows10 Dark"},
    {"WINDOWSGREEN", "Windows10 Green"},
    {"WINDOWSPURPLE", "Windows10 Purple"},
    {"WINDOWSSLATEGRAY", "Windows10 SlateGray"},
};

// The catalogue's names with "Windows" just before "Windows10", where every locale sorts it.
inline const std::vector<std::string> Sorted = [] {
    std::vector<std::string> names;
    for (const TEntry& e : Catalogue) {
        if (std::string(e.Name) == "Windows10") {
            names.emplace_back("Windows");
        }
        names.emplace_back(e.Name);
    }
    return names;
}();

} // namespace StyleNames
