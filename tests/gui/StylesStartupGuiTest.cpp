// The start-up step may choose a style before GTK has opened its display: the choice must hold
// and the first window must wear it. A program of its own, so that nothing opened the display
// before the test.
#include "forms/StyleManager.h"
#include "shared/styles/StyleCatalogue.h"
#include "support/Display.h"

#include <gtest/gtest.h>

using Forms::TStyleManager;
using namespace GuiTest;

TEST(StylesStartup, StyleChosenBeforeTheDisplayOpensIsWornByTheFirstWindow) {
    ASSERT_EQ(gdk_display_get_default(), nullptr);
    std::vector<std::string> shown;
    TStyleManager::SetErrorPresenter([&](const std::string& text) { shown.push_back(text); });
    ASSERT_TRUE(TStyleManager::TrySetStyle("cobalt xemedia", true));
    EXPECT_EQ(TStyleManager::ActiveStyleName(), "Cobalt XEMedia");
    EXPECT_TRUE(shown.empty());

    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display (run under scripts/with-display.sh)";
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 300, 200);
    gtk_widget_show_all(window);
    const TStyleColor expected = *TStyleManager::StyleDefinition("Cobalt XEMedia")->Color("window_bg");
    EXPECT_TRUE(RunUntil([&] {
        return gtk_widget_get_mapped(window) && Near(ScreenPixel(window, 150, 100), expected);
    })) << "window shows "
        << ScreenPixel(window, 150, 100).ToHex() << ", expected " << expected.ToHex();

    // And the system look comes back as for any other switch.
    ASSERT_TRUE(TStyleManager::TrySetStyle("Windows", true));
    EXPECT_TRUE(RunUntil([&] { return !Near(ScreenPixel(window, 150, 100), expected); }));
    gtk_widget_destroy(window);
    TStyleManager::SetErrorPresenter(nullptr);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    Shared::RegisterStyleCatalogue();
    return RUN_ALL_TESTS();
}
