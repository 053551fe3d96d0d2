#include "shared/archive/ZipCrypto.h"

#include <array>
#include <zlib.h>

namespace Shared {

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> CrcTable = MakeCrcTable();

inline std::uint32_t CrcStep(std::uint32_t Register, std::uint8_t Byte) {
    return CrcTable[(Register ^ Byte) & 0xFFu] ^ (Register >> 8);
}

} // namespace

TZipCrypto::TZipCrypto(std::string_view Password) {
    for (const char c : Password) {
        UpdateKeys(static_cast<std::uint8_t>(c));
    }
}

void TZipCrypto::UpdateKeys(std::uint8_t Plain) {
    FKey0 = CrcStep(FKey0, Plain);
    FKey1 = (FKey1 + (FKey0 & 0xFFu)) * 134775813u + 1u;
    FKey2 = CrcStep(FKey2, static_cast<std::uint8_t>(FKey1 >> 24));
}

std::uint8_t TZipCrypto::StreamByte() const {
    const std::uint32_t t = (FKey2 | 2u) & 0xFFFFu;
    return static_cast<std::uint8_t>((t * (t ^ 1u)) >> 8);
}

// The loops keep the keys in locals: every byte depends on the one before, so the chain of
// table look-ups and multiplications is the whole cost and nothing else may sit in it.
void TZipCrypto::Decrypt(std::uint8_t* Data, std::size_t Count) {
    std::uint32_t k0 = FKey0, k1 = FKey1, k2 = FKey2;
    for (std::size_t i = 0; i < Count; ++i) {
        const std::uint32_t t = (k2 | 2u) & 0xFFFFu;
        const auto plain =
            static_cast<std::uint8_t>(Data[i] ^ static_cast<std::uint8_t>((t * (t ^ 1u)) >> 8));
        Data[i] = plain;
        k0 = CrcStep(k0, plain);
        k1 = (k1 + (k0 & 0xFFu)) * 134775813u + 1u;
        k2 = CrcStep(k2, static_cast<std::uint8_t>(k1 >> 24));
    }
    FKey0 = k0;
    FKey1 = k1;
    FKey2 = k2;
}

void TZipCrypto::Encrypt(std::uint8_t* Data, std::size_t Count) {
    for (std::size_t i = 0; i < Count; ++i) {
        const std::uint8_t plain = Data[i];
        Data[i] = static_cast<std::uint8_t>(plain ^ StreamByte());
        UpdateKeys(plain);
    }
}

std::uint32_t TZipCrypto::CrcFromKey0(std::uint32_t Start, std::uint32_t End, std::uint64_t Length) {
    // The register update is linear: run from Start or from the CRC's own 0xFFFFFFFF, the
    // two registers differ by (Start ^ 0xFFFFFFFF) shifted through Length bytes, which is
    // what combining with an empty second part computes.
    const auto shifted =
        static_cast<std::uint32_t>(crc32_combine64(Start ^ 0xFFFFFFFFu, 0, static_cast<z_off64_t>(Length)));
    return End ^ shifted ^ 0xFFFFFFFFu;
}

} // namespace Shared
