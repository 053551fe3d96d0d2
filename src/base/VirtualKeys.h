#pragma once

// The one table between Windows virtual-key codes and X11 key symbols (which GDK's key values
// are). Plain numbers: the platform layers turn their key events into key symbols and back.

#include <cstdint>
#include <span>

namespace Base {

struct TVirtualKeyRow {
    std::uint32_t VirtualKey;
    std::uint32_t KeySym;
};

// Every row; a virtual key's first row gives the key symbol that stands for it (letters in
// lower case, as X11 names the key), later rows are other symbols of the same key.
std::span<const TVirtualKeyRow> VirtualKeyTable();

// The virtual key of a key symbol, letters in either case; 0 when it has none.
std::uint32_t VirtualKeyOfKeySym(std::uint32_t KeySym);

// The key symbol that stands for a virtual key; 0 when it has none.
std::uint32_t KeySymOfVirtualKey(std::uint32_t VirtualKey);

// Whether a key symbol belongs to the numeric keypad.
constexpr bool IsKeypadKeySym(std::uint32_t KeySym) {
    return KeySym >= 0xFF80 && KeySym <= 0xFFBD;
}

// The virtual key of a key event the way Windows reports it: KeySym is the symbol for the
// event's whole modifier state, Unshifted the same key translated without Shift and Caps Lock
// (0 when unknown). Shift is folded (Shift+1 is the key 1, Shift+a the key A), while the
// keypad keeps what NumLock and Shift made of it (KP_1 is NUMPAD1, KP_End is END).
std::uint32_t VirtualKeyOfStroke(std::uint32_t KeySym, std::uint32_t Unshifted);

} // namespace Base
