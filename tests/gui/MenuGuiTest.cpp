// The main menu on a real window: a main form with the browser form (over the test engine, which
// records the scripts the host runs), the bridge module wired as the runtime wires it, menus
// built through mainMenu.setItems and used with the mouse and the keyboard through xdotool, and
// the looks read back from screenshots of the display.

#include "support/GuiTest.h"

#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "forms/StyleManager.h"
#include "forms/gtk/FormImpl.h"
#include "forms/gtk/MenusImpl.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ZipWriter.h"
#include "shared/bridge/BrowserExternalForm.h"
#include "shared/bridge/BrowserExternalModule.h"
#include "shared/host/BrowserForm.h"
#include "shared/host/EdgeEx.h"
#include "shared/styles/StyleCatalogue.h"
#include "webview2/Loader.h"
#include "webview2/testengine/TestEngineControl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

// Last: the X11 headers define macros that clash with other headers.
#include <gdk/gdkx.h>

using namespace GuiTest;
using nlohmann::json;

namespace {

std::string ReadFixture(const std::string& Name) {
    std::ifstream in(std::string(VTR_ICON_FIXTURES) + "/" + Name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

int Shell(const std::string& Command) {
    return std::system(Command.c_str());
}

// Where Widget's point (X, Y) is on the screen.
std::pair<int, int> ScreenPoint(GtkWidget* Widget, int X, int Y) {
    GtkWidget* top = gtk_widget_get_toplevel(Widget);
    int x = 0;
    int y = 0;
    gtk_widget_translate_coordinates(Widget, top, X, Y, &x, &y);
    int ox = 0;
    int oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
    return {ox + x, oy + y};
}

std::pair<int, int> Centre(GtkWidget* Widget) {
    return ScreenPoint(Widget, gtk_widget_get_allocated_width(Widget) / 2,
                       gtk_widget_get_allocated_height(Widget) / 2);
}

void Click(std::pair<int, int> Point) {
    ASSERT_EQ(Shell("xdotool mousemove --sync " + std::to_string(Point.first) + " " +
                    std::to_string(Point.second) + " click 1"),
              0);
}

// A screenshot of the whole display, as a person's tool takes it.
class TScreenshot {
public:
    explicit TScreenshot(const std::string& Name) {
        gdk_display_sync(gdk_display_get_default());
        std::filesystem::create_directories(VTR_SCREENSHOT_DIR);
        const std::string path = std::string(VTR_SCREENSHOT_DIR) + "/" + Name + ".png";
        EXPECT_EQ(Shell("import -window root " + path), 0);
        FPixbuf = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
        EXPECT_NE(FPixbuf, nullptr) << path;
    }
    ~TScreenshot() {
        if (FPixbuf != nullptr) {
            g_object_unref(FPixbuf);
        }
    }
    TScreenshot(const TScreenshot&) = delete;
    TScreenshot& operator=(const TScreenshot&) = delete;

    TStyleColor At(std::pair<int, int> Point) const {
        if (FPixbuf == nullptr || Point.first < 0 || Point.second < 0 ||
            Point.first >= gdk_pixbuf_get_width(FPixbuf) || Point.second >= gdk_pixbuf_get_height(FPixbuf)) {
            return {0, 0, 0, 0};
        }
        const guchar* p = gdk_pixbuf_read_pixels(FPixbuf) + Point.second * gdk_pixbuf_get_rowstride(FPixbuf) +
                          Point.first * gdk_pixbuf_get_n_channels(FPixbuf);
        return {p[0], p[1], p[2], 255};
    }

private:
    GdkPixbuf* FPixbuf = nullptr;
};

TStyleColor Palette(const std::string& Style, const std::string& Name) {
    return *Forms::TStyleManager::StyleDefinition(Style)->Color(Name);
}

constexpr const char* KeysPage = R"(<!doctype html><html><head><title>ready</title><script>
const clicks = [];
const keys = [];
function show() { document.title = JSON.stringify({ clicks: clicks, keys: keys }); }
window.vtr = { events: { onMainMenuItemClick: function (id) { clicks.push(id); show(); } } };
document.addEventListener('keydown', function (e) { keys.push(e.key); show(); });
</script></head><body style="height: 100vh; margin: 0"><p>keys</p></body></html>)";

constexpr const char* DialogTitle = "vtr style dialog";

// Reads the background of the open dialog from a screenshot, then closes it.
struct TDialogProbe {
    Forms::TMessageDialog* Dialog;
    std::string Shot;
    TStyleColor Seen{0, 0, 0, 0};
};

gboolean ProbeDialog(gpointer Data) {
    auto& probe = *static_cast<TDialogProbe*>(Data);
    GList* windows = gtk_window_list_toplevels();
    for (GList* i = windows; i != nullptr; i = i->next) {
        GtkWidget* window = GTK_WIDGET(i->data);
        if (gtk_widget_get_mapped(window) &&
            g_strcmp0(gtk_window_get_title(GTK_WINDOW(window)), DialogTitle) == 0) {
            probe.Seen = TScreenshot(probe.Shot).At(ScreenPoint(window, 3, 3));
        }
    }
    g_list_free(windows);
    probe.Dialog->Press(Forms::mrOk);
    return G_SOURCE_REMOVE;
}

// GLib and GTK warnings and criticals go to Out while it is set (the process's one log writer).
void RecordWarnings(std::vector<std::string>* Out) {
    static std::vector<std::string>* target = nullptr;
    static const bool installed = [] {
        g_log_set_writer_func(
            [](GLogLevelFlags Level, const GLogField* Fields, gsize Count, gpointer) {
                std::string message;
                for (gsize i = 0; i < Count; ++i) {
                    if (g_strcmp0(Fields[i].key, "MESSAGE") == 0 && Fields[i].length < 0) {
                        message = static_cast<const char*>(Fields[i].value);
                    }
                }
                // A menu opened from a key raised by hand, not typed, has no key event to pop up
                // from: GTK says so, and opens it all the same.
                const bool expected = message == "no trigger event for menu popup";
                if (target != nullptr && !expected &&
                    (Level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL)) != 0) {
                    target->push_back(message);
                }
                return expected ? G_LOG_WRITER_HANDLED : g_log_writer_default(Level, Fields, Count, nullptr);
            },
            nullptr, nullptr);
        return true;
    }();
    (void)installed;
    target = Out;
}

// The runtime's window in small: main form, browser form over the test engine, bridge module.
class MenuGui : public ::testing::Test {
protected:
    // The engine the browser runs on; the test engine unless a fixture says otherwise.
    virtual std::string EnginePath() { return TestEnginePath(); }
    virtual void ConfigureBrowser(Shared::TBrowserForm&) {}

    void SetUp() override {
        ASSERT_TRUE(HasDisplay()) << "run the GUI tests under scripts/with-display.sh";
        Shared::RegisterStyleCatalogue();
        RecordWarnings(&Warnings);
        Shared::FinalizeEdgeEx();
        Shared::SetLoaderLibraryPath(EnginePath());
        setenv("WEBVIEW2_USER_DATA_FOLDER", (DataDir.Path() / "profile").c_str(), 1);
        if (EnginePath() == TestEnginePath()) {
            Library = WebView2::TEngineLibrary::Load(TestEnginePath());
            ASSERT_TRUE(Library);
            Engine = reinterpret_cast<WebView2::TestEngine::VtrTestEngineControlFunc>(
                Library->Symbol("VtrTestEngineControl"))();
            Engine->Reset();
        }

        Shared::TZipWriter writer(Archive, Shared::Archive::Password);
        writer.AddFile("app/icons/red.png", ReadFixture("red.png"));
        writer.AddFile("app/icons/green.jpg", ReadFixture("green.jpg"));
        writer.AddFile("app/keys.html", KeysPage);
        writer.Finish();
        Zip.SetPassword(Shared::Archive::Password);
        Zip.Open(Archive);

        MainForm = std::make_unique<Forms::TForm>();
        MainForm->SetCaption("vtr menu");
        MainForm->SetBounds(100, 100, 640, 420);
        Browser = std::make_unique<Shared::TBrowserForm>();
        Browser->SetParent(MainForm.get());
        Browser->SetAlign(Forms::alClient);
        ConfigureBrowser(*Browser);
        Browser->Show();
        Module = std::make_unique<Shared::TBrowserExternalModule>();
        Module->SetExeZip(&Zip);
        Module->SetMainForm(MainForm.get());
        Module->SetBrowserForm(Browser.get());
        Module->OnPostReply = [this](const std::string& Reply) { Replies.push_back(json::parse(Reply)); };
        MainForm->Show();
        ASSERT_TRUE(RunUntil([&] {
            return gtk_widget_get_mapped(GTK_WIDGET(MainForm->FormImpl().Window)) &&
                   Browser->EdgeBrowser()->WebViewCreated();
        }));
        RunFor(200);
    }

    void TearDown() override {
        // The pointer leaves the windows, so that it hovers over nothing of the next test's.
        Shell("xdotool mousemove 1279 1023");
        Forms::TStyleManager::TrySetStyle("Windows", false);
        Module.reset();
        Browser.reset();
        MainForm.reset();
        Shared::FinalizeEdgeEx();
        RecordWarnings(nullptr);
        EXPECT_TRUE(Warnings.empty()) << Warnings.front();
    }

    json Call(int Id, const json& Data) {
        Replies.clear();
        Module->HandleWebMessage("", json{{"id", Id}, {"uuid", "u"}, {"data", Data}}.dump());
        return Replies.empty() ? json() : Replies.back();
    }
    void SetItems(const json& Items) {
        ASSERT_EQ(Call(12001, {{"items", Items.dump()}}),
                  (json{{"uuid", "u"}, {"success", true}, {"result", true}}));
        // The bar is laid out and drawn.
        ASSERT_TRUE(RunUntil([&] { return MenuBar() != nullptr && gtk_widget_get_mapped(MenuBar()); }));
        RunFor(200);
    }

    GtkWidget* MenuBar() { return MainForm->FormImpl().MenuBar; }
    Forms::TMenuItem& Item(int Id) {
        Forms::TMenuItem* item =
            Module->FindMenuItemById(&Module->BrowserExternalForm()->MainMenu()->Items(), Id);
        EXPECT_NE(item, nullptr) << Id;
        return *item;
    }
    GtkWidget* Widget(int Id) { return Item(Id).Impl().Widget; }

    // The scripts the host ran in the page.
    std::vector<std::string> Scripts() {
        std::vector<std::string> scripts;
        for (std::size_t i = 0; i < Engine->CallCount(); ++i) {
            const std::string call = Engine->Call(i);
            if (call.rfind("ExecuteScript ", 0) == 0) {
                scripts.push_back(call.substr(14));
            }
        }
        return scripts;
    }
    bool ScriptRan(const std::string& Script) {
        return RunUntil(
            [&] {
                const auto all = Scripts();
                return std::find(all.begin(), all.end(), Script) != all.end();
            },
            5000);
    }

    // Waits until a screenshot shows Expected at the point (style changes take a few frames).
    ::testing::AssertionResult Shows(const std::function<std::pair<int, int>()>& Point, TStyleColor Expected,
                                     const std::string& Shot) {
        TStyleColor seen{0, 0, 0, 0};
        for (int attempt = 0; attempt < 20; ++attempt) {
            RunFor(150);
            seen = TScreenshot(Shot).At(Point());
            if (Near(seen, Expected)) {
                return ::testing::AssertionSuccess();
            }
        }
        return ::testing::AssertionFailure()
               << Shot << " shows " << seen.ToHex() << " instead of " << Expected.ToHex();
    }

    json Raise(const std::string& Event, const std::string& Json) {
        return json::parse(Engine->Raise(Event.c_str(), Json.c_str()));
    }

    TTempDir DataDir;
    std::unique_ptr<WebView2::TEngineLibrary> Library;
    WebView2::TestEngine::ITestEngineControl* Engine = nullptr;
    Shared::TMemoryStream Archive;
    Shared::TExeZip Zip;
    std::unique_ptr<Forms::TForm> MainForm;
    std::unique_ptr<Shared::TBrowserForm> Browser;
    std::unique_ptr<Shared::TBrowserExternalModule> Module;
    std::vector<json> Replies;
    std::vector<std::string> Warnings;
};

const json ExampleMenu = json::array(
    {{{"caption", "&File"}, {"id", 1}, {"items", json::array({{{"caption", "&Quit"}, {"id", 2}}})}}});

// The same window over the real browser engine, showing a page that puts the menu clicks and
// the keys it receives into its title.
class MenuGuiWebKit : public MenuGui {
protected:
    std::string EnginePath() override { return WebKitEnginePath(); }
    void ConfigureBrowser(Shared::TBrowserForm& Form) override {
        Form.SetExeZip(&Zip);
        Form.SetAppDirName("app");
        Form.SetHandleRequests(true);
        Form.SetIsRuntime(true);
        Form.SetStartPageURL("file:///keys.html");
    }
    std::string Title() { return Browser->EdgeBrowser()->DocumentTitle(); }
    bool TitleIs(const std::string& Expected) {
        return RunUntil([&] { return Title() == Expected; }, 10000);
    }
};

} // namespace

TEST_F(MenuGui, TheExampleMenuOpensAndItsCommandRunsTheClickScript) {
    EXPECT_EQ(MenuBar(), nullptr);
    SetItems(ExampleMenu);
    // The bar takes room from the browser, which still fills the rest of the client area.
    EXPECT_EQ(MainForm->ClientHeight(), Browser->Height());

    Click(Centre(Widget(1)));
    GtkWidget* submenu = Item(1).Impl().Submenu;
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(submenu); }, 5000)) << "File did not open";
    RunFor(100);
    EXPECT_TRUE(Scripts().empty()) << "opening a submenu reports no click";
    Click(Centre(Widget(2)));
    EXPECT_TRUE(ScriptRan("vtr.events.onMainMenuItemClick(2);"));
    EXPECT_TRUE(RunUntil([&] { return !gtk_widget_get_mapped(submenu); }, 5000));
    EXPECT_EQ(Scripts().size(), 1u);
}

TEST_F(MenuGui, AccessKeysOpenTheMenuAndChooseTheCommand) {
    SetItems(json::array({{{"caption", "&File"},
                           {"id", 1},
                           {"items", json::array({{{"caption", "&Open"}, {"id", 3}},
                                                  {{"caption", "-"}, {"id", 0}},
                                                  {{"caption", "E&xit"}, {"id", -4}}})}},
                          {{"caption", "&Help"}, {"id", 5}}}));
    const std::string window =
        std::to_string(GDK_WINDOW_XID(gtk_widget_get_window(GTK_WIDGET(MainForm->FormImpl().Window))));
    ASSERT_EQ(Shell("xdotool windowactivate --sync " + window), 0);
    RunFor(200);
    ASSERT_EQ(Shell("xdotool key alt+f"), 0);
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(Item(1).Impl().Submenu); }, 5000));
    ASSERT_EQ(Shell("xdotool key x"), 0);
    EXPECT_TRUE(ScriptRan("vtr.events.onMainMenuItemClick(-4);"));
    // A top-level command runs from its access key at once.
    ASSERT_EQ(Shell("xdotool key alt+h"), 0);
    EXPECT_TRUE(ScriptRan("vtr.events.onMainMenuItemClick(5);"));
}

TEST_F(MenuGui, KeysTheBrowserOffersReachTheMenu) {
    SetItems(ExampleMenu);
    // The page's access keys and shortcuts come through the host control's accelerator keys.
    Item(2).SetShortCut(0x74); // F5
    const auto f5 = Raise("AcceleratorKeyPressed", R"({"kind": 0, "virtualKey": 116, "lParam": 1})");
    EXPECT_TRUE(f5["handled"]);
    EXPECT_TRUE(ScriptRan("vtr.events.onMainMenuItemClick(2);"));
    // Key-up, keys no item claims and shortcuts of disabled items go to the page.
    EXPECT_FALSE(Raise("AcceleratorKeyPressed", R"({"kind": 1, "virtualKey": 116, "lParam": 1})")["handled"]);
    EXPECT_FALSE(Raise("AcceleratorKeyPressed", R"({"kind": 0, "virtualKey": 117, "lParam": 1})")["handled"]);
    ASSERT_EQ(Call(12002, {{"id", 2}, {"enabled", false}}),
              (json{{"uuid", "u"}, {"success", true}, {"result", true}}));
    EXPECT_FALSE(Raise("AcceleratorKeyPressed", R"({"kind": 0, "virtualKey": 116, "lParam": 1})")["handled"]);
    EXPECT_EQ(Scripts().size(), 1u);
    EXPECT_FALSE(
        Raise("AcceleratorKeyPressed", R"({"kind": 2, "virtualKey": 81, "lParam": 536870913})")["handled"]);

    // Alt with a top-level access key opens that menu.
    EXPECT_TRUE(
        Raise("AcceleratorKeyPressed", R"({"kind": 2, "virtualKey": 70, "lParam": 536870913})")["handled"]);
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(Item(1).Impl().Submenu); }, 5000));
    ASSERT_EQ(Shell("xdotool key Escape Escape"), 0);
}

TEST_F(MenuGui, IconsAreDrawnAtSixteenPixelsAndGreyWhenDisabled) {
    SetItems(json::array(
        {{{"caption", "&Icons"},
          {"id", 1},
          {"items",
           json::array(
               {{{"caption", "Enabled"}, {"id", 2}, {"image", "app/icons/red.png"}},
                {{"caption", "Disabled"}, {"id", 3}, {"image", "app/icons/red.png"}, {"enabled", false}},
                {{"caption", "No icon"}, {"id", 4}}})}}}));
    Click(Centre(Widget(1)));
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(Item(1).Impl().Submenu); }, 5000));
    RunFor(300);
    GtkWidget* enabled = Item(2).Impl().Image;
    GtkWidget* disabled = Item(3).Impl().Image;
    EXPECT_EQ(gtk_widget_get_allocated_width(enabled), 16);
    EXPECT_EQ(gtk_widget_get_allocated_height(enabled), 16);
    // Items without an icon keep the icon column, so the captions line up.
    int enabledX = 0;
    int plainX = 0;
    gtk_widget_translate_coordinates(Item(2).Impl().Label, Item(1).Impl().Submenu, 0, 0, &enabledX, nullptr);
    gtk_widget_translate_coordinates(Item(4).Impl().Label, Item(1).Impl().Submenu, 0, 0, &plainX, nullptr);
    EXPECT_EQ(enabledX, plainX);

    const TScreenshot shot("menu-icons");
    const TStyleColor red = shot.At(Centre(enabled));
    const TStyleColor grey = shot.At(Centre(disabled));
    EXPECT_TRUE(red.R > 200 && red.G < 60 && red.B < 60) << red.ToHex();
    EXPECT_TRUE(std::abs(grey.R - grey.G) <= 4 && std::abs(grey.G - grey.B) <= 4 && grey.R > 40)
        << grey.ToHex();

    // Enabling the item again brings its colours back.
    ASSERT_EQ(Call(12002, {{"id", 3}, {"enabled", "TRUE"}}),
              (json{{"uuid", "u"}, {"success", true}, {"result", true}}));
    RunFor(300);
    const TScreenshot again("menu-icons-enabled");
    const TStyleColor now = again.At(Centre(Item(3).Impl().Image));
    EXPECT_TRUE(now.R > 200 && now.G < 60) << now.ToHex();
    ASSERT_EQ(Shell("xdotool key Escape Escape"), 0);
}

TEST_F(MenuGui, MenuBarAndDialogsInADarkStyleAndInTheSystemLook) {
    SetItems(ExampleMenu);
    // A point of the bar clear of its titles.
    const auto barPoint = [&] {
        return ScreenPoint(MenuBar(), gtk_widget_get_allocated_width(MenuBar()) - 8,
                           gtk_widget_get_allocated_height(MenuBar()) / 2);
    };
    const TStyleColor systemBar = TScreenshot("menu-bar-system").At(barPoint());

    ASSERT_EQ(Call(80003, {{"name", "Windows10 Dark"}})["result"], true);
    const TStyleColor darkBar = Palette("Windows10 Dark", "menubar_bg");
    EXPECT_FALSE(Near(systemBar, darkBar)) << systemBar.ToHex();
    EXPECT_TRUE(Shows(barPoint, darkBar, "menu-bar-dark"));

    // A message dialog over the window, in the dark style and again in the system look.
    const auto dialogBackground = [](const std::string& Shot) {
        Forms::TMessageDialog dialog("The style reaches dialogs too.", Forms::mtInformation, Forms::mbOK);
        dialog.SetTitle(DialogTitle);
        TDialogProbe probe{&dialog, Shot};
        g_timeout_add(800, &ProbeDialog, &probe);
        dialog.ShowModal();
        return probe.Seen;
    };
    const TStyleColor darkDialog = dialogBackground("dialog-dark");
    EXPECT_TRUE(Near(darkDialog, Palette("Windows10 Dark", "window_bg"))) << darkDialog.ToHex();

    ASSERT_EQ(Call(80003, {{"name", "Windows"}})["result"], true);
    EXPECT_TRUE(Shows(barPoint, systemBar, "menu-bar-system-again"));
    const TStyleColor systemDialog = dialogBackground("dialog-system");
    EXPECT_FALSE(Near(systemDialog, darkDialog)) << systemDialog.ToHex();
}

TEST_F(MenuGui, ANewMenuReplacesAnOpenOne) {
    SetItems(ExampleMenu);
    Click(Centre(Widget(1)));
    GtkWidget* submenu = Item(1).Impl().Submenu;
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(submenu); }, 5000));
    SetItems(json::array(
        {{{"caption", "&Edit"}, {"id", 7}, {"items", json::array({{{"caption", "&Undo"}, {"id", 8}}})}}}));
    // The new menu works.
    Click(Centre(Widget(7)));
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(Item(7).Impl().Submenu); }, 5000));
    Click(Centre(Widget(8)));
    EXPECT_TRUE(ScriptRan("vtr.events.onMainMenuItemClick(8);"));
}

TEST_F(MenuGui, UpdatingItemsChangesTheOpenMenu) {
    SetItems(ExampleMenu);
    ASSERT_EQ(Call(12002, {{"id", 2}, {"caption", "&Leave"}, {"image", "app/icons/green.jpg"}})["result"],
              true);
    EXPECT_STREQ(gtk_label_get_label(GTK_LABEL(Item(2).Impl().Label)), "_Leave");
    EXPECT_EQ(gtk_image_get_storage_type(GTK_IMAGE(Item(2).Impl().Image)), GTK_IMAGE_SURFACE);
    // A new description replaces the bar's titles.
    SetItems(json::array({{{"caption", "&Edit"}, {"id", 7}}, {{"caption", "&View"}, {"id", 8}}}));
    GList* titles = gtk_container_get_children(GTK_CONTAINER(MenuBar()));
    EXPECT_EQ(g_list_length(titles), 2u);
    g_list_free(titles);
}

TEST_F(MenuGuiWebKit, ShortcutsAndAccessKeysWorkWhileThePageHasTheFocus) {
    ASSERT_TRUE(TitleIs("ready"));
    SetItems(ExampleMenu);
    Item(2).SetShortCut('O' | Forms::scCtrl);
    // Focus the page as a person would: a click into it.
    Click(ScreenPoint(MenuBar(), 200, 150));
    RunFor(300);
    const auto seen = [&](const json& Expected) {
        return RunUntil([&] { return json::parse(Title(), nullptr, false) == Expected; }, 10000);
    };
    ASSERT_EQ(Shell("xdotool key k"), 0);
    ASSERT_TRUE(seen({{"clicks", json::array()}, {"keys", {"k"}}})) << Title();

    // The menu's shortcut runs the command; the page receives no keydown of it.
    ASSERT_EQ(Shell("xdotool key ctrl+o"), 0);
    EXPECT_TRUE(seen({{"clicks", {2}}, {"keys", {"k", "Control"}}})) << Title();
    // The access keys open File and choose Quit, unseen by the page.
    ASSERT_EQ(Shell("xdotool key alt+f"), 0);
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(Item(1).Impl().Submenu); }, 5000));
    ASSERT_EQ(Shell("xdotool key q"), 0);
    EXPECT_TRUE(seen({{"clicks", {2, 2}}, {"keys", {"k", "Control", "Alt"}}})) << Title();
    // Keys no item claims still reach the page (not Ctrl+P: the browser prints on it).
    ASSERT_EQ(Shell("xdotool key ctrl+k"), 0);
    EXPECT_TRUE(seen({{"clicks", {2, 2}}, {"keys", {"k", "Control", "Alt", "Control", "k"}}})) << Title();
}
