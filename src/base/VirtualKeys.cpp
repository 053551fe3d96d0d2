#include "base/VirtualKeys.h"

#include <array>
#include <cstddef>

namespace Base {

namespace {

constexpr std::size_t RangeRows = 26 + 10 + 24 + 10; // letters, digits, F1-F24, keypad digits

constexpr TVirtualKeyRow NamedRows[] = {
    {0x08, 0xFF08}, // BACK: BackSpace
    {0x09, 0xFF09}, // TAB: Tab
    {0x09, 0xFE20}, //      ISO_Left_Tab (Shift+Tab)
    {0x0C, 0xFF0B}, // CLEAR: Clear
    {0x0C, 0xFF9D}, //        KP_Begin (keypad 5 without NumLock)
    {0x0D, 0xFF0D}, // RETURN: Return
    {0x0D, 0xFF8D}, //         KP_Enter
    {0x10, 0xFFE1}, // SHIFT: Shift_L
    {0x10, 0xFFE2}, //        Shift_R
    {0x11, 0xFFE3}, // CONTROL: Control_L
    {0x11, 0xFFE4}, //          Control_R
    {0x12, 0xFFE9}, // MENU (Alt): Alt_L
    {0x12, 0xFFEA}, //             Alt_R
    {0x12, 0xFE03}, //             ISO_Level3_Shift (AltGr)
    {0x13, 0xFF13}, // PAUSE: Pause
    {0x14, 0xFFE5}, // CAPITAL: Caps_Lock
    {0x1B, 0xFF1B}, // ESCAPE: Escape
    {0x20, 0x0020}, // SPACE: space
    {0x21, 0xFF55}, // PRIOR: Page_Up
    {0x21, 0xFF9A}, //        KP_Page_Up
    {0x22, 0xFF56}, // NEXT: Page_Down
    {0x22, 0xFF9B}, //       KP_Page_Down
    {0x23, 0xFF57}, // END: End
    {0x23, 0xFF9C}, //      KP_End
    {0x24, 0xFF50}, // HOME: Home
    {0x24, 0xFF95}, //       KP_Home
    {0x25, 0xFF51}, // LEFT: Left
    {0x25, 0xFF96}, //       KP_Left
    {0x26, 0xFF52}, // UP: Up
    {0x26, 0xFF97}, //     KP_Up
    {0x27, 0xFF53}, // RIGHT: Right
    {0x27, 0xFF98}, //        KP_Right
    {0x28, 0xFF54}, // DOWN: Down
    {0x28, 0xFF99}, //       KP_Down
    {0x2C, 0xFF61}, // SNAPSHOT: Print
    {0x2D, 0xFF63}, // INSERT: Insert
    {0x2D, 0xFF9E}, //         KP_Insert
    {0x2E, 0xFFFF}, // DELETE: Delete
    {0x2E, 0xFF9F}, //         KP_Delete
    {0x2F, 0xFF6A}, // HELP: Help
    {0x5B, 0xFFEB}, // LWIN: Super_L
    {0x5C, 0xFFEC}, // RWIN: Super_R
    {0x5D, 0xFF67}, // APPS: Menu
    {0x6A, 0xFFAA}, // MULTIPLY: KP_Multiply
    {0x6B, 0xFFAB}, // ADD: KP_Add
    {0x6C, 0xFFAC}, // SEPARATOR: KP_Separator
    {0x6D, 0xFFAD}, // SUBTRACT: KP_Subtract
    {0x6E, 0xFFAE}, // DECIMAL: KP_Decimal
    {0x6F, 0xFFAF}, // DIVIDE: KP_Divide
    {0x90, 0xFF7F}, // NUMLOCK: Num_Lock
    {0x91, 0xFF14}, // SCROLL: Scroll_Lock
    {0xBA, 0x003B}, // OEM_1: semicolon
    {0xBB, 0x002B}, // OEM_PLUS: plus (how a shortcut shows it)
    {0xBB, 0x003D}, //           equal (the key's own symbol on US keyboards)
    {0xBC, 0x002C}, // OEM_COMMA: comma
    {0xBD, 0x002D}, // OEM_MINUS: minus
    {0xBE, 0x002E}, // OEM_PERIOD: period
    {0xBF, 0x002F}, // OEM_2: slash
    {0xC0, 0x0060}, // OEM_3: grave
    {0xDB, 0x005B}, // OEM_4: bracketleft
    {0xDC, 0x005C}, // OEM_5: backslash
    {0xDD, 0x005D}, // OEM_6: bracketright
    {0xDE, 0x0027}, // OEM_7: apostrophe
    {0xE2, 0x003C}, // OEM_102: less (the extra key of ISO keyboards)
};

constexpr auto BuildTable() {
    std::array<TVirtualKeyRow, RangeRows + std::size(NamedRows)> rows{};
    std::size_t n = 0;
    for (std::uint32_t i = 0; i < 26; ++i) {
        rows[n++] = {'A' + i, 0x61 + i}; // a-z
    }
    for (std::uint32_t i = 0; i < 10; ++i) {
        rows[n++] = {'0' + i, 0x30 + i}; // 0-9
    }
    for (std::uint32_t i = 0; i < 24; ++i) {
        rows[n++] = {0x70 + i, 0xFFBE + i}; // F1-F24
    }
    for (std::uint32_t i = 0; i < 10; ++i) {
        rows[n++] = {0x60 + i, 0xFFB0 + i}; // KP_0-KP_9 (NumLock on)
    }
    for (const TVirtualKeyRow& row : NamedRows) {
        rows[n++] = row;
    }
    return rows;
}

constexpr auto Table = BuildTable();

constexpr std::uint32_t LowerLatinLetter(std::uint32_t KeySym) {
    return KeySym >= 0x41 && KeySym <= 0x5A ? KeySym + 0x20 : KeySym; // A-Z -> a-z
}

} // namespace

std::span<const TVirtualKeyRow> VirtualKeyTable() {
    return Table;
}

std::uint32_t VirtualKeyOfKeySym(std::uint32_t KeySym) {
    const std::uint32_t key = LowerLatinLetter(KeySym);
    for (const TVirtualKeyRow& row : Table) {
        if (row.KeySym == key) {
            return row.VirtualKey;
        }
    }
    return 0;
}

std::uint32_t KeySymOfVirtualKey(std::uint32_t VirtualKey) {
    for (const TVirtualKeyRow& row : Table) {
        if (row.VirtualKey == VirtualKey) {
            return row.KeySym;
        }
    }
    return 0;
}

std::uint32_t VirtualKeyOfStroke(std::uint32_t KeySym, std::uint32_t Unshifted) {
    if (IsKeypadKeySym(KeySym) || Unshifted == 0) {
        return VirtualKeyOfKeySym(KeySym);
    }
    const std::uint32_t key = VirtualKeyOfKeySym(Unshifted);
    return key != 0 ? key : VirtualKeyOfKeySym(KeySym);
}

} // namespace Base
