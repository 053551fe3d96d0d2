#pragma once

// Named images and the image list a menu draws its icons from.

#include "forms/Classes.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Forms {

// A collection of named images, decoded from encoded bytes (PNG, JPEG, BMP, GIF, ICO, ...).
class TImageCollection : public TObject {
public:
    TImageCollection();
    ~TImageCollection() override;

    // Decodes Bytes and appends the image; false (nothing added) when they cannot be decoded.
    bool Add(const std::string& Name, std::string_view Bytes);
    void Clear();
    int Count() const;
    std::string Name(int Index) const;
    int IndexOf(std::string_view Name) const;

    struct TImpl;
    TImpl& Impl() { return *FImpl; }

private:
    std::unique_ptr<TImpl> FImpl;
};

// The images of a collection at one size; disabled variants are drawn in grey tones.
class TVirtualImageList : public TObject {
public:
    TImageCollection* ImageCollection() const { return FImageCollection; }
    void SetImageCollection(TImageCollection* Value) { FImageCollection = Value; } // not owned
    bool AutoFill() const { return FAutoFill; }
    void SetAutoFill(bool Value) { FAutoFill = Value; }
    bool DisabledGrayscale() const { return FDisabledGrayscale; }
    void SetDisabledGrayscale(bool Value) { FDisabledGrayscale = Value; }
    const std::string& DisabledSuffix() const { return FDisabledSuffix; }
    void SetDisabledSuffix(const std::string& Value) { FDisabledSuffix = Value; }
    bool PreserveItems() const { return FPreserveItems; }
    void SetPreserveItems(bool Value) { FPreserveItems = Value; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetSize(int AWidth, int AHeight);

    // With AutoFill, image n of the list is image n of the collection.
    int Count() const;
    // Tells the list that its collection changed; its users redraw.
    void ImageCollectionChanged();
    TNotifyEvent OnChange;

private:
    TImageCollection* FImageCollection = nullptr;
    bool FAutoFill = false;
    bool FDisabledGrayscale = false;
    std::string FDisabledSuffix = "_Disabled";
    bool FPreserveItems = false;
    int FWidth = 16;
    int FHeight = 16;
};

} // namespace Forms
