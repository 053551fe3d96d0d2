#pragma once

#include "shared/archive/ZipCrypto.h"
#include "shared/archive/ZipDirectory.h"
#include "shared/archive/ZipSource.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace Shared {

// Cipher states at every mebibyte of encrypted stored entries, kept once they have been passed:
// a stream seeks to any point by resuming from the nearest one instead of decrypting from the
// entry's start. Shared by every stream of one archive, from any thread.
class TZipCheckpoints {
public:
    static constexpr std::uint64_t Spacing = 1 << 20;

    // The keys at the last kept point at or before Position (a multiple of Spacing), if any.
    std::optional<std::pair<std::uint64_t, TZipCrypto::TKeys>> Before(std::uint64_t Entry,
                                                                      std::uint64_t Position) const;
    void Keep(std::uint64_t Entry, std::uint64_t Position, const TZipCrypto::TKeys& Keys);

private:
    mutable std::mutex FLock;
    std::map<std::uint64_t, std::map<std::uint64_t, TZipCrypto::TKeys>> FPoints;
};

// One entry's plain bytes as they are asked for: stored or deflated, plain or under the
// traditional cipher. Never gives more than the directory says the entry holds, so a hostile
// entry cannot fill the memory. A stream is for one thread at a time; several streams of one
// source may run on several threads.
class TZipEntryStream {
public:
    // Index: the entry's place in the archive (for the checkpoints). Checkpoints may be empty.
    TZipEntryStream(std::shared_ptr<const TZipSource> Source, const TZipEntry& Entry, std::uint64_t Index,
                    std::string Password, std::shared_ptr<TZipCheckpoints> Checkpoints);
    ~TZipEntryStream();
    TZipEntryStream(const TZipEntryStream&) = delete;
    TZipEntryStream& operator=(const TZipEntryStream&) = delete;

    // Reads the local header and, for encrypted entries, checks the password. False when the
    // entry cannot be read at all (bad local header, data outside the source, a method or
    // cipher this reader lacks, no password or the wrong one).
    bool Open();

    std::uint64_t Size() const { return FEntry.Size; }
    std::uint64_t Position() const { return FPosition; }

    // Up to Count bytes at the position: their number, 0 at the end, -1 when the entry is
    // damaged (its data cut short or inflating fails, or, for an entry read from its start to
    // its end without a seek, a CRC that does not match).
    std::int64_t Read(void* Target, std::size_t Count);
    // A CRC that does not match at the end fails the read that reaches the end, instead of the
    // one after it: a damaged entry's last bytes are never given. For answers to a page, which
    // must fail rather than end as if whole.
    void HoldBackDamagedEnd() { FHoldBack = true; }
    // Moves to Position (at most Size). False when the entry cannot be read up to there.
    bool Seek(std::uint64_t Position);

    // True when the stream has given the whole entry, read in one pass, and its CRC matched.
    bool WholeAndIntact() const { return FIntact; }

private:
    struct TInflater;

    bool Restart();
    std::int64_t ReadStored(std::uint8_t* Target, std::size_t Count);
    std::int64_t ReadDeflated(std::uint8_t* Target, std::size_t Count);
    bool Skip(std::uint64_t Count);
    bool CheckEnd();

    std::shared_ptr<const TZipSource> FSource;
    TZipEntry FEntry;
    std::uint64_t FIndex;
    std::string FPassword;
    std::shared_ptr<TZipCheckpoints> FCheckpoints;
    bool FEncrypted = false;
    std::uint64_t FDataOffset = 0; // where the entry's data (after the cipher header) begins
    std::uint64_t FDataSize = 0;   // its length
    std::optional<TZipCrypto> FCipher;
    TZipCrypto::TKeys FStartKeys{};
    std::uint64_t FRead = 0;     // data bytes consumed
    std::uint64_t FPosition = 0; // plain bytes given
    bool FSequential = true;     // read from the start without a seek
    std::uint32_t FCrc = 0;      // plain entries: the running CRC
    bool FIntact = false;
    bool FFailed = false;
    bool FHoldBack = false;
    std::vector<std::uint8_t> FInput;
    std::unique_ptr<TInflater> FInflater;
};

} // namespace Shared
