#include "platform/Graphics.h"

#include "platform/LastError.h"

#include "base/glib/GLibPtr.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

namespace Platform {

namespace {

using Base::GLib::TGErrorOut;

template <class T>
Base::GLib::TGObjectPtr<T> Adopt(T* Object) {
    return Base::GLib::TGObjectPtr<T>::Adopt(Object);
}

bool FromPixbuf(GdkPixbuf* Pixbuf, TPixelImage& Image) {
    if (Pixbuf == nullptr || gdk_pixbuf_get_bits_per_sample(Pixbuf) != 8 ||
        gdk_pixbuf_get_colorspace(Pixbuf) != GDK_COLORSPACE_RGB) {
        SetLastErrorText("The image has an unsupported pixel format");
        return false;
    }
    const int width = gdk_pixbuf_get_width(Pixbuf);
    const int height = gdk_pixbuf_get_height(Pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(Pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(Pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(Pixbuf) != FALSE;
    const guchar* data = gdk_pixbuf_read_pixels(Pixbuf);
    Image.Width = width;
    Image.Height = height;
    Image.Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const guchar* row = data + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const guchar* p = row + static_cast<std::ptrdiff_t>(x) * channels;
            const std::uint32_t a = alpha ? p[3] : 0xFFu;
            Image.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)] =
                (a << 24) | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
        }
    }
    return true;
}

} // namespace

bool DecodeImage(std::string_view Bytes, TPixelImage& Image) {
    const auto loader = Adopt(gdk_pixbuf_loader_new());
    TGErrorOut writeError;
    const bool written = gdk_pixbuf_loader_write(loader.Get(), reinterpret_cast<const guchar*>(Bytes.data()),
                                                 Bytes.size(), writeError.Out()) != FALSE;
    TGErrorOut closeError;
    const bool closed = gdk_pixbuf_loader_close(loader.Get(), closeError.Out()) != FALSE;
    if (!written || !closed) {
        const GError* error = writeError ? writeError.Get() : closeError.Get();
        SetLastErrorText(error != nullptr ? error->message : "The image cannot be read");
        return false;
    }
    return FromPixbuf(gdk_pixbuf_loader_get_pixbuf(loader.Get()), Image);
}

bool FileIconImage(const std::string& Path, int Size, TPixelImage& Image) {
    const auto file = Adopt(g_file_new_for_path(Path.c_str()));
    TGErrorOut error;
    const auto info = Adopt(g_file_query_info(file.Get(), G_FILE_ATTRIBUTE_STANDARD_ICON,
                                              G_FILE_QUERY_INFO_NONE, nullptr, error.Out()));
    if (!info) {
        SetLastErrorText(error ? error.Message() : "The file cannot be read");
        return false;
    }
    GIcon* icon = g_file_info_get_icon(info.Get()); // owned by the info
    // A theme of its own: the default one needs a display, and the icon does not.
    const auto theme = Adopt(gtk_icon_theme_new());
    const auto found = Adopt(
        icon != nullptr ? gtk_icon_theme_lookup_by_gicon(theme.Get(), icon, Size, GTK_ICON_LOOKUP_FORCE_SIZE)
                        : nullptr);
    if (!found) {
        SetLastErrorText("No icon is installed for this file");
        return false;
    }
    TGErrorOut loadError;
    const auto pixbuf = Adopt(gtk_icon_info_load_icon(found.Get(), loadError.Out()));
    if (!pixbuf) {
        SetLastErrorText(loadError ? loadError.Message() : "The icon cannot be read");
        return false;
    }
    return FromPixbuf(pixbuf.Get(), Image);
}

int TextWidth(const std::string& Family, int PointSize, bool Bold, bool Italic, const std::string& Text) {
    // The thread's shared font map: made once, it keeps the fonts it has loaded.
    PangoFontMap* fontMap = pango_cairo_font_map_get_default();
    const auto context = Adopt(pango_font_map_create_context(fontMap));
    pango_cairo_context_set_resolution(context.Get(), 96.0);
    const Base::GLib::TOwned<PangoFontDescription, pango_font_description_free> font(
        pango_font_description_new());
    pango_font_description_set_family(font.get(), Family.c_str());
    pango_font_description_set_size(font.get(), PointSize * PANGO_SCALE);
    pango_font_description_set_weight(font.get(), Bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(font.get(), Italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    const auto layout = Adopt(pango_layout_new(context.Get()));
    pango_layout_set_font_description(layout.Get(), font.get());
    pango_layout_set_text(layout.Get(), Text.c_str(), static_cast<int>(Text.size()));
    int width = 0;
    pango_layout_get_pixel_size(layout.Get(), &width, nullptr);
    return width;
}

} // namespace Platform
