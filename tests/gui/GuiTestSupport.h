#pragma once

// Helpers of the form GUI tests: running the event loop, and reading windows back the way a
// person's tools do (xwininfo, xprop, wmctrl, xdotool).

#include <glib.h>

#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace GuiTestSupport {

inline bool PumpUntil(const std::function<bool()>& Done, int TimeoutMilliseconds = 5000) {
    const gint64 end = g_get_monotonic_time() + gint64{TimeoutMilliseconds} * 1000;
    while (g_get_monotonic_time() < end) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        if (Done()) {
            return true;
        }
        g_usleep(5000);
    }
    return Done();
}

inline void PumpFor(int Milliseconds) {
    PumpUntil([] { return false; }, Milliseconds);
}

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

inline std::string WindowStateAtoms(unsigned long Xid) {
    return RunCommand("xprop -id " + std::to_string(Xid) + " _NET_WM_STATE 2>/dev/null");
}

} // namespace GuiTestSupport
