#include "base/VirtualKeys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>

namespace {

// X11 key symbols the cases use (GDK's key values are the same numbers).
constexpr std::uint32_t XkExclam = 0x21, XkOne = 0x31, XkA = 0x41, XkLowerA = 0x61, XkComma = 0x2C,
                        XkLess = 0x3C, XkPeriod = 0x2E, XkEqual = 0x3D, XkPlus = 0x2B, XkTab = 0xFF09,
                        XkIsoLeftTab = 0xFE20, XkKpOne = 0xFFB1, XkKpEnd = 0xFF9C, XkKpMultiply = 0xFFAA,
                        XkKpDivide = 0xFFAF, XkKpEnter = 0xFF8D, XkPause = 0xFF13, XkPrint = 0xFF61,
                        XkMenu = 0xFF67, XkCapsLock = 0xFFE5, XkF1 = 0xFFBE, XkF24 = 0xFFD5,
                        XkCyrillicA = 0x6C1;

TEST(VirtualKeys, EventsFoldShiftAndKeepTheKeypadAsNumLockMadeIt) {
    struct TCase {
        const char* Label;
        std::uint32_t KeySym;    // for the event's whole modifier state
        std::uint32_t Unshifted; // the same key without Shift and Caps Lock
        std::uint32_t Expected;
    };
    const TCase cases[] = {
        {"Shift+1 is the key 1", XkExclam, XkOne, 0x31},
        {"1", XkOne, XkOne, 0x31},
        {"Shift+a is the key A", XkA, XkLowerA, 0x41},
        {"a", XkLowerA, XkLowerA, 0x41},
        {"Caps Lock a", XkA, XkLowerA, 0x41},
        {"Shift+Tab", XkIsoLeftTab, XkTab, 0x09},
        {"Shift+comma (less) is the comma key", XkLess, XkComma, 0xBC},
        {"comma", XkComma, XkComma, 0xBC},
        {"period", XkPeriod, XkPeriod, 0xBE},
        {"Shift+equal (plus)", XkPlus, XkEqual, 0xBB},
        {"keypad 1 with NumLock", XkKpOne, XkKpOne, 0x61},
        {"keypad 1 without NumLock is End", XkKpEnd, XkKpEnd, 0x23},
        {"keypad End from Shift with NumLock", XkKpEnd, XkKpOne, 0x23},
        {"keypad *", XkKpMultiply, XkKpMultiply, 0x6A},
        {"keypad /", XkKpDivide, XkKpDivide, 0x6F},
        {"keypad Enter", XkKpEnter, XkKpEnter, 0x0D},
        {"Pause", XkPause, XkPause, 0x13},
        {"Print", XkPrint, XkPrint, 0x2C},
        {"Menu", XkMenu, XkMenu, 0x5D},
        {"Caps Lock", XkCapsLock, XkCapsLock, 0x14},
        {"F1", XkF1, XkF1, 0x70},
        {"F24", XkF24, XkF24, 0x87},
        {"a symbol whose key the keyboard cannot name", XkExclam, 0, 0},
        {"a synthetic event without a key code", XkPeriod, 0, 0xBE},
        {"a letter of another script has none", XkCyrillicA, XkCyrillicA, 0},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Base::VirtualKeyOfStroke(c.KeySym, c.Unshifted), c.Expected) << c.Label;
    }
}

TEST(VirtualKeys, EveryRowServesBothDirections) {
    std::set<std::uint32_t> keySyms;
    std::map<std::uint32_t, std::uint32_t> firstSymOf;
    for (const Base::TVirtualKeyRow& row : Base::VirtualKeyTable()) {
        EXPECT_NE(row.VirtualKey, 0u);
        EXPECT_TRUE(keySyms.insert(row.KeySym).second)
            << "key symbol 0x" << std::hex << row.KeySym << " twice";
        firstSymOf.emplace(row.VirtualKey, row.KeySym);
        // Symbol to key, and the key back to a symbol that names the same key.
        EXPECT_EQ(Base::VirtualKeyOfKeySym(row.KeySym), row.VirtualKey) << std::hex << row.KeySym;
        EXPECT_EQ(Base::VirtualKeyOfKeySym(Base::KeySymOfVirtualKey(row.VirtualKey)), row.VirtualKey)
            << std::hex << row.VirtualKey;
    }
    for (const auto& [key, sym] : firstSymOf) {
        EXPECT_EQ(Base::KeySymOfVirtualKey(key), sym) << std::hex << key;
    }
    // Letters stand as X11 names the key (lower case) and are found in either case; a shortcut
    // shows VK_OEM_PLUS as "+".
    EXPECT_EQ(Base::KeySymOfVirtualKey('A'), XkLowerA);
    EXPECT_EQ(Base::VirtualKeyOfKeySym(XkA), 0x41u);
    EXPECT_EQ(Base::KeySymOfVirtualKey(0xBB), XkPlus);
    EXPECT_EQ(Base::KeySymOfVirtualKey(0x61), XkKpOne);
    EXPECT_EQ(Base::KeySymOfVirtualKey(0x23), 0xFF57u); // End, not the keypad's
    EXPECT_EQ(Base::KeySymOfVirtualKey(0xFF), 0u);
    EXPECT_EQ(Base::VirtualKeyOfKeySym(0), 0u);
}

} // namespace
