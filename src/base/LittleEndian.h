#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Shared {

// Little-endian fields of binary formats (PE images, resources, icon files). The caller checks
// the bounds; these only read and write.
inline std::uint16_t GetU16(std::string_view Bytes, std::size_t At) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(Bytes[At]) |
                                      static_cast<std::uint8_t>(Bytes[At + 1]) << 8);
}

inline std::uint32_t GetU32(std::string_view Bytes, std::size_t At) {
    return static_cast<std::uint32_t>(GetU16(Bytes, At)) | static_cast<std::uint32_t>(GetU16(Bytes, At + 2))
                                                               << 16;
}

inline void PutU16(std::string& Bytes, std::size_t At, std::uint16_t Value) {
    Bytes[At] = static_cast<char>(Value & 0xFF);
    Bytes[At + 1] = static_cast<char>(Value >> 8);
}

inline void PutU32(std::string& Bytes, std::size_t At, std::uint32_t Value) {
    PutU16(Bytes, At, static_cast<std::uint16_t>(Value & 0xFFFF));
    PutU16(Bytes, At + 2, static_cast<std::uint16_t>(Value >> 16));
}

inline void AppendU16(std::string& Bytes, std::uint16_t Value) {
    Bytes.push_back(static_cast<char>(Value & 0xFF));
    Bytes.push_back(static_cast<char>(Value >> 8));
}

inline void AppendU32(std::string& Bytes, std::uint32_t Value) {
    AppendU16(Bytes, static_cast<std::uint16_t>(Value & 0xFFFF));
    AppendU16(Bytes, static_cast<std::uint16_t>(Value >> 16));
}

// Value rounded up to a multiple of Alignment (a power of two), in 64 bits so nothing wraps.
inline std::uint64_t AlignUp(std::uint64_t Value, std::uint64_t Alignment) {
    return (Value + Alignment - 1) & ~(Alignment - 1);
}

} // namespace Shared
