#pragma once

#include <cstddef>
#include <cstdint>

// The records of a ZIP archive that its reader needs: signatures, fixed sizes and the offsets
// of their fields.
namespace Shared::ZipFormat {

inline constexpr std::uint32_t LocalHeaderSignature = 0x04034B50u;
inline constexpr std::size_t LocalHeaderSize = 30;
inline constexpr std::size_t LocalNameLength = 26;
inline constexpr std::size_t LocalExtraLength = 28;

inline constexpr std::uint32_t CentralHeaderSignature = 0x02014B50u;
inline constexpr std::size_t CentralHeaderSize = 46;
inline constexpr std::size_t CentralFlags = 8;
inline constexpr std::size_t CentralMethod = 10;
inline constexpr std::size_t CentralTime = 12;
inline constexpr std::size_t CentralCrc = 16;
inline constexpr std::size_t CentralCompressedSize = 20;
inline constexpr std::size_t CentralSize = 24;
inline constexpr std::size_t CentralNameLength = 28;
inline constexpr std::size_t CentralExtraLength = 30;
inline constexpr std::size_t CentralCommentLength = 32;
inline constexpr std::size_t CentralLocalHeaderOffset = 42;

inline constexpr std::uint32_t EndSignature = 0x06054B50u;
inline constexpr std::size_t EndSize = 22;
inline constexpr std::size_t EndDisk = 4;
inline constexpr std::size_t EndDirectoryDisk = 6;
inline constexpr std::size_t EndEntriesOnDisk = 8;
inline constexpr std::size_t EndEntries = 10;
inline constexpr std::size_t EndDirectorySize = 12;
inline constexpr std::size_t EndDirectoryOffset = 16;
inline constexpr std::size_t EndCommentLength = 20;
inline constexpr std::size_t MaxCommentSize = 0xFFFF;

// Sits right before the end record of an archive that needs 64-bit sizes or counts.
inline constexpr std::uint32_t Zip64LocatorSignature = 0x07064B50u;
inline constexpr std::size_t Zip64LocatorSize = 20;

inline constexpr std::uint16_t FlagEncrypted = 0x0001;
inline constexpr std::uint16_t FlagStrongEncryption = 0x0040;

inline constexpr std::uint16_t MethodStored = 0;
inline constexpr std::uint16_t MethodDeflated = 8;

} // namespace Shared::ZipFormat
