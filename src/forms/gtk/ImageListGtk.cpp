#include "forms/gtk/ImageListGtk.h"

namespace Forms {

TImageCollection::TImageCollection() : FImpl(std::make_unique<TImpl>()) {}

TImageCollection::~TImageCollection() {
    Clear();
}

bool TImageCollection::Add(const std::string& Name, std::string_view Bytes) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    const bool written = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(Bytes.data()),
                                                 Bytes.size(), nullptr) != FALSE;
    const bool closed = gdk_pixbuf_loader_close(loader, nullptr) != FALSE;
    GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf != nullptr) {
        FImpl->Entries.push_back({Name, GDK_PIXBUF(g_object_ref(pixbuf))});
    }
    g_object_unref(loader);
    return pixbuf != nullptr;
}

void TImageCollection::Clear() {
    for (auto& entry : FImpl->Entries) {
        g_object_unref(entry.Pixbuf);
    }
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

GdkPixbuf* RenderListImage(const TVirtualImageList& List, int Index, bool Disabled, int Scale) {
    TImageCollection* collection = List.ImageCollection();
    if (collection == nullptr || Index < 0 || Index >= List.Count()) {
        return nullptr;
    }
    GdkPixbuf* source = collection->Impl().Entries[static_cast<std::size_t>(Index)].Pixbuf;
    GdkPixbuf* scaled =
        gdk_pixbuf_scale_simple(source, List.Width() * Scale, List.Height() * Scale, GDK_INTERP_HYPER);
    if (scaled != nullptr && Disabled && List.DisabledGrayscale()) {
        gdk_pixbuf_saturate_and_pixelate(scaled, scaled, 0.0f, FALSE);
    }
    return scaled;
}

} // namespace Forms
