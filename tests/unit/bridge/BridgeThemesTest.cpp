// themes.getTheme, getThemes and setTheme through the dispatcher. Every test starts and ends in
// the system style. Without a display the style manager switches all the same (windows take the
// style once a display is open).

#include "BridgeHarness.h"
#include "StyleNames.h"

#include "forms/StyleManager.h"
#include "shared/styles/StyleCatalogue.h"

#include <gtest/gtest.h>

using namespace BridgeHarness;
using nlohmann::json;

namespace {

constexpr int GetTheme = 80001;
constexpr int GetThemes = 80002;
constexpr int SetTheme = 80003;

class ThemesBridge : public ::testing::Test {
protected:
    void SetUp() override {
        Shared::RegisterStyleCatalogue();
        ASSERT_TRUE(Forms::TStyleManager::TrySetStyle("Windows", false));
    }
    void TearDown() override { Forms::TStyleManager::TrySetStyle("Windows", false); }
};

} // namespace

TEST_F(ThemesBridge, GetThemesListsAllFortyNamesInTheLocalesOrder) {
    const json expected = StyleNames::SortedNames();
    TBridge bridge;
    EXPECT_EQ(bridge.Call(GetThemes, json::object()), Ok(expected));
    // The same whatever style is active, and written as an array of texts without spaces.
    ASSERT_EQ(bridge.Call(SetTheme, {{"name", "Windows10 Dark"}}), Ok(true));
    EXPECT_EQ(bridge.Call(GetThemes, json::object()), Ok(expected));
    const std::string& raw = bridge.Replies.back();
    EXPECT_NE(raw.find(R"("result": ["Amakrits","Amethyst Kamri",)"), std::string::npos) << raw;
}

TEST_F(ThemesBridge, SetThemeAnswersWhetherTheActiveStyleIsExactlyTheName) {
    TBridge bridge;
    EXPECT_EQ(bridge.Call(GetTheme, json::object()), Ok("Windows"));
    const struct {
        json Data;
        bool Answer;
        const char* Active;
    } steps[] = {
        {{{"name", "Windows10 Dark"}}, true, "Windows10 Dark"},
        {{{"name", "Windows"}}, true, "Windows"},
        // Found ignoring case and activated, but the active name differs from the argument.
        {{{"name", "windows10 dark"}}, false, "Windows10 Dark"},
        {{{"name", "No Such Style"}}, false, "Windows10 Dark"},
        {{{"name", ""}}, false, "Windows10 Dark"},
        {json::object(), false, "Windows10 Dark"},
        {{{"name", nullptr}}, false, "Windows10 Dark"},
        {{{"name", 10}}, false, "Windows10 Dark"},
        {{{"name", "Carbon"}}, true, "Carbon"},
        {{{"name", "WINDOWS"}}, false, "Windows"},
        {{{"name", "Windows"}}, true, "Windows"},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(bridge.Call(SetTheme, step.Data), Ok(step.Answer)) << step.Data.dump();
        EXPECT_EQ(bridge.Call(GetTheme, json::object()), Ok(step.Active)) << step.Data.dump();
    }
}

TEST_F(ThemesBridge, ANameThatIsNotTextGetsNoReply) {
    TBridge bridge;
    EXPECT_EQ(bridge.Call(SetTheme, {{"name", json::object()}}), std::nullopt);
    EXPECT_EQ(bridge.Call(SetTheme, {{"name", json::array({"Carbon"})}}), std::nullopt);
    EXPECT_EQ(bridge.Call(GetTheme, json::object()), Ok("Windows"));
}

TEST_F(ThemesBridge, OutsideAPackagedApplicationNothingIsAnswered) {
    TBridge browser({}, false);
    EXPECT_EQ(browser.Call(GetTheme, json::object()), std::nullopt);
    EXPECT_EQ(browser.Call(GetThemes, json::object()), std::nullopt);
    EXPECT_EQ(browser.Call(SetTheme, {{"name", "Carbon"}}), std::nullopt);
    TBridge runtime;
    EXPECT_EQ(runtime.Call(GetTheme, json::object()), Ok("Windows")) << "the style was changed anyway";
}
