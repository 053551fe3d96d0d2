#pragma once

#include "forms/ImageList.h"

#include <gtk/gtk.h>

namespace Forms {

struct TImageCollection::TImpl {
    struct TEntry {
        std::string Name;
        GdkPixbuf* Pixbuf = nullptr; // own reference
    };
    std::vector<TEntry> Entries;
};

// Image Index of List's collection at the list's size times Scale, in grey tones when Disabled
// (and the list asks for it). A new reference, or null.
GdkPixbuf* RenderListImage(const TVirtualImageList& List, int Index, bool Disabled, int Scale);

} // namespace Forms
