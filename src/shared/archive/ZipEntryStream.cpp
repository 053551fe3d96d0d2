#include "shared/archive/ZipEntryStream.h"

#include "base/LittleEndian.h"
#include "shared/archive/ZipFormat.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <zlib.h>

namespace Shared {

namespace {

using namespace ZipFormat;

constexpr std::size_t Chunk = 64 * 1024;

// Where the entry's data begins: behind the local header's own name and extra field, whose
// lengths may differ from the directory's.
std::optional<std::uint64_t> DataOffset(const TZipSource& Source, const TZipEntry& Entry) {
    std::array<char, LocalHeaderSize> header{};
    if (!Source.ReadAt(Entry.LocalHeaderOffset, header.data(), header.size())) {
        return std::nullopt;
    }
    const std::string_view bytes(header.data(), header.size());
    if (GetU32(bytes, 0) != LocalHeaderSignature) {
        return std::nullopt;
    }
    return Entry.LocalHeaderOffset + LocalHeaderSize + GetU16(bytes, LocalNameLength) +
           GetU16(bytes, LocalExtraLength);
}

std::uint32_t Crc32(std::uint32_t Crc, const std::uint8_t* Data, std::size_t Count) {
    return static_cast<std::uint32_t>(crc32(Crc, Data, static_cast<uInt>(Count)));
}

} // namespace

std::optional<std::pair<std::uint64_t, TZipCrypto::TKeys>>
TZipCheckpoints::Before(std::uint64_t Entry, std::uint64_t Position) const {
    const std::lock_guard<std::mutex> guard(FLock);
    const auto entry = FPoints.find(Entry);
    if (entry == FPoints.end()) {
        return std::nullopt;
    }
    auto point = entry->second.upper_bound(Position);
    if (point == entry->second.begin()) {
        return std::nullopt;
    }
    --point;
    return *point;
}

void TZipCheckpoints::Keep(std::uint64_t Entry, std::uint64_t Position, const TZipCrypto::TKeys& Keys) {
    const std::lock_guard<std::mutex> guard(FLock);
    FPoints[Entry].try_emplace(Position, Keys);
}

// Raw deflate state, with the output not yet handed out.
struct TZipEntryStream::TInflater {
    TInflater() { Ready = inflateInit2(&Stream, -MAX_WBITS) == Z_OK; }
    ~TInflater() {
        if (Ready) {
            inflateEnd(&Stream);
        }
    }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    z_stream Stream{};
    bool Ready = false;
    bool Ended = false;
    std::array<std::uint8_t, Chunk> Output{};
    std::size_t Pending = 0; // bytes of Output not yet given
    std::size_t Given = 0;   // of those, given already
};

TZipEntryStream::TZipEntryStream(std::shared_ptr<const TZipSource> Source, const TZipEntry& Entry,
                                 std::uint64_t Index, std::string Password,
                                 std::shared_ptr<TZipCheckpoints> Checkpoints)
    : FSource(std::move(Source)), FEntry(Entry), FIndex(Index), FPassword(std::move(Password)),
      FCheckpoints(std::move(Checkpoints)) {}

TZipEntryStream::~TZipEntryStream() = default;

bool TZipEntryStream::Open() {
    FEncrypted = (FEntry.Flags & FlagEncrypted) != 0;
    if (!FSource || (FEntry.Flags & FlagStrongEncryption) != 0 || (FEncrypted && FPassword.empty()) ||
        (FEntry.Method != MethodStored && FEntry.Method != MethodDeflated)) {
        return false;
    }
    const std::optional<std::uint64_t> offset = DataOffset(*FSource, FEntry);
    if (!offset || !RangeInside(*offset, FEntry.CompressedSize, FSource->Size())) {
        return false;
    }
    FDataOffset = *offset;
    FDataSize = FEntry.CompressedSize;
    if (FEncrypted) {
        // The cipher header's last byte is the high byte of the CRC or, for entries written
        // before their CRC was known, of the DOS time. Writers use either, so either is
        // accepted; anything else means a wrong password.
        std::array<std::uint8_t, TZipCrypto::HeaderSize> header{};
        if (FDataSize < header.size() || !FSource->ReadAt(FDataOffset, header.data(), header.size())) {
            return false;
        }
        TZipCrypto cipher(FPassword);
        cipher.Decrypt(header.data(), header.size());
        const std::uint8_t check = header.back();
        if (check != static_cast<std::uint8_t>(FEntry.Crc >> 24) &&
            check != static_cast<std::uint8_t>(FEntry.DosTime >> 8)) {
            return false;
        }
        FStartKeys = cipher.Keys();
        FDataOffset += header.size();
        FDataSize -= header.size();
    }
    if (FEntry.Method == MethodStored && FDataSize != FEntry.Size) {
        return false;
    }
    return Restart();
}

bool TZipEntryStream::Restart() {
    if (FEncrypted) {
        FCipher.emplace(FPassword);
        FCipher->SetKeys(FStartKeys);
    }
    FRead = 0;
    FPosition = 0;
    FSequential = true;
    FCrc = 0;
    FIntact = false;
    FFailed = false;
    if (FEntry.Method == MethodDeflated) {
        FInflater = std::make_unique<TInflater>();
        if (!FInflater->Ready) {
            FFailed = true;
            return false;
        }
    }
    return true;
}

std::int64_t TZipEntryStream::Read(void* Target, std::size_t Count) {
    if (FFailed) {
        return -1;
    }
    auto* target = static_cast<std::uint8_t*>(Target);
    const std::int64_t n =
        FEntry.Method == MethodStored ? ReadStored(target, Count) : ReadDeflated(target, Count);
    if (n < 0) {
        FFailed = true;
        return -1;
    }
    if (FPosition == FEntry.Size && !CheckEnd()) {
        FFailed = true;
        if (FHoldBack) {
            return -1; // the bytes read last are held back: the entry is not what it claims
        }
    }
    return n;
}

std::int64_t TZipEntryStream::ReadStored(std::uint8_t* Target, std::size_t Count) {
    std::size_t done = 0;
    while (done < Count && FPosition < FEntry.Size) {
        // Pieces end at the checkpoints, so that each one is kept as it is passed.
        const std::uint64_t toPoint = TZipCheckpoints::Spacing - FPosition % TZipCheckpoints::Spacing;
        const auto n = static_cast<std::size_t>(
            std::min<std::uint64_t>({Count - done, FEntry.Size - FPosition, toPoint}));
        if (!FSource->ReadAt(FDataOffset + FPosition, Target + done, n)) {
            return -1;
        }
        if (FCipher) {
            FCipher->Decrypt(Target + done, n);
        } else if (FSequential) {
            FCrc = Crc32(FCrc, Target + done, n);
        }
        FPosition += n;
        FRead = FPosition;
        done += n;
        if (FCipher && FCheckpoints && FPosition % TZipCheckpoints::Spacing == 0) {
            FCheckpoints->Keep(FIndex, FPosition, FCipher->Keys());
        }
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t TZipEntryStream::ReadDeflated(std::uint8_t* Target, std::size_t Count) {
    TInflater& z = *FInflater;
    std::size_t done = 0;
    while (done < Count) {
        if (z.Given < z.Pending) {
            const std::size_t n = std::min(Count - done, z.Pending - z.Given);
            std::memcpy(Target + done, z.Output.data() + z.Given, n);
            z.Given += n;
            done += n;
            FPosition += n;
            continue;
        }
        if (z.Ended) {
            break;
        }
        if (z.Stream.avail_in == 0 && FRead < FDataSize) {
            if (FInput.size() < Chunk) {
                FInput.resize(Chunk);
            }
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(FDataSize - FRead, Chunk));
            if (!FSource->ReadAt(FDataOffset + FRead, FInput.data(), n)) {
                return -1;
            }
            if (FCipher) {
                FCipher->Decrypt(FInput.data(), n);
            }
            FRead += n;
            z.Stream.next_in = FInput.data();
            z.Stream.avail_in = static_cast<uInt>(n);
        }
        z.Stream.next_out = z.Output.data();
        z.Stream.avail_out = static_cast<uInt>(z.Output.size());
        const int result = inflate(&z.Stream, Z_NO_FLUSH);
        const std::size_t produced = z.Output.size() - z.Stream.avail_out;
        // The output never grows past the entry's size, whatever the stream claims.
        if (produced > FEntry.Size - FPosition) {
            return -1;
        }
        if (FSequential) {
            FCrc = Crc32(FCrc, z.Output.data(), produced);
        }
        z.Pending = produced;
        z.Given = 0;
        if (result == Z_STREAM_END) {
            z.Ended = true; // an end before the entry's size shows once the output is given
        } else if (result != Z_OK) {
            // Z_OK always moved something; anything else (damaged data, input used up before
            // the stream's end) ends the entry.
            return -1;
        }
    }
    if (done == 0 && Count > 0 && z.Ended && FPosition < FEntry.Size) {
        return -1; // the stream ended before the size the entry claims
    }
    return static_cast<std::int64_t>(done);
}

bool TZipEntryStream::CheckEnd() {
    if (FEntry.Method == MethodDeflated) {
        // The last bytes are given: the stream must end there, with nothing more in it.
        std::uint8_t spare = 0;
        if (!FInflater->Ended && ReadDeflated(&spare, 1) != 0) {
            return false;
        }
        if (!FInflater->Ended) {
            return false;
        }
    }
    if (!FSequential) {
        return true; // bytes given after a seek cannot be checked against the CRC
    }
    const std::uint32_t crc = FCipher && FEntry.Method == MethodStored
                                  ? TZipCrypto::CrcFromKey0(FStartKeys.Key0, FCipher->Key0(), FEntry.Size)
                                  : FCrc;
    FIntact = crc == FEntry.Crc;
    return FIntact;
}

bool TZipEntryStream::Skip(std::uint64_t Count) {
    std::array<std::uint8_t, 16 * 1024> scratch{};
    while (Count > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(Count, scratch.size()));
        const std::int64_t got =
            FEntry.Method == MethodStored ? ReadStored(scratch.data(), n) : ReadDeflated(scratch.data(), n);
        if (got <= 0) {
            return false;
        }
        Count -= static_cast<std::uint64_t>(got);
    }
    return true;
}

bool TZipEntryStream::Seek(std::uint64_t Position) {
    if (Position > FEntry.Size) {
        return false;
    }
    if (Position == FPosition && !FFailed) {
        return true;
    }
    if (Position == 0) {
        return Restart();
    }
    FFailed = false;
    FSequential = false;
    FIntact = false;
    if (FEntry.Method == MethodStored && !FCipher) {
        FPosition = Position;
        FRead = Position;
        return true;
    }
    if (FEntry.Method == MethodStored) {
        // From the nearest kept cipher state, or from here when that is nearer.
        std::uint64_t from = 0;
        TZipCrypto::TKeys keys = FStartKeys;
        if (FCheckpoints) {
            if (const auto point = FCheckpoints->Before(FIndex, Position)) {
                from = point->first;
                keys = point->second;
            }
        }
        if (FPosition <= Position && FPosition >= from) {
            return Skip(Position - FPosition);
        }
        FCipher->SetKeys(keys);
        FPosition = from;
        FRead = from;
        return Skip(Position - from);
    }
    // Deflated: only forward; backwards means inflating again from the start.
    if (Position < FPosition) {
        if (!Restart()) {
            return false;
        }
        FSequential = false;
    }
    return Skip(Position - FPosition);
}

} // namespace Shared
