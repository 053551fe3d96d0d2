#include "platform/WindowIdentity.h"

#include "base/glib/GLibPtr.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <gtk/gtk.h>

#include <algorithm>

namespace Platform {

namespace {

using Base::GLib::TGErrorOut;
using TPixbuf = Base::GLib::TGObjectPtr<GdkPixbuf>;

// _NET_WM_ICON holds every size at once: larger ones cost a megabyte per window and no window
// manager shows them.
constexpr int LargestSide = 256;
constexpr int ScalableSides[] = {16, 24, 32, 48, 64, 128, 256};

// The image at its own size, or drawn to fit Side x Side when Side is given.
TPixbuf Load(const std::string& bytes, int side) {
    auto stream = Base::GLib::TGObjectPtr<GInputStream>::Adopt(
        g_memory_input_stream_new_from_data(bytes.data(), static_cast<gssize>(bytes.size()), nullptr));
    TGErrorOut error;
    return TPixbuf::Adopt(
        side > 0 ? gdk_pixbuf_new_from_stream_at_scale(stream.Get(), side, side, TRUE, nullptr, error.Out())
                 : gdk_pixbuf_new_from_stream(stream.Get(), nullptr, error.Out()));
}

TPixbuf AtMostLargest(TPixbuf pixbuf) {
    const int width = gdk_pixbuf_get_width(pixbuf.Get());
    const int height = gdk_pixbuf_get_height(pixbuf.Get());
    if (std::max(width, height) <= LargestSide) {
        return pixbuf;
    }
    const double scale = static_cast<double>(LargestSide) / std::max(width, height);
    return TPixbuf::Adopt(gdk_pixbuf_scale_simple(pixbuf.Get(), std::max(1, static_cast<int>(width * scale)),
                                                  std::max(1, static_cast<int>(height * scale)),
                                                  GDK_INTERP_HYPER));
}

} // namespace

bool SetDefaultWindowIcon(const std::vector<TWindowIconImage>& Images) {
    std::vector<TPixbuf> pixbufs;
    for (const TWindowIconImage& image : Images) {
        if (image.Scalable) {
            for (const int side : ScalableSides) {
                if (TPixbuf p = Load(image.Bytes, side)) {
                    pixbufs.push_back(std::move(p));
                }
            }
        } else if (TPixbuf p = Load(image.Bytes, 0)) {
            pixbufs.push_back(AtMostLargest(std::move(p)));
        }
    }
    if (pixbufs.empty()) {
        return false;
    }
    GList* list = nullptr;
    for (auto it = pixbufs.rbegin(); it != pixbufs.rend(); ++it) {
        list = g_list_prepend(list, it->Get());
    }
    // GTK takes its own references; the list itself stays ours.
    gtk_window_set_default_icon_list(list);
    g_list_free(list);
    return true;
}

void SetWindowClass(const std::string& Name) {
    // GDK reads both when it creates a window: the program name is WM_CLASS's name part.
    g_set_prgname(Name.c_str());
    gdk_set_program_class(Name.c_str());
}

} // namespace Platform
