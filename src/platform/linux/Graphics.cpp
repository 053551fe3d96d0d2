#include "platform/Graphics.h"

#include "platform/LastError.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <memory>

namespace Platform {

namespace {

struct TUnref {
    void operator()(gpointer Object) const { g_object_unref(Object); }
};
template <typename T>
using TObjectPtr = std::unique_ptr<T, TUnref>;
struct TGErrorFree {
    void operator()(GError* Error) const { g_error_free(Error); }
};
using TGErrorPtr = std::unique_ptr<GError, TGErrorFree>;
struct TFontDescriptionFree {
    void operator()(PangoFontDescription* Description) const { pango_font_description_free(Description); }
};

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
    TObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
    GError* raw = nullptr;
    const bool written = gdk_pixbuf_loader_write(loader.get(), reinterpret_cast<const guchar*>(Bytes.data()),
                                                 Bytes.size(), &raw) != FALSE;
    TGErrorPtr writeError(raw);
    raw = nullptr;
    const bool closed = gdk_pixbuf_loader_close(loader.get(), &raw) != FALSE;
    TGErrorPtr closeError(raw);
    if (!written || !closed) {
        const GError* error = writeError ? writeError.get() : closeError.get();
        SetLastErrorText(error != nullptr ? error->message : "The image cannot be read");
        return false;
    }
    return FromPixbuf(gdk_pixbuf_loader_get_pixbuf(loader.get()), Image);
}

bool FileIconImage(const std::string& Path, int Size, TPixelImage& Image) {
    TObjectPtr<GFile> file(g_file_new_for_path(Path.c_str()));
    GError* raw = nullptr;
    TObjectPtr<GFileInfo> info(
        g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_ICON, G_FILE_QUERY_INFO_NONE, nullptr, &raw));
    TGErrorPtr error(raw);
    if (!info) {
        SetLastErrorText(error ? error->message : "The file cannot be read");
        return false;
    }
    GIcon* icon = g_file_info_get_icon(info.get()); // owned by the info
    // A theme of its own: the default one needs a display, and the icon does not.
    TObjectPtr<GtkIconTheme> theme(gtk_icon_theme_new());
    TObjectPtr<GtkIconInfo> found(
        icon != nullptr ? gtk_icon_theme_lookup_by_gicon(theme.get(), icon, Size, GTK_ICON_LOOKUP_FORCE_SIZE)
                        : nullptr);
    if (!found) {
        SetLastErrorText("No icon is installed for this file");
        return false;
    }
    raw = nullptr;
    TObjectPtr<GdkPixbuf> pixbuf(gtk_icon_info_load_icon(found.get(), &raw));
    TGErrorPtr loadError(raw);
    if (!pixbuf) {
        SetLastErrorText(loadError ? loadError->message : "The icon cannot be read");
        return false;
    }
    return FromPixbuf(pixbuf.get(), Image);
}

int TextWidth(const std::string& Family, int PointSize, bool Bold, bool Italic, const std::string& Text) {
    // The thread's shared font map: made once, it keeps the fonts it has loaded.
    PangoFontMap* fontMap = pango_cairo_font_map_get_default();
    TObjectPtr<PangoContext> context(pango_font_map_create_context(fontMap));
    pango_cairo_context_set_resolution(context.get(), 96.0);
    std::unique_ptr<PangoFontDescription, TFontDescriptionFree> font(pango_font_description_new());
    pango_font_description_set_family(font.get(), Family.c_str());
    pango_font_description_set_size(font.get(), PointSize * PANGO_SCALE);
    pango_font_description_set_weight(font.get(), Bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(font.get(), Italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    TObjectPtr<PangoLayout> layout(pango_layout_new(context.get()));
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_text(layout.get(), Text.c_str(), static_cast<int>(Text.size()));
    int width = 0;
    pango_layout_get_pixel_size(layout.get(), &width, nullptr);
    return width;
}

} // namespace Platform
