// The bridge module's functions without a window or browser behind it: replies are captured
// from OnPostReply, paths are absolute (in a temporary folder).
#include "BridgeHarness.h"

#include "forms/FileDialogs.h"
#include "forms/Forms.h"
#include "platform/GuiThread.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/Stream.h"
#include "shared/archive/ZipWriter.h"
#include "shared/bridge/BridgeFiles.h"
#include "shared/bridge/BrowserExternalModule.h"
#include "shared/bridge/ZoomFactor.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;
using Shared::TBrowserExternalModule;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class BridgeModule : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vtr-module-XXXXXX").string();
        FDir = mkdtemp(tmpl.data());
        FModule = std::make_unique<TBrowserExternalModule>();
        FModule->OnPostReply = [this](const std::string& reply) { FReplies.push_back(json::parse(reply)); };
    }
    void TearDown() override {
        FModule.reset();
        fs::remove_all(FDir);
    }

    // Sends one request; returns the replies it produced at once.
    std::vector<json> Call(int id, json data, const std::string& uuid = "u1") {
        FReplies.clear();
        const json request = {{"id", id}, {"uuid", uuid}, {"data", std::move(data)}};
        FModule->HandleWebMessage("", request.dump());
        return FReplies;
    }
    // The result of a call that must be answered exactly once.
    json Result(int id, json data, bool success = true) {
        const auto replies = Call(id, std::move(data));
        EXPECT_EQ(replies.size(), 1u);
        if (replies.size() != 1) {
            return nullptr;
        }
        EXPECT_EQ(replies[0]["success"], success) << replies[0].dump();
        return replies[0]["result"];
    }
    std::string P(const std::string& name) const { return (FDir / name).string(); }

    fs::path FDir;
    std::unique_ptr<TBrowserExternalModule> FModule;
    std::vector<json> FReplies;
};

// An archive with the application's files under "app/", opened as the runtime opens its own.
struct TArchive {
    std::string Bytes;
    Shared::TExeZip Zip;
    Shared::TIniDocument Ini;
    explicit TArchive(bool damage = false) {
        Shared::TMemoryStream target;
        Shared::TZipWriter writer(target, Shared::Archive::Password);
        writer.AddFile("app/data/list.json", "[1,2,3]");
        writer.Finish();
        Bytes = std::string(target.View());
        if (damage) {
            // One byte of the entry's data, behind its local header, name and cipher header.
            const auto at =
                Bytes.find("app/data/list.json") + std::string("app/data/list.json").size() + 12 + 2;
            Bytes[at] = static_cast<char>(Bytes[at] ^ 0x5A);
        }
        Zip.SetPassword(Shared::Archive::Password);
        Zip.Open(Bytes);
        Ini.LoadFromBytes("[App]\r\nDirName=app\r\n");
    }
};

} // namespace

TEST_F(BridgeModule, FileAndFolderQueriesFollowLinksAndTellFilesFromFolders) {
    fs::create_directory(FDir / "folder");
    WriteFile(FDir / "file.txt", "x");
    fs::create_symlink(FDir / "file.txt", FDir / "link.txt");
    fs::create_symlink(FDir / "folder", FDir / "folder-link");
    struct TCase {
        std::string Name;
        bool IsFile;
        bool IsFolder;
    };
    for (const TCase& c :
         {TCase{"file.txt", true, false}, TCase{"link.txt", true, false}, TCase{"folder", false, true},
          TCase{"folder-link", false, true}, TCase{"none", false, false}}) {
        EXPECT_EQ(Result(30001, {{"filePath", P(c.Name)}}), c.IsFile) << c.Name;
        EXPECT_EQ(Result(40001, {{"dirPath", P(c.Name)}}), c.IsFolder) << c.Name;
    }
    EXPECT_EQ(Result(30001, {{"filePath", ""}}, false), "Missing filePath");
    EXPECT_EQ(Result(40001, {{"dirPath", nullptr}}, false), "Missing dirPath");
    // An argument that is an object is a reading error: no reply at all.
    EXPECT_TRUE(Call(30001, {{"filePath", json::object()}}).empty());
}

TEST_F(BridgeModule, DeletingRemovesLinksNotTargetsAndNeverAFolderAsAFile) {
    WriteFile(FDir / "target.txt", "kept");
    fs::create_symlink(FDir / "target.txt", FDir / "link.txt");
    fs::create_directories(FDir / "tree/sub");
    WriteFile(FDir / "tree/sub/x.txt", "x");

    EXPECT_EQ(Result(30002, {{"filePath", P("link.txt")}}), true);
    EXPECT_FALSE(fs::exists(fs::symlink_status(FDir / "link.txt")));
    EXPECT_EQ(ReadFile(FDir / "target.txt"), "kept");
    EXPECT_EQ(Result(30002, {{"filePath", P("tree")}}), false);
    EXPECT_EQ(Result(30002, {{"filePath", P("none")}}), false);

    EXPECT_EQ(Result(40002, {{"dirPath", P("tree")}}), true);
    EXPECT_FALSE(fs::exists(FDir / "tree"));
    EXPECT_EQ(Result(40002, {{"dirPath", P("tree")}}), false);
    EXPECT_EQ(Result(40002, json::object(), false), "Missing dirPath");
}

TEST_F(BridgeModule, ExtractFileJoinsDirNameAndNeverLeavesABrokenTarget) {
    // Without an archive the call is refused before anything happens (a message box, no reply).
    EXPECT_TRUE(Call(30004, {{"sourceFile", "/data/list.json"}, {"targetFile", P("t.json")}}).empty());

    TArchive archive;
    FModule->SetExeZip(&archive.Zip);
    FModule->SetProjectINI(&archive.Ini);
    WriteFile(FDir / "kept.json", "old");
    EXPECT_EQ(Result(30004, {{"sourceFile", "/data/list.json"}, {"targetFile", P("t.json")}}), true);
    EXPECT_EQ(ReadFile(FDir / "t.json"), "[1,2,3]");
    // "app" + "data/list.json" names "appdata/list.json": not there, the target stays.
    EXPECT_EQ(Result(30004, {{"sourceFile", "data/list.json"}, {"targetFile", P("kept.json")}}, false),
              "File not found");
    EXPECT_EQ(ReadFile(FDir / "kept.json"), "old");
    // A target whose folder does not exist is answered, not left pending.
    EXPECT_EQ(Result(30004, {{"sourceFile", "/data/list.json"}, {"targetFile", P("no/such/t.json")}}, false),
              "No such file or directory");
    EXPECT_EQ(Result(30004, {{"targetFile", P("x")}}, false), "Missing sourceFile");
    EXPECT_EQ(Result(30004, {{"sourceFile", "/data/list.json"}, {"targetFile", ""}}, false),
              "Missing targetFile");

    TArchive damaged(true);
    FModule->SetExeZip(&damaged.Zip);
    EXPECT_EQ(Result(30004, {{"sourceFile", "/data/list.json"}, {"targetFile", P("kept.json")}}, false),
              "The file in the archive is damaged");
    EXPECT_EQ(ReadFile(FDir / "kept.json"), "old");
}

TEST_F(BridgeModule, WritesReportTheSystemsTextAndKeepTheOldFile) {
    WriteFile(FDir / "old.txt", "old");
    fs::create_directory(FDir / "folder");
    EXPECT_EQ(Result(30003, {{"filePath", P("folder")}, {"contents", "x"}}, false), "Is a directory");
    EXPECT_EQ(Result(90001, {{"filePath", P("old.txt/x.bin")}, {"contents", "YQ=="}}, false),
              "Not a directory");
    // contents given as an object: caught like any error of the write, the old file stays.
    EXPECT_EQ(Result(30003, {{"filePath", P("old.txt")}, {"contents", json::array()}}, false),
              "Cannot read an object or array as text");
    EXPECT_EQ(ReadFile(FDir / "old.txt"), "old");
    EXPECT_EQ(Result(90001, {{"filePath", P("new/dir/b.bin")}, {"contents", "AP8="}}), true);
    EXPECT_EQ(ReadFile(FDir / "new/dir/b.bin"), std::string("\x00\xff", 2));
}

TEST_F(BridgeModule, ShellCommandAnswersLaterAndLetsOtherCallsThrough) {
    Platform::RecordGuiThread();
    EXPECT_TRUE(Call(70003, {{"command", "sleep 0.3; echo done"}}, "long").empty());
    // Answered at once while the command runs.
    ASSERT_EQ(Call(10001, json::object(), "hello").size(), 1u);
    FReplies.clear();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (FReplies.empty() && std::chrono::steady_clock::now() < deadline) {
        g_main_context_iteration(nullptr, TRUE);
    }
    ASSERT_EQ(FReplies.size(), 1u);
    EXPECT_EQ(FReplies[0]["uuid"], "long");
    EXPECT_EQ(FReplies[0]["result"], "done\n");
    EXPECT_EQ(Result(70003, {{"command", ""}}, false), "Missing command");
}

TEST_F(BridgeModule, ShellCommandOutlivingTheModuleIsDropped) {
    Platform::RecordGuiThread();
    int posted = 0;
    FModule->OnPostReply = [&posted](const std::string&) { ++posted; };
    const json request = {{"id", 70003}, {"uuid", "u"}, {"data", {{"command", "sleep 0.2; echo late"}}}};
    FModule->HandleWebMessage("", request.dump());
    FModule.reset();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < until) {
        g_main_context_iteration(nullptr, FALSE);
        g_usleep(10000);
    }
    EXPECT_EQ(posted, 0);
}

TEST_F(BridgeModule, DialogsWithoutADisplayAnswerTheEmptyText) {
    EXPECT_EQ(Result(20001, {{"title", "T"}, {"fileTypes", "Text|*.txt"}}), "");
    EXPECT_EQ(Result(20002, {{"fileName", "a.txt"}, {"overwritePrompt", true}}), "");
    EXPECT_TRUE(Call(20001, {{"fileTypes", json::object()}}).empty());
}

TEST_F(BridgeModule, WindowFunctionsWithoutAWindowAnswerTheNormalCase) {
    EXPECT_EQ(Result(60001, json::object()), "normal");
    EXPECT_EQ(Result(60003, json::object()), "normal");
    EXPECT_EQ(Result(60004, {{"state", "maximized"}}), true);
    EXPECT_EQ(Result(60007, json::object()), "0");
    EXPECT_EQ(Result(60008, {{"factor", "1,5"}}), false);
    EXPECT_EQ(Result(60008, {{"factor", 2}}), true);
}

namespace {

// A module whose function 1 lets another message in while it runs, as a modal dialog's event
// loop would, and whose function 2 only notes that it ran.
class TNestingModule : public TBrowserExternalModule {
public:
    TNestingModule() {
        FTable[1].Function = static_cast<TBridgeFunction>(&TNestingModule::Outer);
        FTable[2].Function = static_cast<TBridgeFunction>(&TNestingModule::Inner);
    }
    const std::map<int, TFunctionEntry>& Functions() const override { return FTable; }

    void Outer(const std::string&, const json&) {
        Log += CallRunning() ? "outer running;" : "outer idle;";
        HandleWebMessage("", json{{"id", 2}, {"uuid", "u2"}, {"data", json::object()}}.dump());
        Log += "outer returns;";
    }
    void Inner(const std::string&, const json&) { Log += CallRunning() ? "inner running;" : "inner idle;"; }

    std::string Log;

private:
    std::map<int, TFunctionEntry> FTable;
};

} // namespace

TEST(BridgeCalls, WorkThatWouldFreeTheModuleWaitsUntilTheRunningCallsHaveReturned) {
    TNestingModule module;
    module.OnCallsReturned = [&module](Forms::TObject* Sender) {
        EXPECT_EQ(Sender, &module);
        module.Log += module.CallRunning() ? "returned while running;" : "returned;";
    };
    EXPECT_FALSE(module.CallRunning());
    module.HandleWebMessage("", json{{"id", 1}, {"uuid", "u1"}, {"data", json::object()}}.dump());
    // The message that came in meanwhile waits for the running call; the module tells once,
    // when both have returned.
    EXPECT_EQ(module.Log, "outer running;outer returns;inner running;returned;");
    EXPECT_FALSE(module.CallRunning());

    // A malformed message is a call that returns too.
    module.Log.clear();
    module.HandleWebMessage("", "not json");
    EXPECT_EQ(module.Log, "returned;");
}

TEST(FileTypes, SplittingRule) {
    using TList = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Shared::ParseFileTypes("Text files|*.txt;All files|*.*"),
              (TList{{"Text files", "*.txt"}, {"All files", "*.*"}}));
    // A mask with two patterns is cut at ";": the rest lacks its "|" and is dropped.
    EXPECT_EQ(Shared::ParseFileTypes("Images|*.png;*.jpg"), (TList{{"Images", "*.png"}}));
    EXPECT_EQ(Shared::ParseFileTypes("Text files|*.txt|All files|*.*"), TList{});
    EXPECT_EQ(Shared::ParseFileTypes(""), TList{});
    EXPECT_EQ(Shared::ParseFileTypes("|"), (TList{{"", ""}}));
}

TEST(FileTypes, MasksIgnoreLetterCaseAndStarDotStarTakesEverything) {
    struct TCase {
        const char* Mask;
        const char* Name;
        bool Matches;
    };
    for (const TCase& c : {TCase{"*.txt", "notes.TXT", true}, TCase{"*.txt", "notes.txt.bak", false},
                           TCase{"*.*", "README", true}, TCase{"*.*", ".hidden", true},
                           TCase{"*.png; *.JPG", "Photo.jpg", true}, TCase{"*.ÄÖ", "datei.äö", true},
                           TCase{"data?.csv", "data1.CSV", true}, TCase{"", "x", false}}) {
        EXPECT_EQ((Forms::TFileTypeItem{"", c.Mask}.Matches(c.Name)), c.Matches) << c.Mask << " " << c.Name;
    }
}

TEST(ZoomFactor, WrittenInTheUsersFormatReadWithAPoint) {
    EXPECT_EQ(Shared::FormatZoomFactor(1, "."), "1");
    EXPECT_EQ(Shared::FormatZoomFactor(1.5, ","), "1,5");
    EXPECT_EQ(Shared::FormatZoomFactor(1.25, "."), "1.25");
    EXPECT_EQ(Shared::FormatZoomFactor(0, "."), "0");
    EXPECT_EQ(Shared::FormatZoomFactor(1.0 / 3, "."), "0.333333333333333");
    EXPECT_EQ(Shared::FormatZoomFactor(2.0 / 3 + 1, "."), "1.66666666666667");

    struct TCase {
        const char* Text;
        bool Converts;
        double Value;
    };
    for (const TCase& c :
         {TCase{"1.5", true, 1.5}, TCase{" 2 ", true, 2}, TCase{"+.5", true, 0.5}, TCase{"1e1", true, 10},
          TCase{"-1", true, -1}, TCase{"1,5", false, 0}, TCase{"", false, 0}, TCase{"abc", false, 0},
          TCase{"inf", false, 0}, TCase{"nan", false, 0}, TCase{"1e999", false, 0}, TCase{"1.5x", false, 0},
          TCase{"+-1", false, 0}}) {
        double value = 0;
        EXPECT_EQ(Shared::TryParseZoomFactor(c.Text, value), c.Converts) << c.Text;
        if (c.Converts) {
            EXPECT_DOUBLE_EQ(value, c.Value) << c.Text;
        }
    }
}

TEST(WindowBorder, LeavingFullscreenRestoresTheConfiguredBorder) {
    struct TCase {
        const char* WindowBorder; // nullptr: no configuration at all
        Forms::TBorderStyle Border;
    };
    const TCase cases[] = {
        {nullptr, Forms::bsSizeable}, {"", Forms::bsSizeable},       {"0", Forms::bsNone},
        {"1", Forms::bsSingle},       {"2", Forms::bsSizeable},      {"3", Forms::bsDialog},
        {"4", Forms::bsToolWindow},   {"5", Forms::bsSizeToolWin},   {"6", Forms::bsSizeable},
        {"-1", Forms::bsSizeable},    {"single", Forms::bsSizeable},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.WindowBorder != nullptr ? c.WindowBorder : "(none)");
        BridgeHarness::TBridge bridge;
        Forms::TForm form;
        Shared::TIniDocument ini;
        ini.LoadFromBytes(std::string("[App]\nWindowBorder=") + (c.WindowBorder ? c.WindowBorder : ""));
        bridge.Module.SetMainForm(&form);
        bridge.Module.SetProjectINI(c.WindowBorder != nullptr ? &ini : nullptr);
        EXPECT_EQ(bridge.Call(50003, json::object()), std::nullopt);
        EXPECT_EQ(form.BorderStyle(), Forms::bsNone);
        EXPECT_EQ(bridge.Call(50004, json::object()), std::nullopt);
        EXPECT_EQ(form.BorderStyle(), c.Border);
        EXPECT_EQ(form.WindowState(), Forms::wsNormal);
    }
}
