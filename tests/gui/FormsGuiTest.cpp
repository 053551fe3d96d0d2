#include <gtest/gtest.h>

#include "support/Display.h"

#include "forms/Application.h"
#include "forms/ComCtrls.h"
#include "forms/Forms.h"
#include "forms/gtk/FormImpl.h"

#include <tuple>

// Last: the X11 headers define macros that clash with other headers.
#include <gdk/gdkx.h>

using namespace Forms;
using namespace GuiTest;

namespace {

unsigned long XidOf(TForm& form) {
    return GDK_WINDOW_XID(gtk_widget_get_window(GTK_WIDGET(form.FormImpl().Window)));
}

bool Mapped(TForm& form) {
    return form.FormImpl().Window != nullptr && gtk_widget_get_mapped(GTK_WIDGET(form.FormImpl().Window));
}

// Shows the form and waits until the window manager has framed and placed it.
TFrameGeometry ShowAndMeasure(TForm& form, const std::function<bool(const TFrameGeometry&)>& settled) {
    form.Show();
    EXPECT_TRUE(RunUntil([&] { return Mapped(form); }));
    TFrameGeometry g;
    RunUntil([&] {
        g = FrameGeometry(XidOf(form));
        return settled(g);
    });
    RunFor(150);
    return FrameGeometry(XidOf(form));
}

// An 800 × 600 form centred on the desktop, with a border a person cannot resize.
void CentreFixed(TForm& form, TBorderStyle border) {
    form.SetCaption("vtr fixed border");
    form.SetBorderStyle(border);
    form.SetBounds(0, 0, 800, 600);
    form.SetPosition(poDesktopCenter);
}

} // namespace

TEST(FormGeometry, OuterSizeCentredOnTheDesktop) {
    TForm form;
    form.SetCaption("vtr geometry");
    form.SetBounds(50, 50, 800, 600);
    form.SetPosition(poDesktopCenter);
    const TFrameGeometry g = ShowAndMeasure(form, [](const TFrameGeometry& f) { return f.Width == 800; });
    EXPECT_EQ(g.Width, 800);
    EXPECT_EQ(g.Height, 600);
    EXPECT_EQ(g.X, (1280 - 800) / 2);
    EXPECT_EQ(g.Y, (1024 - 600) / 2);
    EXPECT_EQ(form.Width(), 800);
    EXPECT_EQ(form.Height(), 600);
}

TEST(FormGeometry, MinimumWidthWins) {
    TForm form;
    form.SetBounds(0, 0, 800, 600);
    form.SetConstraints({1000, 0, 0, 0});
    form.SetPosition(poDesktopCenter);
    const TFrameGeometry g = ShowAndMeasure(form, [](const TFrameGeometry& f) { return f.Width >= 1000; });
    EXPECT_EQ(g.Width, 1000);
}

TEST(FormGeometry, BorderlessMaximizedCoversTheScreen) {
    TForm form;
    form.SetBorderStyle(bsNone);
    form.SetWindowState(wsMaximized);
    const TFrameGeometry g = ShowAndMeasure(form, [](const TFrameGeometry& f) { return f.Width == 1280; });
    EXPECT_EQ(g.Width, 1280);
    EXPECT_EQ(g.Height, 1024);
    EXPECT_NE(WindowStateAtoms(XidOf(form)).find("_NET_WM_STATE_MAXIMIZED_VERT"), std::string::npos);
}

TEST(FormGeometry, FixedBordersKeepTheOuterSize) {
    for (const TBorderStyle border : {bsSingle, bsDialog}) {
        TForm form;
        CentreFixed(form, border);
        const TFrameGeometry g =
            ShowAndMeasure(form, [](const TFrameGeometry& f) { return f.Width == 800 && f.Height == 600; });
        EXPECT_EQ(std::make_tuple(g.X, g.Y, g.Width, g.Height),
                  std::make_tuple((1280 - 800) / 2, (1024 - 600) / 2, 800, 600))
            << "border " << border;
        EXPECT_EQ(std::make_pair(form.Width(), form.Height()), std::make_pair(800, 600))
            << "border " << border;
    }
}

TEST(FormState, FixedBordersMaximizeAndRestoreToTheirSize) {
    for (const TBorderStyle border : {bsSingle, bsDialog}) {
        TForm form;
        CentreFixed(form, border);
        form.SetWindowState(wsMaximized);
        const auto maximized = [&] {
            const std::string atoms = WindowStateAtoms(XidOf(form));
            return atoms.find("_NET_WM_STATE_MAXIMIZED_VERT") != std::string::npos &&
                   atoms.find("_NET_WM_STATE_MAXIMIZED_HORZ") != std::string::npos;
        };
        const TFrameGeometry g =
            ShowAndMeasure(form, [&](const TFrameGeometry& f) { return f.Width >= 1278; });
        EXPECT_TRUE(RunUntil(maximized)) << "border " << border << ": " << WindowStateAtoms(XidOf(form));
        EXPECT_GE(g.Width, 1278) << "border " << border;
        EXPECT_EQ(form.WindowState(), wsMaximized) << "border " << border;
        // Restored, the window has the fixed outer size again, and still cannot be resized.
        form.SetWindowState(wsNormal);
        TFrameGeometry restored;
        RunUntil([&] {
            restored = FrameGeometry(XidOf(form));
            return !maximized() && restored.Width == 800 && restored.Height == 600;
        });
        EXPECT_EQ(std::make_pair(restored.Width, restored.Height), std::make_pair(800, 600))
            << "border " << border;
        EXPECT_FALSE(gtk_window_get_resizable(form.FormImpl().Window)) << "border " << border;
        // And maximized again while shown, as a page asks it.
        form.SetWindowState(wsMaximized);
        EXPECT_TRUE(RunUntil(maximized)) << "border " << border << ": " << WindowStateAtoms(XidOf(form));
    }
}

TEST(FormState, StayOnTopAndStatesReachTheWindowManager) {
    TForm form;
    form.SetFormStyle(fsStayOnTop);
    ShowAndMeasure(form, [](const TFrameGeometry& f) { return f.Width > 0; });
    EXPECT_TRUE(RunUntil(
        [&] { return WindowStateAtoms(XidOf(form)).find("_NET_WM_STATE_ABOVE") != std::string::npos; }));
    form.SetFormStyle(fsNormal);
    EXPECT_TRUE(RunUntil(
        [&] { return WindowStateAtoms(XidOf(form)).find("_NET_WM_STATE_ABOVE") == std::string::npos; }));

    form.SetWindowState(wsMaximized);
    EXPECT_TRUE(
        RunUntil([&] { return WindowStateAtoms(XidOf(form)).find("MAXIMIZED_VERT") != std::string::npos; }));
    form.SetWindowState(wsMinimized);
    EXPECT_TRUE(RunUntil(
        [&] { return WindowStateAtoms(XidOf(form)).find("_NET_WM_STATE_HIDDEN") != std::string::npos; }));
    form.SetWindowState(wsNormal);
    // The form says the state it was asked for at once and throughout, never a step the window
    // manager passes on the way (deiconified, still maximized).
    bool steady = true;
    EXPECT_TRUE(RunUntil([&] {
        steady = steady && form.WindowState() == wsNormal;
        const std::string atoms = WindowStateAtoms(XidOf(form));
        return atoms.find("HIDDEN") == std::string::npos && atoms.find("MAXIMIZED") == std::string::npos;
    }));
    for (int i = 0; i < 20; ++i) {
        RunFor(25);
        steady = steady && form.WindowState() == wsNormal;
    }
    EXPECT_TRUE(steady);
    EXPECT_EQ(form.WindowState(), wsNormal);
}

TEST(FormState, EveryRestoreReturnsToTheNormalBounds) {
    TForm form;
    form.SetCaption("vtr restore");
    form.SetBounds(0, 0, 800, 600);
    form.SetPosition(poDesktopCenter);
    ShowAndMeasure(form, [](const TFrameGeometry& f) { return f.Width == 800; });
    // Where a person put it, away from the centre the form chose.
    const std::string id = std::to_string(XidOf(form));
    RunCommand("xdotool windowmove --sync " + id + " 130 90");
    TFrameGeometry before;
    RunUntil([&] {
        before = FrameGeometry(XidOf(form));
        return before.X != (1280 - 800) / 2 && form.Left() == before.X;
    });
    ASSERT_EQ(before.Width, 800);
    const auto maximized = [&] {
        return WindowStateAtoms(XidOf(form)).find("MAXIMIZED_VERT") != std::string::npos;
    };
    const struct {
        const char* Name;
        std::function<void()> Maximize;
        std::function<void()> Restore;
    } ways[] = {
        {"by the form", [&] { form.SetWindowState(wsMaximized); }, [&] { form.SetWindowState(wsNormal); }},
        {"by the window manager",
         [&] { RunCommand("wmctrl -i -r " + id + " -b add,maximized_vert,maximized_horz"); },
         [&] { RunCommand("wmctrl -i -r " + id + " -b remove,maximized_vert,maximized_horz"); }},
        {"borderless, as full screen",
         [&] {
             form.SetBorderStyle(bsNone);
             form.SetWindowState(wsMaximized);
         },
         [&] {
             form.SetWindowState(wsNormal);
             form.SetBorderStyle(bsSizeable);
         }},
    };
    for (const auto& way : ways) {
        way.Maximize();
        EXPECT_TRUE(RunUntil(maximized)) << way.Name;
        EXPECT_TRUE(RunUntil([&] { return FrameGeometry(XidOf(form)).Width >= 1278; })) << way.Name;
        // The form's bounds stay its normal ones while the window is maximized.
        EXPECT_EQ(form.Width(), 800) << way.Name;
        EXPECT_EQ(form.Height(), 600) << way.Name;
        way.Restore();
        TFrameGeometry after;
        RunUntil([&] {
            after = FrameGeometry(XidOf(form));
            return !maximized() && after.X == before.X && after.Y == before.Y &&
                   after.Width == before.Width && after.Height == before.Height;
        });
        RunFor(150);
        after = FrameGeometry(XidOf(form));
        EXPECT_EQ(std::make_tuple(after.X, after.Y, after.Width, after.Height),
                  std::make_tuple(before.X, before.Y, before.Width, before.Height))
            << way.Name;
    }
}

TEST(FormState, AFormShownMaximizedRestoresToItsBounds) {
    TForm form;
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 700, 500);
    form.SetPosition(poDesktopCenter);
    form.SetWindowState(wsMaximized);
    ShowAndMeasure(form, [](const TFrameGeometry& f) { return f.Width == 1280; });
    form.SetWindowState(wsNormal);
    form.SetBorderStyle(bsSizeable);
    TFrameGeometry g;
    RunUntil([&] {
        g = FrameGeometry(XidOf(form));
        return g.Width == 700 && g.Height == 500 && g.X == (1280 - 700) / 2;
    });
    RunFor(150);
    g = FrameGeometry(XidOf(form));
    EXPECT_EQ(std::make_tuple(g.X, g.Y, g.Width, g.Height),
              std::make_tuple((1280 - 700) / 2, (1024 - 500) / 2, 700, 500));
}

TEST(FormClose, TheCloseBoxAsksTheForm) {
    TForm form;
    form.SetCaption("vtr close protocol");
    bool allow = false;
    int asked = 0;
    form.OnCloseQuery = [&](TObject*, bool& CanClose) {
        ++asked;
        CanClose = allow;
    };
    ShowAndMeasure(form, [](const TFrameGeometry& f) { return f.Width > 0; });
    const std::string close = "wmctrl -i -c " + std::to_string(XidOf(form));
    RunCommand(close);
    EXPECT_TRUE(RunUntil([&] { return asked == 1; }));
    RunFor(200);
    EXPECT_TRUE(Mapped(form));
    allow = true;
    RunCommand(close);
    EXPECT_TRUE(RunUntil([&] { return !Mapped(form); }));
    EXPECT_EQ(asked, 2);
}

TEST(FormChildren, AnEmbeddedFormAndABottomBarShareTheClientArea) {
    TForm top;
    top.SetBounds(0, 0, 640, 480);
    TForm inner;
    inner.SetParent(&top);
    inner.SetAlign(alClient);
    inner.Show();
    TProgressBar bar;
    bar.SetParent(&inner);
    bar.SetHeight(4);
    bar.SetAlign(alBottom);
    bar.SetStyle(pbstMarquee);
    ShowAndMeasure(top, [](const TFrameGeometry& f) { return f.Width == 640; });
    EXPECT_TRUE(
        RunUntil([&] { return inner.Width() == top.ClientWidth() && inner.Height() == top.ClientHeight(); }));
    EXPECT_EQ(bar.Width(), inner.ClientWidth());
    EXPECT_EQ(bar.Top(), inner.ClientHeight() - 4);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time) needs no display; running them does.
    Application().Initialize();
    return RUN_ALL_TESTS();
}
