// The functions that only work in a packaged application: without an archive each shows its
// own message, posts no reply and does nothing else.
#include "forms/Application.h"
#include "shared/bridge/BrowserExternalModule.h"

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <set>

using nlohmann::json;
using Shared::TBrowserExternalModule;

namespace {

// The real table, except that a guarded function would answer (hello) instead of touching the
// machine should the guard let it through.
class TGuardedModule : public TBrowserExternalModule {
public:
    TGuardedModule() : FTable(FunctionTable()) {
        for (auto& [id, entry] : FTable) {
            if (entry.RuntimeOnlyMessage != nullptr) {
                entry.Function = &TBrowserExternalModule::Hello;
            }
        }
    }
    const std::map<int, TFunctionEntry>& Functions() const override { return FTable; }

private:
    std::map<int, TFunctionEntry> FTable;
};

} // namespace

TEST(RuntimeOnly, WithoutAnArchiveEachShowsItsMessageAndPostsNoReply) {
    const std::map<int, std::string> guarded = {
        {11001, "Calls to vtr.system.logoff() works only at runtime."},
        {11002, "Calls to vtr.system.reboot() works only at runtime."},
        {11003, "Calls to vtr.system.shutdown() works only at runtime."},
        {12001, "Calls to vtr.mainMenu.setItems() works only at runtime."},
        {12002, "Calls to vtr.mainMenu.updateItem() works only at runtime."},
        {30004, "Calls to vtr.files.extractFile() works only at runtime."},
        {50003, "Calls to vtr.app.enterFullscreen() works only at runtime."},
        {50004, "Calls to vtr.app.exitFullscreen() works only at runtime."},
        {50005, "Calls to vtr.app.getArgs() works only at runtime."},
        {80001, "Calls to vtr.themes.getTheme() works only at runtime."},
        {80002, "Calls to vtr.themes.getThemes() works only at runtime."},
        {80003, "Calls to vtr.themes.setTheme() works only at runtime."},
    };
    TGuardedModule module;
    std::vector<json> replies;
    module.OnPostReply = [&replies](const std::string& reply) { replies.push_back(json::parse(reply)); };
    // Without a display the application's message box writes its caption and text to standard
    // error; that is what the user would read.
    ASSERT_FALSE(Forms::Application().Initialized());
    const std::string caption = Forms::Application().Title();
    for (const auto& [id, message] : guarded) {
        testing::internal::CaptureStderr();
        module.HandleWebMessage("", json{{"id", id}, {"uuid", "u"}, {"data", json::object()}}.dump());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), caption + ": " + message + "\n") << id;
        EXPECT_TRUE(replies.empty()) << id;
        replies.clear();
    }
    // No other function is guarded.
    std::set<int> marked;
    for (const auto& [id, entry] : TBrowserExternalModule::FunctionTable()) {
        if (entry.RuntimeOnlyMessage != nullptr) {
            marked.insert(id);
        }
    }
    std::set<int> expected;
    for (const auto& [id, message] : guarded) {
        expected.insert(id);
    }
    EXPECT_EQ(marked, expected);

    module.HandleWebMessage("", R"({"id": 10002, "uuid": "r", "data": {}})");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], json({{"uuid", "r"}, {"success", true}, {"result", false}}));
}
