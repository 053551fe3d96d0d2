#pragma once

// The styles compiled into the program, written out once for every test that lists them.

#include <algorithm>
#include <string>
#include <vector>

namespace StyleNames {

struct TCatalogueEntry {
    const char* Resource; // the resource name in the program
    const char* Name;     // the name inside its data
};

// By name, in the order every locale sorts them.
inline constexpr TCatalogueEntry Catalogue[] = {
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

// The system style's name.
inline constexpr const char* SystemStyle = "Windows";

// All forty names as sorted lists show them: the system style among the catalogue's, just
// before "Windows10".
inline std::vector<std::string> SortedNames() {
    std::vector<std::string> names;
    for (const TCatalogueEntry& e : Catalogue) {
        names.emplace_back(e.Name);
    }
    names.insert(std::find(names.begin(), names.end(), "Windows10"), SystemStyle);
    return names;
}

} // namespace StyleNames
