// The windowed-control base with real GTK widgets in a window managed by openbox.

#include "support/GuiTest.h"

#include "forms/gtk/WinControlImpl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace GuiTest;
using Forms::TRect;
using Forms::TWinControl;
using testing::ElementsAre;

namespace {

class WinControlGtkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(HasDisplay()) << "run the GUI tests under scripts/with-display.sh";
        Window = std::make_unique<TTopWindow>(400, 300);
        Window->ShowWindow();
    }
    void TearDown() override { Window.reset(); }

    static GtkAllocation AllocationOf(TWinControl& Control) {
        GtkAllocation allocation{};
        gtk_widget_get_allocation(Forms::ToGtk(Control.Handle()), &allocation);
        return allocation;
    }
    static bool Placed(TWinControl& Control, const TRect& Rect) {
        const GtkAllocation a = AllocationOf(Control);
        return a.x == Rect.Left && a.y == Rect.Top && a.width == Rect.Width() && a.height == Rect.Height();
    }

    std::unique_ptr<TTopWindow> Window;
};

TEST_F(WinControlGtkTest, ChildWidgetsSitAtTheirBounds) {
    TWinControl panel;
    panel.SetBounds(10, 20, 150, 80);
    panel.SetParent(Window.get());
    ASSERT_TRUE(panel.HandleAllocated());
    EXPECT_TRUE(RunUntil([&] { return Placed(panel, {10, 20, 160, 100}); }, 5000));
    panel.SetBounds(30, 40, 60, 50);
    EXPECT_TRUE(RunUntil([&] { return Placed(panel, {30, 40, 90, 90}); }, 5000));
}

TEST_F(WinControlGtkTest, ClientAlignedChildFollowsTheWindowSize) {
    TWinControl bottom;
    bottom.SetBounds(0, 0, 0, 4);
    bottom.SetAlign(Forms::alBottom);
    bottom.SetParent(Window.get());
    TWinControl client;
    client.SetAlign(Forms::alClient);
    client.SetParent(Window.get());
    Window->ResizeClient(500, 350);
    ASSERT_TRUE(RunUntil([&] { return Window->Width() == 500 && Window->Height() == 350; }, 5000))
        << Window->Width() << "x" << Window->Height();
    EXPECT_EQ(client.BoundsRect(), (TRect{0, 0, 500, 346}));
    EXPECT_EQ(bottom.BoundsRect(), (TRect{0, 346, 500, 350}));
    EXPECT_TRUE(RunUntil(
        [&] {
            return Placed(client, {0, 0, 500, 346});
        },
        5000))
        << AllocationOf(client).x << "," << AllocationOf(client).y << " " << AllocationOf(client).width << "x"
        << AllocationOf(client).height;
    // The window can always be made smaller than what it holds.
    Window->ResizeClient(120, 90);
    EXPECT_TRUE(RunUntil([&] { return Window->Width() == 120 && Window->Height() == 90; }, 5000))
        << Window->Width() << "x" << Window->Height();
}

TEST_F(WinControlGtkTest, HiddenControlsAreNotShown) {
    TWinControl panel;
    panel.SetBounds(0, 0, 50, 50);
    panel.SetParent(Window.get());
    GtkWidget* widget = Forms::ToGtk(panel.Handle());
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(widget); }, 5000));
    panel.Hide();
    EXPECT_FALSE(gtk_widget_get_visible(widget));
    EXPECT_FALSE(gtk_widget_get_mapped(widget));
    EXPECT_FALSE(panel.Showing());
    panel.Show();
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(widget); }, 5000));
}

TEST_F(WinControlGtkTest, RecreatingMakesNewWidgetsForTheControlAndItsChildren) {
    TWinControl panel;
    panel.SetBounds(5, 5, 100, 100);
    panel.SetParent(Window.get());
    TWinControl inner;
    inner.SetBounds(1, 2, 30, 40);
    inner.SetParent(&panel);
    Forms::TNativeWidget* oldPanel = panel.Handle();
    g_object_add_weak_pointer(G_OBJECT(Forms::ToGtk(oldPanel)), reinterpret_cast<gpointer*>(&oldPanel));
    panel.RecreateWnd();
    EXPECT_EQ(oldPanel, nullptr); // the old widget is gone
    ASSERT_TRUE(inner.HandleAllocated());
    EXPECT_EQ(gtk_widget_get_parent(Forms::ToGtk(inner.Handle())), Forms::ToGtk(panel.Handle()));
    EXPECT_TRUE(RunUntil([&] { return Placed(inner, {1, 2, 31, 42}); }, 5000));
}

TEST_F(WinControlGtkTest, MovingToAnotherParentKeepsTheWidget) {
    TWinControl first;
    TWinControl second;
    first.SetParent(Window.get());
    second.SetParent(Window.get());
    TWinControl moving;
    moving.SetBounds(0, 0, 10, 10);
    moving.SetParent(&first);
    Forms::TNativeWidget* widget = moving.Handle();
    moving.SetParent(&second);
    EXPECT_EQ(moving.Handle(), widget);
    EXPECT_EQ(gtk_widget_get_parent(Forms::ToGtk(widget)), Forms::ToGtk(second.Handle()));
    moving.SetParent(nullptr); // kept without a parent, ready to be placed again
    EXPECT_TRUE(moving.HandleAllocated());
    EXPECT_EQ(gtk_widget_get_parent(Forms::ToGtk(widget)), nullptr);
}

TEST_F(WinControlGtkTest, EnterAndExitFollowTheKeyboardFocus) {
    std::vector<std::string> seen;
    TWinControl a;
    TWinControl b;
    for (auto [control, name] : {std::pair{&a, "a"}, std::pair{&b, "b"}}) {
        control->SetBounds(0, 0, 20, 20);
        control->SetTabStop(true);
        control->SetParent(Window.get());
        control->OnEnter = [&seen, name = std::string(name)](Forms::TObject*) {
            seen.push_back("enter " + name);
        };
        control->OnExit = [&seen, name = std::string(name)](Forms::TObject*) {
            seen.push_back("exit " + name);
        };
    }
    a.SetFocus();
    EXPECT_TRUE(a.Focused());
    b.SetFocus();
    EXPECT_TRUE(b.Focused());
    EXPECT_FALSE(a.Focused());
    // Tab order: a is next after b.
    Window->SelectNext(&b, true, true);
    EXPECT_TRUE(a.Focused());
    EXPECT_THAT(seen, ElementsAre("enter a", "exit a", "enter b", "exit b", "enter a"));
}

} // namespace
