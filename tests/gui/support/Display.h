#pragma once

// What the GUI tests share to drive the display: running the event loop, reading windows back the
// way a person's tools do (xwininfo, xprop, wmctrl, xdotool), screen pixels and screenshots.
// Header-only, so that every GUI test program can use it, those without an engine too.

#include "base/glib/GLibPtr.h"
#include "forms/StyleDefinition.h"

#include <gtk/gtk.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace GuiTest {

using Forms::TStyleColor;

// Runs the GUI thread's event loop until Done() holds or TimeoutMs passes; returns Done().
inline bool RunUntil(const std::function<bool()>& Done, int TimeoutMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return Done();
        }
        // A wake-up now and then, so that the deadline is seen while the loop is idle.
        const guint wake = g_timeout_add(
            20, [](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
        g_main_context_iteration(nullptr, TRUE);
        if (GSource* source = g_main_context_find_source_by_id(nullptr, wake)) {
            g_source_destroy(source);
        }
    }
    return true;
}

// Runs the event loop for Ms milliseconds.
inline void RunFor(int Ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    RunUntil([&] { return std::chrono::steady_clock::now() >= until; }, Ms + 1000);
}

// What a command prints on standard output.
inline std::string RunCommand(const std::string& Command) {
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(Command.c_str(), "r"), &pclose);
    if (!pipe) {
        return output;
    }
    std::array<char, 4096> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe.get()) != nullptr) {
        output += buffer.data();
    }
    return output;
}

struct TFrameGeometry {
    int X = -1;
    int Y = -1;
    int Width = -1;
    int Height = -1;
};

// The outer geometry of a client window, frame included, as xwininfo and xprop report it:
// the client's position and size grown by the window manager's _NET_FRAME_EXTENTS.
inline TFrameGeometry FrameGeometry(unsigned long Xid) {
    const std::string id = std::to_string(Xid);
    const std::string info = RunCommand("xwininfo -id " + id + " 2>/dev/null");
    TFrameGeometry g;
    const auto read = [&](const char* label, int& value) {
        const auto at = info.find(label);
        if (at != std::string::npos) {
            value = std::atoi(info.c_str() + at + std::string(label).size());
        }
    };
    read("Absolute upper-left X:", g.X);
    read("Absolute upper-left Y:", g.Y);
    read("Width:", g.Width);
    read("Height:", g.Height);
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    const std::string extents = RunCommand("xprop -id " + id + " _NET_FRAME_EXTENTS 2>/dev/null");
    const auto eq = extents.find('=');
    if (eq != std::string::npos) {
        std::sscanf(extents.c_str() + eq + 1, " %d, %d, %d, %d", &left, &right, &top, &bottom);
    }
    g.X -= left;
    g.Y -= top;
    g.Width += left + right;
    g.Height += top + bottom;
    return g;
}

// The window's _NET_WM_STATE as xprop prints it.
inline std::string WindowStateAtoms(unsigned long Xid) {
    return RunCommand("xprop -id " + std::to_string(Xid) + " _NET_WM_STATE 2>/dev/null");
}

// One pixel at (X, Y) of a GDK window as the X server shows it; alpha 0 when it cannot be read.
inline TStyleColor WindowPixel(GdkWindow* Window, int X, int Y) {
    gdk_display_sync(gdk_display_get_default());
    const auto pixbuf = Base::GLib::TGObjectPtr<GdkPixbuf>::Adopt(
        Window != nullptr ? gdk_pixbuf_get_from_window(Window, X, Y, 1, 1) : nullptr);
    if (!pixbuf) {
        return TStyleColor{0, 0, 0, 0};
    }
    const guchar* p = gdk_pixbuf_read_pixels(pixbuf.Get());
    return TStyleColor{p[0], p[1], p[2], 255};
}

// One pixel of the screen.
inline TStyleColor ScreenPixel(int X, int Y) {
    return WindowPixel(gdk_get_default_root_window(), X, Y);
}

// One pixel at (X, Y) of Widget, read from its top-level window.
inline TStyleColor ScreenPixel(GtkWidget* Widget, int X, int Y) {
    GtkWidget* top = gtk_widget_get_toplevel(Widget);
    int tx = 0;
    int ty = 0;
    gtk_widget_translate_coordinates(Widget, top, X, Y, &tx, &ty);
    return WindowPixel(gtk_widget_get_window(top), tx, ty);
}

// Colours that differ by no more than rounding.
inline bool Near(TStyleColor A, TStyleColor B) {
    const auto close = [](int x, int y) { return std::abs(x - y) <= 3; };
    return close(A.R, B.R) && close(A.G, B.G) && close(A.B, B.B);
}

// Saves the whole screen as Folder/Name.png, for a person to look at when a test fails.
inline bool SaveScreen(const std::string& Folder, const std::string& Name) {
    std::filesystem::create_directories(Folder);
    GdkWindow* root = gdk_get_default_root_window();
    const auto pixbuf = Base::GLib::TGObjectPtr<GdkPixbuf>::Adopt(
        gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root)));
    const std::string path = Folder + "/" + Name + ".png";
    return pixbuf && gdk_pixbuf_save(pixbuf.Get(), path.c_str(), "png", nullptr, nullptr) != FALSE;
}

} // namespace GuiTest
