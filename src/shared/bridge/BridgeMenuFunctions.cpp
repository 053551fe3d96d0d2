#include "base/Ascii.h"
#include "base/RegularFile.h"
#include "forms/ImageList.h"
#include "forms/Menus.h"
#include "shared/bridge/BrowserExternalForm.h"
#include "shared/bridge/BrowserExternalModule.h"
#include "shared/host/BrowserForm.h"
#include "shared/text/StrUtils.h"

#include <charconv>
#include <cmath>

// Bridge functions of the native main menu: the page describes the menu in JSON, changes single
// items later, and hears of clicks through vtr.events.onMainMenuItemClick.

namespace Shared {

namespace {

// Submenus nested deeper than this are refused as a wrong item: no one can use such a menu,
// and building it would recurse once per level.
constexpr int MaxMenuDepth = 64;

// An icon file larger than this is refused like one that cannot be decoded: reading it whole
// (a page may name any path) must not exhaust the memory.
constexpr std::size_t MaxIconBytes = 16 * 1024 * 1024;

// A member of an item object as text: absent, an object or an array give false; null reads as
// the text "null", like any other value in its JSON form.
bool TryGetItemText(const nlohmann::json& Obj, std::string_view Name, std::string& Text) {
    const auto it = Obj.find(Name);
    if (it != Obj.end() && it->is_null()) {
        Text = "null";
        return true;
    }
    return TryGetTextArg(Obj, Name, Text);
}

// "true" or "false" in any letter case, or a number (0 is false); anything else is an argument
// error.
bool TextToBool(const std::string& Text) {
    if (Base::EqualsIgnoreAsciiCase(Text, "true")) {
        return true;
    }
    if (Base::EqualsIgnoreAsciiCase(Text, "false")) {
        return false;
    }
    double number = 0;
    const char* first = Text.data();
    const char* last = Text.data() + Text.size();
    const bool numeric = first != last && (std::isdigit(static_cast<unsigned char>(*first)) != 0 ||
                                           *first == '-' || *first == '+' || *first == '.');
    if (numeric && *first == '+') {
        ++first; // from_chars takes no plus sign
    }
    const auto [end, error] = std::from_chars(first, last, number);
    if (!numeric || error != std::errc() || end != last || !std::isfinite(number)) {
        throw EBridgeArgumentError("\"" + Text + "\" is not a valid Boolean value");
    }
    return number != 0;
}

} // namespace

void TBrowserExternalModule::MainMenuSetItems(const std::string& Uuid, const nlohmann::json& Data) {
    std::string items;
    if (!GetRequiredTextArg(Uuid, Data, "items", items, "Missing menu items")) {
        return;
    }
    Forms::TMainMenu& menu = *FBrowserExternalForm->MainMenu();
    if (FMainForm != nullptr && FMainForm->Menu() != &menu) {
        FMainForm->SetMenu(&menu);
    }
    menu.Items().Clear();
    FBrowserExternalForm->MainMenuImageCollection()->Clear();
    FBrowserExternalForm->MainMenuVirtualImageList()->ImageCollectionChanged();

    const nlohmann::json parsed = nlohmann::json::parse(items, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_array()) {
        PostFailure(Uuid, TextResult("Wrong menu items JSON"));
        return;
    }
    bool wrongItem = false;
    try {
        for (const nlohmann::json& element : parsed) {
            if (!element.is_object()) {
                throw EBridgeArgumentError("A menu item is not a JSON object");
            }
            Forms::TMenuItem* item = menu.Items().Add(std::make_unique<Forms::TMenuItem>());
            if (!BuildMenuItem(element, *item, 1)) {
                wrongItem = true;
                break;
            }
        }
    } catch (...) {
        // The call is left unanswered; the items built so far stay, and are shown.
        menu.Rebuild();
        throw;
    }
    if (wrongItem) {
        menu.Items().Clear();
        PostFailure(Uuid, TextResult("Wrong menu item JSON"));
        return;
    }
    menu.Rebuild();
    PostSuccess(Uuid, BoolResult(true));
}

bool TBrowserExternalModule::BuildMenuItem(const nlohmann::json& Element, Forms::TMenuItem& MenuItem,
                                           int Depth) {
    std::string caption;
    std::string idText;
    if (!TryGetItemText(Element, "caption", caption) || !TryGetItemText(Element, "id", idText)) {
        return false;
    }
    int id = 0;
    if (!TStrUtils::TryStrToInt(idText, id)) {
        id = 0;
    }
    MenuItem.SetTag(id);
    MenuItem.SetCaption(caption);
    std::string enabled;
    if (TryGetItemText(Element, "enabled", enabled)) {
        MenuItem.SetEnabled(TextToBool(enabled));
    }
    std::string image;
    if (TryGetItemText(Element, "image", image)) {
        LoadMenuItemImage(image, MenuItem);
    }
    const auto children = Element.find("items");
    if (children == Element.end()) {
        MenuItem.OnClick = [this](Forms::TObject* Sender) { MainMenuItemClick(Sender); };
        return true;
    }
    if (!children->is_array() || Depth >= MaxMenuDepth) {
        return false;
    }
    for (const nlohmann::json& child : *children) {
        if (!child.is_object()) {
            throw EBridgeArgumentError("A menu item is not a JSON object");
        }
        Forms::TMenuItem* item = MenuItem.Add(std::make_unique<Forms::TMenuItem>());
        if (!BuildMenuItem(child, *item, Depth + 1)) {
            return false;
        }
    }
    return true;
}

void TBrowserExternalModule::LoadMenuItemImage(const std::string& Image, Forms::TMenuItem& MenuItem) {
    // The first source that has it: the archive, the executable's folder, the path itself.
    std::string bytes;
    bool tooLarge = false;
    if (FExeZip != nullptr && FExeZip->FindFile(Image) >= 0) {
        // The archive is in memory already; its entries are as large as the packer let them be.
        bytes = FExeZip->ExtractToString(Image);
    } else {
        // A folder, a device or a pipe is never an icon; the path itself is tried only when
        // nothing is found beside the executable.
        Base::TFileRead read = Base::ReadRegularFile(AppDirPath() + Image, bytes, MaxIconBytes);
        if (read == Base::TFileRead::Failed) {
            read = Base::ReadRegularFile(Image, bytes, MaxIconBytes);
        }
        tooLarge = read == Base::TFileRead::TooLarge;
    }
    if (bytes.empty() && !tooLarge) {
        return; // no such icon: the item simply has none
    }
    Forms::TImageCollection& collection = *FBrowserExternalForm->MainMenuImageCollection();
    const int index = collection.Count();
    const std::string name = "MainMenuImg" + std::to_string(index);
    if (tooLarge || bytes.size() > MaxIconBytes || !collection.Add(name, bytes)) {
        throw EBridgeArgumentError("The menu icon \"" + Image + "\" is not an image that can be read");
    }
    FBrowserExternalForm->MainMenuVirtualImageList()->ImageCollectionChanged();
    MenuItem.SetImageName(name);
    MenuItem.SetImageIndex(index);
}

void TBrowserExternalModule::MainMenuUpdateItem(const std::string& Uuid, const nlohmann::json& Data) {
    std::string idText;
    if (!GetRequiredTextArg(Uuid, Data, "id", idText, "Missing item ID")) {
        return;
    }
    int id = -1;
    if (!TStrUtils::TryStrToInt(idText, id)) {
        id = -1;
    }
    if (id == -1) {
        PostFailure(Uuid, TextResult("Wrong item ID"));
        return;
    }
    Forms::TMenuItem& root = FBrowserExternalForm->MainMenu()->Items();
    if (root.Count() == 0) {
        PostFailure(Uuid, TextResult("No menu items"));
        return;
    }
    Forms::TMenuItem* item = nullptr;
    for (int i = 0; i < root.Count() && item == nullptr; ++i) {
        item = FindMenuItemById(root.Items(i), id);
    }
    if (item != nullptr) {
        const std::string caption = GetTextArg(Data, "caption", "");
        if (!caption.empty()) {
            item->SetCaption(caption);
        }
        const std::string enabled = GetTextArg(Data, "enabled", "");
        if (!enabled.empty()) {
            item->SetEnabled(TextToBool(enabled));
        }
        const std::string image = GetTextArg(Data, "image", "");
        if (!image.empty()) {
            LoadMenuItemImage(image, *item);
        }
    }
    PostSuccess(Uuid, BoolResult(true));
}

Forms::TMenuItem* TBrowserExternalModule::FindMenuItemById(Forms::TMenuItem* Item, int Id) {
    if (Item == nullptr || Item->Tag() == Id) {
        return Item;
    }
    for (int i = 0; i < Item->Count(); ++i) {
        if (Forms::TMenuItem* found = FindMenuItemById(Item->Items(i), Id)) {
            return found;
        }
    }
    return nullptr;
}

void TBrowserExternalModule::MainMenuItemClick(Forms::TObject* Sender) {
    const auto* item = dynamic_cast<Forms::TMenuItem*>(Sender);
    if (item == nullptr || FBrowserForm == nullptr || FBrowserForm->EdgeBrowser() == nullptr) {
        return;
    }
    FBrowserForm->EdgeBrowser()->ExecuteScript("vtr.events.onMainMenuItemClick(" +
                                               std::to_string(item->Tag()) + ");");
}

} // namespace Shared
