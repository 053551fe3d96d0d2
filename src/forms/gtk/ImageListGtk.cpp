#include "forms/gtk/ImageListGtk.h"

#include "base/glib/Signals.h"

#include <algorithm>

namespace Forms {

TImageCollection::TImageCollection() : FImpl(std::make_unique<TImpl>()) {}

TImageCollection::~TImageCollection() {
    Clear();
}

namespace {

// Images are kept at most this large: icons are drawn far smaller, and a huge picture named
// as an icon must not hold its full size in memory.
constexpr int MaxImageSide = 256;

void OnSizePrepared(GdkPixbufLoader* Loader, int Width, int Height) {
    if (Width <= MaxImageSide && Height <= MaxImageSide) {
        return;
    }
    const double scale = static_cast<double>(MaxImageSide) / std::max(Width, Height);
    gdk_pixbuf_loader_set_size(Loader, std::max(1, static_cast<int>(Width * scale)),
                               std::max(1, static_cast<int>(Height * scale)));
}

// Grey tones at half opacity, so that a disabled icon recedes on light and dark menus alike.
// Pixbuf gets an alpha channel when it has none.
void FadeToGrey(Base::GLib::TGObjectPtr<GdkPixbuf>& Pixbuf) {
    if (!gdk_pixbuf_get_has_alpha(Pixbuf.Get())) {
        Pixbuf =
            Base::GLib::TGObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_add_alpha(Pixbuf.Get(), FALSE, 0, 0, 0));
    }
    GdkPixbuf* pixbuf = Pixbuf.Get();
    gdk_pixbuf_saturate_and_pixelate(pixbuf, pixbuf, 0.0f, FALSE);
    const int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    for (int y = 0; y < gdk_pixbuf_get_height(pixbuf); ++y) {
        for (int x = 0; x < gdk_pixbuf_get_width(pixbuf); ++x) {
            guchar& alpha = pixels[y * rowstride + x * 4 + 3];
            alpha = static_cast<guchar>(alpha / 2);
        }
    }
}

} // namespace

bool TImageCollection::Add(const std::string& Name, std::string_view Bytes) {
    if (Bytes.empty()) {
        return false;
    }
    const auto owned = Base::GLib::TGObjectPtr<GdkPixbufLoader>::Adopt(gdk_pixbuf_loader_new());
    GdkPixbufLoader* loader = owned.Get();
    Base::GLib::ConnectSignal<void(GdkPixbufLoader*, int, int)>(loader, "size-prepared", &OnSizePrepared);
    const bool written = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(Bytes.data()),
                                                 Bytes.size(), nullptr) != FALSE;
    const bool closed = gdk_pixbuf_loader_close(loader, nullptr) != FALSE;
    GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf != nullptr) {
        FImpl->Entries.push_back({Name, Base::GLib::TGObjectPtr<GdkPixbuf>::Ref(pixbuf)});
    }
    return pixbuf != nullptr;
}

void TImageCollection::Clear() {
    FImpl->Entries.clear();
}

int TImageCollection::Count() const {
    return static_cast<int>(FImpl->Entries.size());
}

std::string TImageCollection::Name(int Index) const {
    if (Index < 0 || Index >= Count()) {
        return {};
    }
    return FImpl->Entries[static_cast<std::size_t>(Index)].Name;
}

int TImageCollection::IndexOf(std::string_view Name) const {
    for (int i = 0; i < Count(); ++i) {
        if (FImpl->Entries[static_cast<std::size_t>(i)].Name == Name) {
            return i;
        }
    }
    return -1;
}

void TVirtualImageList::SetSize(int AWidth, int AHeight) {
    FWidth = AWidth;
    FHeight = AHeight;
    ImageCollectionChanged();
}

int TVirtualImageList::Count() const {
    return FAutoFill && FImageCollection != nullptr ? FImageCollection->Count() : 0;
}

void TVirtualImageList::ImageCollectionChanged() {
    if (OnChange) {
        OnChange(this);
    }
}

Base::GLib::TGObjectPtr<GdkPixbuf> RenderListImage(const TVirtualImageList& List, int Index, bool Disabled,
                                                   int Scale) {
    TImageCollection* collection = List.ImageCollection();
    if (collection == nullptr || Index < 0 || Index >= List.Count()) {
        return {};
    }
    // A disabled item shows the collection's "<name><DisabledSuffix>" image when there is one,
    // else its own image in grey tones.
    int source = Index;
    bool grey = Disabled && List.DisabledGrayscale();
    if (Disabled && !List.DisabledSuffix().empty()) {
        const int own = collection->IndexOf(collection->Name(Index) + List.DisabledSuffix());
        if (own >= 0) {
            source = own;
            grey = false;
        }
    }
    GdkPixbuf* pixbuf = collection->Impl().Entries[static_cast<std::size_t>(source)].Pixbuf.Get();
    auto scaled = Base::GLib::TGObjectPtr<GdkPixbuf>::Adopt(
        gdk_pixbuf_scale_simple(pixbuf, List.Width() * Scale, List.Height() * Scale, GDK_INTERP_HYPER));
    if (scaled && grey) {
        FadeToGrey(scaled);
    }
    return scaled;
}

} // namespace Forms
