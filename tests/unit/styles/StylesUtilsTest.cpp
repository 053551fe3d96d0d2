#include "shared/styles/StylesUtils.h"
#include "StyleNames.h"
#include "forms/StyleManager.h"
#include "shared/styles/StyleCatalogue.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

using Shared::TStylesUtils;

namespace {

const std::vector<std::string> SortedNames = StyleNames::SortedNames();

// Sets the collation locale for one test and restores the previous one.
class TLocale {
public:
    explicit TLocale(const char* Name) : FPrevious(std::setlocale(LC_ALL, nullptr)) {
        FOk = std::setlocale(LC_ALL, Name) != nullptr;
    }
    ~TLocale() { std::setlocale(LC_ALL, FPrevious.c_str()); }
    bool Ok() const { return FOk; }

private:
    std::string FPrevious;
    bool FOk = false;
};

// The program hands its styles over at start; so does every test here.
class StylesUtilsList : public testing::Test {
protected:
    void SetUp() override { Shared::RegisterStyleCatalogue(); }
};

// Collects what the style manager would show in its error box.
class StylesUtilsTest : public testing::Test {
protected:
    void SetUp() override {
        Shared::RegisterStyleCatalogue();
        Forms::TStyleManager::SetErrorPresenter([this](const std::string& text) { Shown.push_back(text); });
    }
    void TearDown() override { Forms::TStyleManager::SetErrorPresenter(nullptr); }

    std::vector<std::string> Shown;
};

} // namespace

TEST_F(StylesUtilsList, SortedListIsTheSameFortyNamesInEveryLocale) {
    for (const char* locale : {"C", "C.UTF-8", "en_US.UTF-8", "de_DE.UTF-8"}) {
        const TLocale use(locale);
        ASSERT_TRUE(use.Ok()) << locale << " is not installed (scripts/setup.sh generates it)";
        std::vector<std::string> list = {"left over"};
        TStylesUtils::GetAvailables(list, true);
        EXPECT_EQ(list, SortedNames) << locale;
    }
}

TEST_F(StylesUtilsList, UnsortedListStartsWithTheSystemStyle) {
    std::vector<std::string> list = {"left over"};
    TStylesUtils::GetAvailables(list, false);
    ASSERT_EQ(list.size(), 40u);
    EXPECT_EQ(list.front(), "Windows");
    std::sort(list.begin() + 1, list.end());
    std::vector<std::string> expected = SortedNames;
    std::erase(expected, "Windows");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(std::vector<std::string>(list.begin() + 1, list.end()), expected);
}

TEST_F(StylesUtilsTest, StartsInTheSystemStyle) {
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows");
}

TEST_F(StylesUtilsTest, LooksUpNamesWithoutRegardToCase) {
    EXPECT_EQ(Forms::TStyleManager::FindStyleName("WINDOWS10 DARK"), "Windows10 Dark");
    EXPECT_EQ(Forms::TStyleManager::FindStyleName("metropolis ui black"), "Metropolis UI Black");
    EXPECT_EQ(Forms::TStyleManager::FindStyleName("wINDOWS"), "Windows");
    EXPECT_FALSE(Forms::TStyleManager::FindStyleName("Windows10  Dark"));
    EXPECT_FALSE(Forms::TStyleManager::FindStyleName(""));
    EXPECT_FALSE(Forms::TStyleManager::StyleDefinition("Windows")); // the system look has no sheet
    EXPECT_EQ(Forms::TStyleManager::StyleDefinition("carbon")->Header.Name, "Carbon");
}

TEST_F(StylesUtilsTest, UnknownOrEmptyNamesChangeNothing) {
    TStylesUtils::TrySetStyle("No Such Style", false);
    TStylesUtils::TrySetStyle("", false);
    EXPECT_TRUE(Shown.empty());
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows");

    TStylesUtils::TrySetStyle("No Such Style", true);
    TStylesUtils::TrySetStyle("", true);
    EXPECT_EQ(Shown, (std::vector<std::string>{"Style 'No Such Style' not found", "Style '' not found"}));
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows");
}

TEST_F(StylesUtilsTest, ActivatesByAnyCaseAndKeepsTheStylesOwnName) {
    // No display is open here: the style is taken now and drawn once GTK opens one.
    TStylesUtils::TrySetStyle("windows10 dark", true);
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows10 Dark");
    TStylesUtils::TrySetStyle("Windows", true);
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows");
    EXPECT_TRUE(Shown.empty());
}

TEST_F(StylesUtilsTest, PreviewOfTheSystemStyleIsRefused) {
    Forms::TRasterImage image;
    image.Width = 10;
    image.Height = 10;
    for (const char* name : {"Windows", "windows"}) {
        try {
            TStylesUtils::DrawThemePreview(name, image);
            ADD_FAILURE() << name << " drew a preview";
        } catch (const Forms::EStyleError& e) {
            EXPECT_STREQ(e.what(), "Not available \"Windows\" preview.");
        }
    }
    try {
        TStylesUtils::DrawThemePreview("Nope", image);
        ADD_FAILURE() << "an unknown style drew a preview";
    } catch (const Forms::EStyleError& e) {
        EXPECT_STREQ(e.what(), "Style 'Nope' not found");
    }
}
