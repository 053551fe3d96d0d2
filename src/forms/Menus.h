#pragma once

// Menu items and the main menu (a form's menu bar).

#include "forms/Classes.h"
#include "forms/WinControl.h"

#include <memory>
#include <string>
#include <vector>

namespace Forms {

class TForm;
class TMainMenu;
class TVirtualImageList;

// A shortcut key: a virtual-key code combined with the modifier flags below (0: none).
using TShortCut = unsigned;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

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
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    // The upper-case letter or digit that "&" marks in the caption, or 0.
    char AccessKey() const;

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
    TShortCut FShortCut = 0;
    TMenuItem* FParent = nullptr; // not owned
    TMainMenu* FMenu = nullptr;   // set on the root item; not owned
    std::vector<std::unique_ptr<TMenuItem>> FItems;
};

class TMainMenu : public TObject {
public:
    TMainMenu();
    // Leaves the form that shows it.
    ~TMainMenu() override;

    // The top-level items are the children of this root item.
    TMenuItem& Items() { return *FItems; }
    TVirtualImageList* Images() const { return FImages; }
    // Not owned; the menu redraws its icons when the list reports a change (OnChange).
    void SetImages(TVirtualImageList* Value);
    // The form whose menu bar this is, or null.
    TForm* Form() const { return FForm; }

    // Rebuilds the native menu bar from the items (after items were added or removed).
    void Rebuild();

    // A key message offered to the menu (the form's shortcut handling). A key-down that
    // matches the shortcut of an enabled command runs it; Alt with the access key of an
    // enabled top-level item opens that item's menu (or runs it when it has none). True when
    // the key was used.
    bool IsShortCut(const TKeyMessage& Message);

    struct TImpl;
    TImpl& Impl() { return *FImpl; }

private:
    friend class TMenuItem;
    friend class TForm;
    void ImagesChanged();

    std::unique_ptr<TImpl> FImpl;
    std::unique_ptr<TMenuItem> FItems;
    TVirtualImageList* FImages = nullptr;
    TForm* FForm = nullptr; // not owned
};

} // namespace Forms
