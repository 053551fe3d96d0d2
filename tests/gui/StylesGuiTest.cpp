// Visual styles on real windows: a window with a menu bar, a button, an edit box and a progress
// bar is shown on the test display, styles are switched, and the colours on screen are read
// back from the X server and compared with the styles' palettes.
#include "forms/StyleManager.h"
#include "shared/styles/StyleCatalogue.h"
#include "shared/styles/StylesUtils.h"
#include "support/Display.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

using Forms::TStyleManager;
using Shared::TStylesUtils;
using namespace GuiTest;

namespace {

void SavePreview(const Forms::TRasterImage& Image, const std::string& Name) {
    std::filesystem::create_directories(VTR_SCREENSHOT_DIR);
    std::vector<guchar> rgba;
    for (const std::uint32_t p : Image.Pixels) {
        rgba.insert(rgba.end(), {static_cast<guchar>(p >> 16), static_cast<guchar>(p >> 8),
                                 static_cast<guchar>(p), static_cast<guchar>(p >> 24)});
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_data(rgba.data(), GDK_COLORSPACE_RGB, TRUE, 8, Image.Width,
                                                 Image.Height, Image.Width * 4, nullptr, nullptr);
    const std::string path = std::string(VTR_SCREENSHOT_DIR) + "/" + Name + ".png";
    gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(pixbuf);
}

// The colours a style paints over the largest areas of a window.
struct TLook {
    TStyleColor Window, MenuBar, Button, Entry, Fill, Trough;

    bool operator==(const TLook& o) const {
        return Near(Window, o.Window) && Near(MenuBar, o.MenuBar) && Near(Button, o.Button) &&
               Near(Entry, o.Entry) && Near(Fill, o.Fill) && Near(Trough, o.Trough);
    }
    std::string Describe() const {
        std::ostringstream s;
        s << "window " << Window.ToHex() << ", menu bar " << MenuBar.ToHex() << ", button " << Button.ToHex()
          << ", edit " << Entry.ToHex() << ", progress " << Fill.ToHex() << "/" << Trough.ToHex();
        return s.str();
    }
};

TLook PaletteLook(const std::string& Style) {
    const auto style = TStyleManager::StyleDefinition(Style);
    EXPECT_TRUE(style) << Style;
    if (!style) {
        return {};
    }
    return TLook{*style->Color("window_bg"),     *style->Color("menubar_bg"),
                 *style->Color("button_bg"),     *style->Color("entry_bg"),
                 *style->Color("progress_fill"), *style->Color("progress_trough")};
}

// A top-level window with the controls a style recolours.
class TSampleWindow {
public:
    explicit TSampleWindow(const char* Title) {
        Window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(Window), Title);
        gtk_window_set_default_size(GTK_WINDOW(Window), 420, 260);
        GtkWidget* layout = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        gtk_container_add(GTK_CONTAINER(Window), layout);

        MenuBar = gtk_menu_bar_new();
        FileItem = gtk_menu_item_new_with_mnemonic("_File");
        FileMenu = gtk_menu_new();
        OpenItem = gtk_menu_item_new_with_label("Open");
        gtk_menu_shell_append(GTK_MENU_SHELL(FileMenu), OpenItem);
        gtk_menu_shell_append(GTK_MENU_SHELL(FileMenu), gtk_separator_menu_item_new());
        gtk_menu_shell_append(GTK_MENU_SHELL(FileMenu), gtk_menu_item_new_with_label("Exit"));
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(FileItem), FileMenu);
        gtk_menu_shell_append(GTK_MENU_SHELL(MenuBar), FileItem);
        gtk_menu_shell_append(GTK_MENU_SHELL(MenuBar), gtk_menu_item_new_with_mnemonic("_Help"));
        gtk_box_pack_start(GTK_BOX(layout), MenuBar, FALSE, FALSE, 0);

        GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
        gtk_container_set_border_width(GTK_CONTAINER(content), 16);
        gtk_box_pack_start(GTK_BOX(layout), content, TRUE, TRUE, 0);
        // Without focus there is no caret or focus ring to land on a sampled pixel.
        Entry = gtk_entry_new();
        gtk_widget_set_can_focus(Entry, FALSE);
        gtk_box_pack_start(GTK_BOX(content), Entry, FALSE, FALSE, 0);
        Button = gtk_button_new_with_label("Button");
        gtk_widget_set_can_focus(Button, FALSE);
        gtk_widget_set_size_request(Button, 160, 44);
        gtk_widget_set_halign(Button, GTK_ALIGN_START);
        gtk_box_pack_start(GTK_BOX(content), Button, FALSE, FALSE, 0);
        Progress = gtk_progress_bar_new();
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(Progress), 0.5);
        gtk_box_pack_start(GTK_BOX(content), Progress, FALSE, FALSE, 0);

        g_signal_connect(Window, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer drawn) -> gboolean {
                             *static_cast<bool*>(drawn) = true;
                             return FALSE;
                         }),
                         &Drawn);
        gtk_widget_show_all(Window);
        EXPECT_TRUE(RunUntil([this] { return Drawn && gtk_widget_get_mapped(Window); }));
        RunFor(150);
    }
    ~TSampleWindow() { gtk_widget_destroy(Window); }
    TSampleWindow(const TSampleWindow&) = delete;
    TSampleWindow& operator=(const TSampleWindow&) = delete;

    TLook Look() const {
        const auto w = [](GtkWidget* widget) { return gtk_widget_get_allocated_width(widget); };
        const auto h = [](GtkWidget* widget) { return gtk_widget_get_allocated_height(widget); };
        return TLook{ScreenPixel(Window, w(Window) - 4, h(Window) - 4),
                     ScreenPixel(MenuBar, w(MenuBar) - 6, h(MenuBar) / 2),
                     ScreenPixel(Button, w(Button) / 2, 7),
                     ScreenPixel(Entry, w(Entry) - 8, h(Entry) / 2),
                     ScreenPixel(Progress, w(Progress) / 4, h(Progress) / 2),
                     ScreenPixel(Progress, w(Progress) * 3 / 4, h(Progress) / 2)};
    }

    // Waits for the window to show Expected (style changes are drawn on the next frames).
    ::testing::AssertionResult Shows(const TLook& Expected) const {
        if (RunUntil([&] { return Look() == Expected; })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "shows " << Look().Describe() << "\nexpected " << Expected.Describe();
    }

    GtkWidget* Window = nullptr;
    GtkWidget* MenuBar = nullptr;
    GtkWidget* FileItem = nullptr;
    GtkWidget* FileMenu = nullptr;
    GtkWidget* OpenItem = nullptr;
    GtkWidget* Entry = nullptr;
    GtkWidget* Button = nullptr;
    GtkWidget* Progress = nullptr;
    bool Drawn = false;
};

void RunXdotool(const std::vector<std::string>& Arguments) {
    std::vector<gchar*> argv{const_cast<gchar*>("xdotool")};
    for (const std::string& a : Arguments) {
        argv.push_back(const_cast<gchar*>(a.c_str()));
    }
    argv.push_back(nullptr);
    gint status = -1;
    GError* error = nullptr;
    const gboolean ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                                      nullptr, nullptr, &status, &error);
    ASSERT_TRUE(ran) << (error != nullptr ? error->message : "");
    ASSERT_TRUE(g_spawn_check_wait_status(status, nullptr));
}

// Screen coordinates of the centre of Widget.
std::pair<int, int> ScreenCentre(GtkWidget* Widget) {
    GtkWidget* top = gtk_widget_get_toplevel(Widget);
    int x = 0;
    int y = 0;
    gtk_widget_translate_coordinates(Widget, top, gtk_widget_get_allocated_width(Widget) / 2,
                                     gtk_widget_get_allocated_height(Widget) / 2, &x, &y);
    int ox = 0;
    int oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
    return {ox + x, oy + y};
}

void ClickAt(std::pair<int, int> Point) {
    RunXdotool(
        {"mousemove", "--sync", std::to_string(Point.first), std::to_string(Point.second), "click", "1"});
}

// Every test starts and ends in the system look, and fails on any GTK warning it causes.
class StylesGui : public ::testing::Test {
protected:
    void SetUp() override {
        TStyleManager::SetErrorPresenter([this](const std::string& text) { Shown.push_back(text); });
        for (const char* domain : {"Gtk", "Gdk", "GLib-GObject", "GLib"}) {
            Handlers.emplace_back(domain, g_log_set_handler(domain,
                                                            static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING |
                                                                                        G_LOG_LEVEL_CRITICAL),
                                                            &StylesGui::RecordWarning, &Warnings));
        }
    }
    void TearDown() override {
        TStyleManager::TrySetStyle("Windows", false);
        TStyleManager::SetErrorPresenter(nullptr);
        for (const auto& [domain, id] : Handlers) {
            g_log_remove_handler(domain, id);
        }
        EXPECT_TRUE(Warnings.empty()) << Warnings.front();
    }
    static void RecordWarning(const gchar* Domain, GLogLevelFlags, const gchar* Message, gpointer Warnings) {
        static_cast<std::vector<std::string>*>(Warnings)->push_back(std::string(Domain) + ": " + Message);
    }

    std::vector<std::string> Shown;
    std::vector<std::string> Warnings;
    std::vector<std::pair<const char*, guint>> Handlers;
};

} // namespace

TEST_F(StylesGui, DarkStyleRecoloursEveryControlAndWindowsRestoresTheSystemLook) {
    TSampleWindow window("vtr styles");
    const TLook system = window.Look();
    SaveScreen(VTR_SCREENSHOT_DIR, "system-look");
    const TLook dark = PaletteLook("Windows10 Dark");
    EXPECT_FALSE(system == dark) << system.Describe();

    ASSERT_TRUE(TStyleManager::TrySetStyle("Windows10 Dark", false));
    EXPECT_TRUE(window.Shows(dark));
    SaveScreen(VTR_SCREENSHOT_DIR, "windows10-dark");

    ASSERT_TRUE(TStyleManager::TrySetStyle("Windows", false));
    EXPECT_TRUE(window.Shows(system));
}

TEST_F(StylesGui, EverySwitchAmongTheCatalogueChangesTheControls) {
    TSampleWindow window("vtr styles");
    TLook previous = window.Look();
    const std::vector<std::string> names = TStyleManager::StyleNames();
    ASSERT_EQ(names.size(), 40u);
    for (const std::string& name : names) {
        if (name == TStyleManager::SystemStyleName) {
            continue;
        }
        ASSERT_TRUE(TStyleManager::TrySetStyle(name, false)) << name;
        const TLook expected = PaletteLook(name);
        EXPECT_TRUE(window.Shows(expected)) << name;
        EXPECT_FALSE(expected == previous) << name << " looks like the style before it";
        previous = expected;
    }
}

TEST_F(StylesGui, AllWindowsTakeTheStyleAtOnce) {
    TSampleWindow first("first");
    TSampleWindow second("second");
    ASSERT_TRUE(TStyleManager::TrySetStyle("Amethyst Kamri", false));
    const TLook amethyst = PaletteLook("Amethyst Kamri");
    EXPECT_TRUE(first.Shows(amethyst));
    EXPECT_TRUE(second.Shows(amethyst));
    // A window created after the switch is born in the style.
    TSampleWindow third("third");
    EXPECT_TRUE(third.Shows(amethyst));
}

TEST_F(StylesGui, MenusOpenedByMouseWearTheStyle) {
    TSampleWindow window("vtr menu");
    ASSERT_TRUE(TStyleManager::TrySetStyle("Windows10 Dark", false));
    ASSERT_TRUE(window.Shows(PaletteLook("Windows10 Dark")));
    const auto dark = *TStyleManager::StyleDefinition("Windows10 Dark");

    ClickAt(ScreenCentre(window.FileItem));
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(window.FileMenu); }))
        << "the File menu did not open";
    GtkWidget* menu = window.FileMenu;
    const int width = gtk_widget_get_allocated_width(menu);
    const int height = gtk_widget_get_allocated_height(menu);
    EXPECT_TRUE(RunUntil([&] {
        return Near(ScreenPixel(menu, width / 2, height - 2), *dark.Color("menu_bg"));
    })) << "menu shows "
        << ScreenPixel(menu, width / 2, height - 2).ToHex();
    // The open title is highlighted in the accent colour.
    EXPECT_TRUE(RunUntil([&] { return Near(ScreenPixel(window.FileItem, 2, 3), *dark.Color("accent")); }))
        << "title shows " << ScreenPixel(window.FileItem, 2, 3).ToHex();

    // Pointing at an item highlights it too.
    const auto open = ScreenCentre(window.OpenItem);
    RunXdotool({"mousemove", "--sync", std::to_string(open.first), std::to_string(open.second)});
    const int itemWidth = gtk_widget_get_allocated_width(window.OpenItem);
    EXPECT_TRUE(RunUntil([&] {
        return Near(ScreenPixel(window.OpenItem, itemWidth - 4, 3), *dark.Color("accent"));
    })) << "item shows "
        << ScreenPixel(window.OpenItem, itemWidth - 4, 3).ToHex();
    SaveScreen(VTR_SCREENSHOT_DIR, "windows10-dark-menu");

    RunXdotool({"key", "Escape"});
    EXPECT_TRUE(RunUntil([&] { return !gtk_widget_get_mapped(window.FileMenu); }));
}

TEST_F(StylesGui, MessageDialogsWearTheStyle) {
    TSampleWindow window("vtr dialog");
    GtkWidget* dialog =
        gtk_message_dialog_new(GTK_WINDOW(window.Window), GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_ERROR,
                               GTK_BUTTONS_CLOSE, "Style 'Nope' not found");
    gtk_widget_show_all(dialog);
    GtkWidget* close = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(close); }));
    RunFor(200);
    // The dialog's own background (a corner clear of its text) and its one button, which is the
    // default button: the styles mark it with the accent colour.
    const auto sample = [&] {
        return std::pair{ScreenPixel(dialog, 3, 3),
                         ScreenPixel(close, gtk_widget_get_allocated_width(close) / 2, 5)};
    };
    const auto system = sample();

    ASSERT_TRUE(TStyleManager::TrySetStyle("Carbon", false));
    const auto carbon = *TStyleManager::StyleDefinition("Carbon");
    EXPECT_TRUE(RunUntil([&] {
        const auto now = sample();
        return Near(now.first, *carbon.Color("window_bg")) && Near(now.second, *carbon.Color("accent"));
    })) << "dialog shows "
        << sample().first.ToHex() << ", button " << sample().second.ToHex();
    EXPECT_FALSE(Near(system.first, *carbon.Color("window_bg")));
    SaveScreen(VTR_SCREENSHOT_DIR, "carbon-dialog");

    ASSERT_TRUE(TStyleManager::TrySetStyle("Windows", false));
    EXPECT_TRUE(RunUntil([&] {
        const auto now = sample();
        return Near(now.first, system.first) && Near(now.second, system.second);
    }));
    gtk_widget_destroy(dialog);
}

TEST_F(StylesGui, SetThemeCasesThroughStylesUtils) {
    TSampleWindow window("vtr setTheme");
    const TLook system = window.Look();
    const TLook dark = PaletteLook("Windows10 Dark");

    // Exact name: active, drawn, and the active name is the one asked for.
    TStylesUtils::TrySetStyle("Windows10 Dark", false);
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows10 Dark");
    EXPECT_TRUE(window.Shows(dark));

    // Lower case: the style becomes active under its own spelling, which differs from the request.
    TStylesUtils::TrySetStyle("Windows", false);
    ASSERT_TRUE(window.Shows(system));
    TStylesUtils::TrySetStyle("windows10 dark", false);
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows10 Dark");
    EXPECT_NE(TStylesUtils::GetActiveTheme(), "windows10 dark");
    EXPECT_TRUE(window.Shows(dark));

    // Unknown and empty names: nothing changes, and nothing is shown when errors are off.
    for (const char* name : {"No Such Style", ""}) {
        TStylesUtils::TrySetStyle(name, false);
        EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows10 Dark") << name;
        RunFor(100);
        EXPECT_TRUE(window.Shows(dark)) << name;
    }
    EXPECT_TRUE(Shown.empty());
    TStylesUtils::TrySetStyle("No Such Style", true);
    EXPECT_EQ(Shown, std::vector<std::string>{"Style 'No Such Style' not found"});

    // "Windows": back to the system look.
    TStylesUtils::TrySetStyle("Windows", false);
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows");
    EXPECT_TRUE(window.Shows(system));
}

TEST_F(StylesGui, PreviewDrawsTheNamedStyleWithoutTouchingTheWindows) {
    TSampleWindow window("vtr preview");
    const TLook system = window.Look();

    Forms::TRasterImage image;
    image.Width = 320;
    image.Height = 200;
    TStylesUtils::DrawThemePreview("Carbon", image);
    ASSERT_EQ(image.Pixels.size(), 320u * 200u);
    const auto carbon = *TStyleManager::StyleDefinition("Carbon");
    const auto pixel = [&](int x, int y) {
        const std::uint32_t p = image.Pixel(x, y);
        return TStyleColor{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                           static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 24)};
    };
    const auto count = [&](TStyleColor c) {
        int n = 0;
        for (int y = 0; y < image.Height; ++y) {
            for (int x = 0; x < image.Width; ++x) {
                n += Near(pixel(x, y), c) ? 1 : 0;
            }
        }
        return n;
    };
    EXPECT_EQ(pixel(316, 196).ToHex(), carbon.Color("window_bg")->ToHex());
    EXPECT_EQ(pixel(316, 8).ToHex(), carbon.Color("menubar_bg")->ToHex());
    EXPECT_EQ(pixel(316, 196).A, 255);
    EXPECT_GT(count(*carbon.Color("accent")), 100) << "no highlighted menu title";
    EXPECT_GT(count(*carbon.Color("entry_bg")), 1000) << "no edit box";
    EXPECT_GT(count(*carbon.Color("button_bg")), 300) << "no button";
    EXPECT_GT(count(*carbon.Color("progress_fill")), 300) << "no progress bar";

    SavePreview(image, "preview-carbon");

    // Another style draws differently; the application's own windows keep their look.
    Forms::TRasterImage obsidian;
    obsidian.Width = 320;
    obsidian.Height = 200;
    TStylesUtils::DrawThemePreview("obsidian", obsidian);
    SavePreview(obsidian, "preview-obsidian");
    EXPECT_NE(obsidian.Pixels, image.Pixels);
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Windows");
    RunFor(100);
    EXPECT_TRUE(window.Shows(system));

    // A preview is drawn over the active style, never mixed with it.
    ASSERT_TRUE(TStyleManager::TrySetStyle("Sky", false));
    Forms::TRasterImage again;
    again.Width = 320;
    again.Height = 200;
    TStylesUtils::DrawThemePreview("Carbon", again);
    EXPECT_EQ(again.Pixels, image.Pixels);

    // Sizes below the sample's own are clipped; absurd ones are refused rather than allocated.
    Forms::TRasterImage empty;
    TStylesUtils::DrawThemePreview("Carbon", empty);
    EXPECT_TRUE(empty.Pixels.empty());
    Forms::TRasterImage tiny;
    tiny.Width = 1;
    tiny.Height = 1;
    TStylesUtils::DrawThemePreview("Carbon", tiny);
    EXPECT_EQ(tiny.Pixels.size(), 1u);
    Forms::TRasterImage huge;
    huge.Width = 100000;
    huge.Height = 100000;
    EXPECT_THROW(TStylesUtils::DrawThemePreview("Carbon", huge), Forms::EStyleError);
    try {
        TStylesUtils::DrawThemePreview("Windows", empty);
        ADD_FAILURE() << "the system style drew a preview";
    } catch (const Forms::EStyleError& e) {
        EXPECT_STREQ(e.what(), "Not available \"Windows\" preview.");
    }
}

TEST_F(StylesGui, EveryCatalogueSheetParsesWithoutErrors) {
    for (const std::string& name : TStyleManager::StyleNames()) {
        if (name == TStyleManager::SystemStyleName) {
            continue;
        }
        const auto style = TStyleManager::StyleDefinition(name);
        ASSERT_TRUE(style) << name;
        std::vector<std::string> errors;
        GtkCssProvider* provider = gtk_css_provider_new();
        g_signal_connect(
            provider, "parsing-error",
            G_CALLBACK(+[](GtkCssProvider*, GtkCssSection* section, GError* error, gpointer out) {
                static_cast<std::vector<std::string>*>(out)->push_back(
                    "line " + std::to_string(gtk_css_section_get_start_line(section) + 1) + ": " +
                    error->message);
            }),
            &errors);
        gtk_css_provider_load_from_data(provider, style->Css.data(), static_cast<gssize>(style->Css.size()),
                                        nullptr);
        g_object_unref(provider);
        EXPECT_TRUE(errors.empty()) << name << ": " << errors.front();
    }
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    Shared::RegisterStyleCatalogue();
    // Listing the tests (at build time) needs no display.
    if (!GTEST_FLAG_GET(list_tests) && !gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "styles_gui_tests: no display (run under scripts/with-display.sh)\n");
        return 1;
    }
    // Colours are compared where the windows are: a pointer left hovering there by an earlier
    // program would light a button up.
    if (!GTEST_FLAG_GET(list_tests)) {
        GdkDisplay* display = gdk_display_get_default();
        GdkSeat* seat = gdk_display_get_default_seat(display);
        gdk_device_warp(gdk_seat_get_pointer(seat), gdk_display_get_default_screen(display), 1279, 1023);
        gdk_display_flush(display);
    }
    return RUN_ALL_TESTS();
}
