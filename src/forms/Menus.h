#pragma once

// Menu items and the main menu (a form's menu bar).

#include "forms/Classes.h"

#include <memory>
#include <string>
#include <vector>

namespace Forms {

class TMainMenu;
class TVirtualImageList;

class TMenuItem : public TObject {
public:
    TMenuItem();
    ~TMenuItem() override;

    // "-" draws a separator; "&" marks the next letter as the access key ("&&" is a "&").
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    const std::string& ImageName() const { return FImageName; }
    void SetImageName(const std::string& Value) { FImageName = Value; }

    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)).get(); }
    // Appends an item (owned from then on) and returns it.
    TMenuItem* Add(std::unique_ptr<TMenuItem> Item);
    void Clear();
    TMenuItem* Parent() const { return FParent; }
    TMainMenu* Menu() const;

    // Runs OnClick, as choosing the item does.
    void Click();
    TNotifyEvent OnClick;

    struct TImpl;
    TImpl& Impl() { return *FImpl; }

private:
    friend class TMainMenu;
    void Changed();

    std::unique_ptr<TImpl> FImpl;
    std::string FCaption;
    bool FEnabled = true;
    int FTag = 0;
    int FImageIndex = -1;
    std::string FImageName;
    TMenuItem* FParent = nullptr; // not owned
    TMainMenu* FMenu = nullptr;   // set on the root item; not owned
    std::vector<std::unique_ptr<TMenuItem>> FItems;
};

class TMainMenu : public TObject {
public:
    TMainMenu();
    ~TMainMenu() override;

    // The top-level items are the children of this root item.
    TMenuItem& Items() { return *FItems; }
    TVirtualImageList* Images() const { return FImages; }
    void SetImages(TVirtualImageList* Value); // not owned

    // Rebuilds the native menu bar from the items (after items were added or removed).
    void Rebuild();

    struct TImpl;
    TImpl& Impl() { return *FImpl; }

private:
    friend class TMenuItem;
    std::unique_ptr<TImpl> FImpl;
    std::unique_ptr<TMenuItem> FItems;
    TVirtualImageList* FImages = nullptr;
};

} // namespace Forms
