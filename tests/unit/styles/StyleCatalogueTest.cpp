#include "StyleNames.h"
#include "shared/config/Resources.h"
#include "shared/styles/StyleResource.h"
#include "shared/text/StrUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

using Shared::TResources;
using Shared::TStyleColor;
using Shared::TStyleDefinition;
using Shared::TStyleResource;

namespace {

using StyleNames::Catalogue;
using TEntry = StyleNames::TCatalogueEntry;

const char* const PaletteKeys[] = {"window_bg", "window_fg",       "border",        "accent",
                                   "accent_fg", "menubar_bg",      "menubar_fg",    "menu_bg",
                                   "menu_fg",   "button_bg",       "button_fg",     "entry_bg",
                                   "entry_fg",  "progress_trough", "progress_fill", "disabled_fg"};

TStyleDefinition Load(const char* Resource) {
    const auto data = TResources::Find("VCLSTYLE", Resource);
    EXPECT_TRUE(data) << Resource;
    std::string error;
    auto style = data ? TStyleResource::Read(*data, &error) : std::nullopt;
    EXPECT_TRUE(style) << Resource << ": " << error;
    return style.value_or(TStyleDefinition{});
}

// Relative luminance and contrast ratio as used for text legibility.
double Luminance(TStyleColor c) {
    auto linear = [](std::uint8_t v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.R) + 0.7152 * linear(c.G) + 0.0722 * linear(c.B);
}

double Contrast(TStyleColor a, TStyleColor b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

TEST(StyleCatalogue, HoldsExactlyTheThirtyNineResources) {
    std::vector<std::string> expected;
    for (const TEntry& e : Catalogue) {
        expected.push_back(Shared::TStrUtils::LowerCaseAscii(e.Resource));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(TResources::Names("VCLSTYLE"), expected);
}

TEST(StyleCatalogue, EveryResourceCarriesItsHeaderAndAFullDefinition) {
    for (const TEntry& e : Catalogue) {
        SCOPED_TRACE(e.Resource);
        const auto data = TResources::Find("VCLSTYLE", e.Resource);
        ASSERT_TRUE(data);
        EXPECT_EQ(data->substr(0, 13), "VCL_STYLE 2.0");
        const TStyleDefinition style = Load(e.Resource);
        EXPECT_EQ(style.Header.Name, e.Name);
        EXPECT_EQ(style.Header.Version, "1.0");
        EXPECT_EQ(style.Header.Author, "vtr team");
        EXPECT_EQ(style.Header.Email, "");
        EXPECT_EQ(style.Header.Url.rfind("https://", 0), 0u) << style.Header.Url;
        for (const char* key : PaletteKeys) {
            const auto color = style.Color(key);
            ASSERT_TRUE(color) << key;
            EXPECT_NE(style.Css.find("@define-color vtr_" + std::string(key) + " " + color->ToHex() + ";"),
                      std::string::npos)
                << key;
        }
        for (const char* node : {"menubar", "menu menuitem:hover", "button", "entry", "progressbar progress",
                                 "messagedialog", "tooltip"}) {
            EXPECT_NE(style.Css.find(node), std::string::npos) << node;
        }
    }
}

TEST(StyleCatalogue, EveryStyleKeepsItsTextReadable) {
    const std::pair<const char*, const char*> pairs[] = {
        {"window_fg", "window_bg"}, {"menubar_fg", "menubar_bg"}, {"menu_fg", "menu_bg"},
        {"button_fg", "button_bg"}, {"entry_fg", "entry_bg"},     {"accent_fg", "accent"}};
    for (const TEntry& e : Catalogue) {
        const TStyleDefinition style = Load(e.Resource);
        for (const auto& [fg, bg] : pairs) {
            EXPECT_GE(Contrast(*style.Color(fg), *style.Color(bg)), 4.5)
                << e.Name << ": " << fg << " on " << bg;
        }
    }
}

TEST(StyleCatalogue, NamesMatchTheirLook) {
    // Checked through the window background, the largest area a style paints.
    for (const char* dark :
         {"CARBON", "OBSIDIAN", "TABLETDARK", "WINDOWSDARK", "METROPOLISUIBLACK", "CYANNIGHT"}) {
        EXPECT_LT(Luminance(*Load(dark).Color("window_bg")), 0.05) << dark;
    }
    for (const char* light : {"SKY", "LIGHT", "SILVER", "TABLETLIGHT", "WINDOWS"}) {
        EXPECT_GT(Luminance(*Load(light).Color("window_bg")), 0.7) << light;
    }
    const TStyleColor amethyst = *Load("AMETHYSTKAMRI").Color("accent");
    EXPECT_GT(amethyst.R, amethyst.G); // purple: red and blue over green
    EXPECT_GT(amethyst.B, amethyst.G);
}

TEST(StyleCatalogue, NoTwoStylesLookTheSame) {
    // The colours that fill the most area of a window; switching styles must always show.
    std::set<std::vector<std::string>> looks;
    for (const TEntry& e : Catalogue) {
        const TStyleDefinition style = Load(e.Resource);
        std::vector<std::string> look;
        for (const char* key : {"window_bg", "menubar_bg", "button_bg", "entry_bg", "progress_fill"}) {
            look.push_back(style.Color(key)->ToHex());
        }
        EXPECT_TRUE(looks.insert(look).second) << e.Name;
    }
}
