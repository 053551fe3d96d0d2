// mainMenu.setItems and mainMenu.updateItem through the dispatcher, as a page calls them: the
// replies, and the menu tree and icons they leave behind. No display is needed: menus are built
// before they are shown.

#include "BridgeHarness.h"

#include "forms/Forms.h"
#include "forms/ImageList.h"
#include "forms/Menus.h"
#include "shared/bridge/BrowserExternalForm.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace BridgeHarness;
using nlohmann::json;

namespace {

constexpr int SetItems = 12001;
constexpr int UpdateItem = 12002;

std::string ReadFixture(const std::string& Name) {
    std::ifstream in(std::string(VTR_ICON_FIXTURES) + "/" + Name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::filesystem::path ExecutableDir() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

// A file that exists for the test's duration.
class TTempFile {
public:
    TTempFile(std::filesystem::path APath, const std::string& Bytes) : Path(std::move(APath)) {
        std::filesystem::create_directories(Path.parent_path());
        std::ofstream(Path, std::ios::binary) << Bytes;
    }
    ~TTempFile() {
        std::error_code ec;
        std::filesystem::remove(Path, ec);
        std::filesystem::remove(Path.parent_path(), ec); // when it is empty
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    std::filesystem::path Path;
};

// One line per item: caption, #id, and what else it has; children indented below it.
void Describe(Forms::TMenuItem& Item, int Depth, std::string& Out) {
    for (int i = 0; i < Item.Count(); ++i) {
        Forms::TMenuItem& child = *Item.Items(i);
        Out += std::string(static_cast<std::size_t>(Depth) * 2, ' ') + child.Caption() + " #" +
               std::to_string(child.Tag());
        if (!child.Enabled()) {
            Out += " disabled";
        }
        if (!child.ImageName().empty() || child.ImageIndex() >= 0) {
            Out += " " + child.ImageName() + "@" + std::to_string(child.ImageIndex());
        }
        if (child.OnClick) {
            Out += " command";
        }
        Out += "\n";
        Describe(child, Depth + 1, Out);
    }
}

class MainMenuBridge : public ::testing::Test {
protected:
    MainMenuBridge()
        : Bridge({{"app/icons/red.png", ReadFixture("red.png")},
                  {"app/icons/green.jpg", ReadFixture("green.jpg")},
                  {"app/icons/broken.png", ReadFixture("broken.png")},
                  {"app/icons/empty.png", ""},
                  {"menu-test-icons/broken.png", ReadFixture("broken.png")}}) {
        Bridge.Module.SetMainForm(&MainForm);
    }

    std::optional<TReply> Set(const json& Items) {
        return Bridge.Call(SetItems, {{"items", Items.is_string() ? Items : json(Items.dump())}});
    }
    std::optional<TReply> Update(const json& Data) { return Bridge.Call(UpdateItem, Data); }

    Forms::TMainMenu& Menu() { return *Bridge.Module.BrowserExternalForm()->MainMenu(); }
    Forms::TImageCollection& Images() {
        return *Bridge.Module.BrowserExternalForm()->MainMenuImageCollection();
    }
    std::string Tree() {
        std::string out;
        Describe(Menu().Items(), 0, out);
        return out;
    }
    std::vector<std::string> ImageNames() {
        std::vector<std::string> names;
        for (int i = 0; i < Images().Count(); ++i) {
            names.push_back(Images().Name(i));
        }
        return names;
    }

    Forms::TForm MainForm;
    TBridge Bridge;
};

const json ExampleMenu = json::array(
    {{{"caption", "&File"}, {"id", 1}, {"items", json::array({{{"caption", "&Quit"}, {"id", 2}}})}}});

} // namespace

TEST_F(MainMenuBridge, TheExampleMenuBuildsAFileMenuWithAQuitCommand) {
    EXPECT_EQ(MainForm.Menu(), nullptr) << "no menu bar before the first setItems";
    EXPECT_EQ(Set(ExampleMenu), Ok(true));
    EXPECT_EQ(MainForm.Menu(), &Menu());
    EXPECT_EQ(Tree(), "&File #1\n"
                      "  &Quit #2 command\n");
    EXPECT_EQ(Menu().Items().Items(0)->AccessKey(), 'F');

    // A second call replaces the whole tree.
    EXPECT_EQ(Set(json::array({{{"caption", "-"}, {"id", 0}},
                               {{"caption", "Help"}, {"id", 9}, {"items", json::array()}}})),
              Ok(true));
    EXPECT_EQ(Tree(), "- #0 command\n"
                      "Help #9\n");
}

TEST_F(MainMenuBridge, WrongDescriptionsFailAndLeaveAnEmptyAttachedMenu) {
    json deep = json::array({{{"caption", "Wrong"}}});
    for (int level = 0; level < 2; ++level) {
        deep = json::array({{{"caption", "L" + std::to_string(level)}, {"id", level}, {"items", deep}}});
    }
    const struct {
        const char* Name;
        json Items;
        TReply Expected;
    } cases[] = {
        {"not JSON", "[{\"caption\": ", Failed("Wrong menu items JSON")},
        {"an object", R"({"caption": "File", "id": 1})", Failed("Wrong menu items JSON")},
        {"a JSON string", R"("[]")", Failed("Wrong menu items JSON")},
        {"second item without caption", json::array({{{"caption", "A"}, {"id", 1}}, {{"id", 2}}}),
         Failed("Wrong menu item JSON")},
        {"item without id", json::array({{{"caption", "A"}}}), Failed("Wrong menu item JSON")},
        {"caption is an object", json::array({{{"caption", json::object()}, {"id", 1}}}),
         Failed("Wrong menu item JSON")},
        {"wrong item three levels deep", deep, Failed("Wrong menu item JSON")},
        {"items is null", json::array({{{"caption", "A"}, {"id", 1}, {"items", nullptr}}}),
         Failed("Wrong menu item JSON")},
        {"items is a text", json::array({{{"caption", "A"}, {"id", 1}, {"items", "[]"}}}),
         Failed("Wrong menu item JSON")},
        {"an empty array", "[]", Ok(true)},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Set(ExampleMenu), Ok(true));
        EXPECT_EQ(Set(c.Items), c.Expected) << c.Name;
        EXPECT_EQ(Tree(), "") << c.Name;
        EXPECT_EQ(MainForm.Menu(), &Menu()) << c.Name;
    }
}

TEST_F(MainMenuBridge, AMissingDescriptionChangesNothing) {
    ASSERT_EQ(Set(ExampleMenu), Ok(true));
    EXPECT_EQ(Bridge.Call(SetItems, json::object()), Failed("Missing menu items"));
    EXPECT_EQ(Bridge.Call(SetItems, {{"items", ""}}), Failed("Missing menu items"));
    EXPECT_EQ(Bridge.Call(SetItems, {{"items", nullptr}}), Failed("Missing menu items"));
    EXPECT_EQ(Tree(), "&File #1\n  &Quit #2 command\n");

    // Before any menu, the window gets none either.
    TBridge fresh;
    Forms::TForm form;
    fresh.Module.SetMainForm(&form);
    EXPECT_EQ(fresh.Call(SetItems, {{"items", ""}}), Failed("Missing menu items"));
    EXPECT_EQ(form.Menu(), nullptr);
}

TEST_F(MainMenuBridge, ArgumentErrorsGetNoReplyAndKeepTheItemsBuiltSoFar) {
    const struct {
        const char* Name;
        json Data;
        const char* Tree;
    } cases[] = {
        {"items given as an array", {{"items", ExampleMenu}}, "&File #1\n  &Quit #2 command\n"},
        {"enabled neither a number nor a Boolean",
         {{"items",
           json::array({{{"caption", "A"}, {"id", 1}}, {{"caption", "B"}, {"id", 2}, {"enabled", "maybe"}}})
               .dump()}},
         "A #1 command\nB #2\n"},
        {"an element that is not an object",
         {{"items",
           json::array(
               {{{"caption", "A"}, {"id", 1}, {"items", json::array({{{"caption", "C"}, {"id", 3}}, 5})}}})
               .dump()}},
         "A #1\n  C #3 command\n"},
        {"an icon that is not an image",
         {{"items", json::array({{{"caption", "A"}, {"id", 1}},
                                 {{"caption", "B"}, {"id", 2}, {"image", "app/icons/broken.png"}}})
                        .dump()}},
         "A #1 command\nB #2\n"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Set(ExampleMenu), Ok(true));
        EXPECT_EQ(Bridge.Call(SetItems, c.Data), std::nullopt) << c.Name;
        EXPECT_EQ(Tree(), c.Tree) << c.Name;
    }
    // The bridge goes on answering.
    EXPECT_EQ(Set("[]"), Ok(true));
}

TEST_F(MainMenuBridge, MemberValuesAreReadInTheirJsonTextForm) {
    ASSERT_EQ(Set(json::array({
                  {{"caption", "abc id"}, {"id", "abc"}},
                  {{"caption", "text id"}, {"id", "42"}},
                  {{"caption", "fraction id"}, {"id", 1.5}},
                  {{"caption", "negative id"}, {"id", -7}},
                  {{"caption", "too large id"}, {"id", 4294967296}},
                  {{"caption", nullptr}, {"id", nullptr}},
                  {{"caption", 12}, {"id", true}},
                  {{"caption", false}, {"id", 3}, {"unknown", {1, 2}}},
              })),
              Ok(true));
    EXPECT_EQ(Tree(), "abc id #0 command\n"
                      "text id #42 command\n"
                      "fraction id #0 command\n"
                      "negative id #-7 command\n"
                      "too large id #0 command\n"
                      "null #0 command\n"
                      "12 #0 command\n"
                      "false #3 command\n");
}

TEST_F(MainMenuBridge, EnabledTakesBooleansInAnyCaseAndNumbers) {
    const std::pair<json, bool> cases[] = {
        {true, true},
        {false, false},
        {"TRUE", true},
        {"False", false},
        {0, false},
        {1, true},
        {-3, true},
        {"0", false},
        {"2", true},
        {0.0, false},
        {"1.5", true},
        {"-0.0", false},
        {"1e3", true},
        {nullptr, false},
        {json::array(), true},
        {json::object(), true},
    };
    for (const auto& [value, enabled] : cases) {
        const auto reply = Set(json::array({{{"caption", "A"}, {"id", 1}, {"enabled", value}}}));
        if (value.is_null()) {
            // null reads as the text "null", which is not a Boolean: an argument error.
            EXPECT_EQ(reply, std::nullopt);
            continue;
        }
        ASSERT_EQ(reply, Ok(true)) << value.dump();
        EXPECT_EQ(Menu().Items().Items(0)->Enabled(), enabled) << value.dump();
    }
    for (const char* bad : {"yes", "", " 1", "0x1", "nan", "inf", "1e999"}) {
        EXPECT_EQ(Set(json::array({{{"caption", "A"}, {"id", 1}, {"enabled", bad}}})), std::nullopt) << bad;
    }
}

TEST_F(MainMenuBridge, SubmenusNestUpToALimit) {
    const auto nested = [](int levels) {
        json items = json::array({{{"caption", "leaf"}, {"id", levels}}});
        for (int level = levels - 1; level > 0; --level) {
            items = json::array({{{"caption", "level"}, {"id", level}, {"items", items}}});
        }
        return items;
    };
    EXPECT_EQ(Set(nested(64)), Ok(true));
    EXPECT_EQ(Bridge.Module.FindMenuItemById(&Menu().Items(), 64)->Caption(), "leaf");
    EXPECT_EQ(Set(nested(65)), Failed("Wrong menu item JSON"));
    // Far deeper than any menu: refused, not a crash.
    std::string deep;
    for (int i = 0; i < 20000; ++i) {
        deep += R"([{"caption":"x","id":1,"items":)";
    }
    deep += "[]";
    for (int i = 0; i < 20000; ++i) {
        deep += "}]";
    }
    EXPECT_EQ(Set(json(deep)), Failed("Wrong menu item JSON"));
    EXPECT_EQ(Tree(), "");
}

TEST_F(MainMenuBridge, IconsComeFromTheArchiveTheExecutablesFolderOrAnyPath) {
    const TTempFile beside(ExecutableDir() / "menu-test-icons" / "blue.bmp", ReadFixture("blue.bmp"));
    const TTempFile anywhere(std::filesystem::temp_directory_path() /
                                 ("vtr-menu-" + std::to_string(getpid())) / "yellow.gif",
                             ReadFixture("yellow.gif"));
    const TTempFile ico(anywhere.Path.parent_path() / "magenta.ico", ReadFixture("magenta.ico"));
    ASSERT_EQ(Set(json::array({
                  {{"caption", "png from the archive"}, {"id", 1}, {"image", "app/icons/red.png"}},
                  {{"caption", "any letter case"}, {"id", 2}, {"image", "APP/Icons/GREEN.JPG"}},
                  {{"caption", "missing"}, {"id", 3}, {"image", "app/icons/none.png"}},
                  {{"caption", "empty entry"}, {"id", 4}, {"image", "app/icons/empty.png"}},
                  {{"caption", "beside the executable"}, {"id", 5}, {"image", "menu-test-icons/blue.bmp"}},
                  {{"caption", "any path"}, {"id", 6}, {"image", anywhere.Path.string()}},
                  {{"caption", "an icon file"}, {"id", 7}, {"image", ico.Path.string()}},
                  {{"caption", "a folder"}, {"id", 8}, {"image", ico.Path.parent_path().string()}},
              })),
              Ok(true));
    EXPECT_EQ(Tree(), "png from the archive #1 MainMenuImg0@0 command\n"
                      "any letter case #2 MainMenuImg1@1 command\n"
                      "missing #3 command\n"
                      "empty entry #4 command\n"
                      "beside the executable #5 MainMenuImg2@2 command\n"
                      "any path #6 MainMenuImg3@3 command\n"
                      "an icon file #7 MainMenuImg4@4 command\n"
                      "a folder #8 command\n");
    EXPECT_EQ(Bridge.Module.BrowserExternalForm()->MainMenuVirtualImageList()->Count(), 5);
}

TEST_F(MainMenuBridge, IconsThatAreNoRegularFileOrTooLargeAreRefused) {
    const auto dir = std::filesystem::temp_directory_path() / ("vtr-menu-odd-" + std::to_string(getpid()));
    const TTempFile large(dir / "large.png", ReadFixture("red.png"));
    // One byte over the bound, its bytes beyond the image's own zeros: refused before it is decoded.
    std::filesystem::resize_file(large.Path, 16 * 1024 * 1024 + 1);
    const std::filesystem::path pipe = dir / "pipe.png";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // A pipe is never opened (that would wait for a writer): the item has no icon.
    EXPECT_EQ(Set(json::array({{{"caption", "pipe"}, {"id", 1}, {"image", pipe.string()}}})), Ok(true));
    std::filesystem::remove(pipe);
    EXPECT_EQ(Tree(), "pipe #1 command\n");
    EXPECT_EQ(Set(json::array({{{"caption", "large"}, {"id", 1}, {"image", large.Path.string()}}})),
              std::nullopt);
    EXPECT_EQ(Bridge.Module.BrowserExternalForm()->MainMenuImageCollection()->Count(), 0);
}

TEST_F(MainMenuBridge, TheFirstSourceThatHasTheIconWins) {
    // The archive's entry is not an image, the file of that name beside the executable is: the
    // archive wins, so the call fails as an argument error.
    const TTempFile beside(ExecutableDir() / "menu-test-icons/broken.png", ReadFixture("red.png"));
    EXPECT_EQ(Set(json::array({{{"caption", "A"}, {"id", 1}, {"image", "menu-test-icons/broken.png"}}})),
              std::nullopt);

    // A name beside the executable comes before the same name in the current folder.
    const auto cwd = std::filesystem::current_path();
    const auto dir = std::filesystem::temp_directory_path() / ("vtr-menu-cwd-" + std::to_string(getpid()));
    const TTempFile here(dir / "menu-test-first.png", ReadFixture("broken.png"));
    const TTempFile exeDir(ExecutableDir() / "menu-test-first.png", ReadFixture("red.png"));
    std::filesystem::current_path(dir);
    const auto reply = Set(json::array({{{"caption", "A"}, {"id", 1}, {"image", "menu-test-first.png"}}}));
    std::filesystem::current_path(cwd);
    EXPECT_EQ(reply, Ok(true));
    EXPECT_EQ(ImageNames(), std::vector<std::string>{"MainMenuImg0"});
}

TEST_F(MainMenuBridge, IconNamesCountAcrossSetItemsAndUpdateItem) {
    const auto threeIcons = json::array({
        {{"caption", "A"}, {"id", 1}, {"image", "app/icons/red.png"}},
        {{"caption", "B"},
         {"id", 2},
         {"items", json::array({{{"caption", "C"}, {"id", 3}, {"image", "app/icons/green.jpg"}},
                                {{"caption", "no icon"}, {"id", 4}}})}},
        {{"caption", "D"}, {"id", 5}, {"image", "app/icons/red.png"}, {"enabled", false}},
    });
    ASSERT_EQ(Set(threeIcons), Ok(true));
    EXPECT_EQ(ImageNames(), (std::vector<std::string>{"MainMenuImg0", "MainMenuImg1", "MainMenuImg2"}));
    EXPECT_EQ(Tree(), "A #1 MainMenuImg0@0 command\n"
                      "B #2\n"
                      "  C #3 MainMenuImg1@1 command\n"
                      "  no icon #4 command\n"
                      "D #5 disabled MainMenuImg2@2 command\n");

    // updateItem appends; the earlier image stays in the collection.
    EXPECT_EQ(Update({{"id", 3}, {"image", "app/icons/red.png"}}), Ok(true));
    EXPECT_EQ(Update({{"id", 4}, {"image", "app/icons/green.jpg"}}), Ok(true));
    EXPECT_EQ(Update({{"id", 4}, {"image", "app/icons/none.png"}}), Ok(true));
    EXPECT_EQ(ImageNames(), (std::vector<std::string>{"MainMenuImg0", "MainMenuImg1", "MainMenuImg2",
                                                      "MainMenuImg3", "MainMenuImg4"}));
    EXPECT_EQ(Tree(), "A #1 MainMenuImg0@0 command\n"
                      "B #2\n"
                      "  C #3 MainMenuImg3@3 command\n"
                      "  no icon #4 MainMenuImg4@4 command\n"
                      "D #5 disabled MainMenuImg2@2 command\n");

    // The next setItems starts again from MainMenuImg0.
    ASSERT_EQ(Set(json::array({{{"caption", "E"}, {"id", 6}, {"image", "app/icons/green.jpg"}}})), Ok(true));
    EXPECT_EQ(ImageNames(), std::vector<std::string>{"MainMenuImg0"});
}

TEST_F(MainMenuBridge, UpdateItemAnswers) {
    EXPECT_EQ(Update({{"id", 1}, {"caption", "X"}}), Failed("No menu items"));
    ASSERT_EQ(Set(ExampleMenu), Ok(true));
    const std::pair<json, TReply> cases[] = {
        {json::object(), Failed("Missing item ID")},
        {{{"id", ""}}, Failed("Missing item ID")},
        {{{"id", nullptr}}, Failed("Missing item ID")},
        {{{"id", "x"}}, Failed("Wrong item ID")},
        {{{"id", -1}}, Failed("Wrong item ID")},
        {{{"id", "-1"}}, Failed("Wrong item ID")},
        {{{"id", 1.5}}, Failed("Wrong item ID")},
        {{{"id", 7}, {"caption", "Nothing"}}, Ok(true)},
        {{{"id", 7}, {"caption", json::object()}}, Ok(true)}, // no item: the arguments are not read
    };
    for (const auto& [data, expected] : cases) {
        EXPECT_EQ(Update(data), expected) << data.dump();
    }
    EXPECT_EQ(Tree(), "&File #1\n  &Quit #2 command\n");
    ASSERT_EQ(Set("[]"), Ok(true));
    EXPECT_EQ(Update({{"id", 1}}), Failed("No menu items"));
}

TEST_F(MainMenuBridge, UpdateItemChangesTheFirstItemWithTheIdInMenuOrder) {
    ASSERT_EQ(Set(json::array({
                  {{"caption", "A"},
                   {"id", 1},
                   {"items", json::array({{{"caption", "B"},
                                           {"id", 2},
                                           {"items", json::array({{{"caption", "deep"}, {"id", 5}}})}}})}},
                  {{"caption", "later"}, {"id", 5}},
                  {{"caption", "zero"}, {"id", "abc"}},
              })),
              Ok(true));
    EXPECT_EQ(Update({{"id", "5"}, {"caption", "first"}, {"enabled", "0"}}), Ok(true));
    EXPECT_EQ(Update({{"id", 0}, {"caption", "&Zero"}}), Ok(true));
    // An empty caption or enabled leaves them as they are.
    EXPECT_EQ(Update({{"id", 2}, {"caption", ""}, {"enabled", ""}, {"image", ""}}), Ok(true));
    EXPECT_EQ(Tree(), "A #1\n"
                      "  B #2\n"
                      "    first #5 disabled command\n"
                      "later #5 command\n"
                      "&Zero #0 command\n");
    EXPECT_EQ(Update({{"id", 5}, {"enabled", true}}), Ok(true));
    EXPECT_TRUE(Bridge.Module.FindMenuItemById(&Menu().Items(), 5)->Enabled());
    // A caption "-" turns the item into a separator line, and back.
    EXPECT_EQ(Update({{"id", 1}, {"caption", "-"}}), Ok(true));
    EXPECT_EQ(Menu().Items().Items(0)->Caption(), "-");

    // Argument errors on an item that exists: no reply.
    EXPECT_EQ(Update({{"id", 2}, {"enabled", "perhaps"}}), std::nullopt);
    EXPECT_EQ(Update({{"id", 2}, {"caption", json::array()}}), std::nullopt);
    EXPECT_EQ(Update({{"id", 2}, {"image", "app/icons/broken.png"}}), std::nullopt);
    EXPECT_EQ(Update({{"id", json::object()}}), std::nullopt);
}

TEST_F(MainMenuBridge, OutsideAPackagedApplicationNothingIsAnswered) {
    TBridge browser({}, false);
    Forms::TForm form;
    browser.Module.SetMainForm(&form);
    EXPECT_EQ(browser.Call(SetItems, {{"items", ExampleMenu.dump()}}), std::nullopt);
    EXPECT_EQ(browser.Call(UpdateItem, {{"id", 1}}), std::nullopt);
    EXPECT_EQ(form.Menu(), nullptr);
    EXPECT_EQ(browser.Module.BrowserExternalForm()->MainMenu()->Items().Count(), 0);
}

TEST_F(MainMenuBridge, AMenuThatGoesLeavesItsWindow) {
    ASSERT_EQ(Set(ExampleMenu), Ok(true));
    ASSERT_EQ(MainForm.Menu(), &Menu());
    {
        TBridge other({{"app/icons/red.png", ReadFixture("red.png")}});
        other.Module.SetMainForm(&MainForm);
        ASSERT_EQ(other.Call(SetItems, {{"items", "[]"}}), Ok(true));
        EXPECT_EQ(MainForm.Menu(), other.Module.BrowserExternalForm()->MainMenu());
        EXPECT_EQ(Menu().Form(), nullptr);
    }
    EXPECT_EQ(MainForm.Menu(), nullptr);
}
