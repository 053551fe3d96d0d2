#pragma once

// ASCII-only text helpers: names, schemes and masks compare by ASCII case, whatever the locale.

#include <string>
#include <string_view>

namespace Base {

namespace Detail {

template <class C>
constexpr C LowerAscii(C Unit) {
    return Unit >= C('A') && Unit <= C('Z') ? static_cast<C>(Unit - C('A') + C('a')) : Unit;
}

template <class C>
constexpr bool EqualsIgnoreAsciiCase(std::basic_string_view<C> A, std::basic_string_view<C> B) {
    if (A.size() != B.size()) {
        return false;
    }
    for (std::size_t i = 0; i < A.size(); ++i) {
        if (LowerAscii(A[i]) != LowerAscii(B[i])) {
            return false;
        }
    }
    return true;
}

} // namespace Detail

constexpr char LowerAscii(char C) {
    return Detail::LowerAscii(C);
}
// UTF-16 names (resource and version keys) fold only their ASCII letters too.
constexpr char16_t LowerAscii(char16_t C) {
    return Detail::LowerAscii(C);
}

inline std::string ToLowerAscii(std::string_view Text) {
    std::string out(Text);
    for (char& c : out) {
        c = LowerAscii(c);
    }
    return out;
}

constexpr bool EqualsIgnoreAsciiCase(std::string_view A, std::string_view B) {
    return Detail::EqualsIgnoreAsciiCase(A, B);
}
constexpr bool EqualsIgnoreAsciiCase(std::u16string_view A, std::u16string_view B) {
    return Detail::EqualsIgnoreAsciiCase(A, B);
}

constexpr bool StartsWithIgnoreAsciiCase(std::string_view Text, std::string_view Prefix) {
    return Text.size() >= Prefix.size() && EqualsIgnoreAsciiCase(Text.substr(0, Prefix.size()), Prefix);
}

// Orders by ASCII case-blind bytes: a < B < c.
constexpr bool LessIgnoreAsciiCase(std::string_view A, std::string_view B) {
    const std::size_t n = A.size() < B.size() ? A.size() : B.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(LowerAscii(A[i]));
        const auto b = static_cast<unsigned char>(LowerAscii(B[i]));
        if (a != b) {
            return a < b;
        }
    }
    return A.size() < B.size();
}

// Text without the bytes up to 32 (controls and space) at either end.
constexpr std::string_view TrimAsciiSpace(std::string_view Text) {
    while (!Text.empty() && static_cast<unsigned char>(Text.front()) <= 32) {
        Text.remove_prefix(1);
    }
    while (!Text.empty() && static_cast<unsigned char>(Text.back()) <= 32) {
        Text.remove_suffix(1);
    }
    return Text;
}

// The value of a hexadecimal digit, or -1.
constexpr int HexDigitValue(char C) {
    if (C >= '0' && C <= '9') {
        return C - '0';
    }
    if (C >= 'a' && C <= 'f') {
        return C - 'a' + 10;
    }
    if (C >= 'A' && C <= 'F') {
        return C - 'A' + 10;
    }
    return -1;
}

// The digit of a value from 0 to 15.
constexpr char HexDigit(unsigned Value, bool Upper = true) {
    constexpr std::string_view upper = "0123456789ABCDEF";
    constexpr std::string_view lower = "0123456789abcdef";
    return (Upper ? upper : lower)[Value & 15];
}

} // namespace Base
