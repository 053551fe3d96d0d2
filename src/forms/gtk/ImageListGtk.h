#pragma once

#include "forms/ImageList.h"

#include "base/glib/GLibPtr.h"

#include <gtk/gtk.h>

namespace Forms {

struct TImageCollection::TImpl {
    struct TEntry {
        std::string Name;
        Base::GLib::TGObjectPtr<GdkPixbuf> Pixbuf;
    };
    std::vector<TEntry> Entries;
};

// Image Index of List's collection at the list's size times Scale, in grey tones when Disabled
// (and the list asks for it); none when there is no such image.
Base::GLib::TGObjectPtr<GdkPixbuf> RenderListImage(const TVirtualImageList& List, int Index, bool Disabled,
                                                   int Scale);

} // namespace Forms
