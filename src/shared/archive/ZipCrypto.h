#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Shared {

// The traditional PKWARE stream cipher of ZIP entries. It hides files from casual view and is
// no protection: the keys are derived from a password that every copy of the program holds.
class TZipCrypto {
public:
    static constexpr std::size_t HeaderSize = 12;

    explicit TZipCrypto(std::string_view Password);

    void Decrypt(std::uint8_t* Data, std::size_t Count);
    void Encrypt(std::uint8_t* Data, std::size_t Count);

    // The first key is the CRC-32 register over every plain byte seen so far (started from the
    // password's state): the entry's CRC follows from it without a second pass over the data.
    std::uint32_t Key0() const { return FKey0; }

    // The whole state: a stream may be resumed from any point whose keys were kept.
    struct TKeys {
        std::uint32_t Key0;
        std::uint32_t Key1;
        std::uint32_t Key2;
    };
    TKeys Keys() const { return {FKey0, FKey1, FKey2}; }
    void SetKeys(const TKeys& Keys) {
        FKey0 = Keys.Key0;
        FKey1 = Keys.Key1;
        FKey2 = Keys.Key2;
    }

    // CRC-32 of the plain bytes that moved Key0 from Start to End over Length bytes.
    static std::uint32_t CrcFromKey0(std::uint32_t Start, std::uint32_t End, std::uint64_t Length);

private:
    void UpdateKeys(std::uint8_t Plain);
    std::uint8_t StreamByte() const;

    std::uint32_t FKey0 = 0x12345678u;
    std::uint32_t FKey1 = 0x23456789u;
    std::uint32_t FKey2 = 0x34567890u;
};

} // namespace Shared
