#include "shared/archive/ZipEntryReader.h"

#include "base/LittleEndian.h"
#include "shared/archive/ZipCrypto.h"
#include "shared/archive/ZipFormat.h"

#include <algorithm>
#include <array>
#include <optional>
#include <zlib.h>

namespace Shared {

namespace {

using namespace ZipFormat;

constexpr std::size_t Chunk = 64 * 1024;

// Where the entry's data begins: behind the local header's own name and extra field, whose
// lengths may differ from the directory's.
std::optional<std::uint64_t> DataOffset(const TZipSource& source, const TZipEntry& entry) {
    std::array<char, LocalHeaderSize> header{};
    if (!source.ReadAt(entry.LocalHeaderOffset, header.data(), header.size())) {
        return std::nullopt;
    }
    const std::string_view bytes(header.data(), header.size());
    if (GetU32(bytes, 0) != LocalHeaderSignature) {
        return std::nullopt;
    }
    return entry.LocalHeaderOffset + LocalHeaderSize + GetU16(bytes, LocalNameLength) +
           GetU16(bytes, LocalExtraLength);
}

// The entry's data after the encryption header, read chunk by chunk and decrypted on the way.
class TDataReader {
public:
    TDataReader(const TZipSource& source, std::uint64_t offset, std::uint64_t count)
        : FSource(source), FOffset(offset), FLeft(count) {}

    // Reads the encryption header and checks its last byte, which is the high byte of the
    // CRC or, for entries written before their CRC was known, of the DOS time. Writers use
    // either, so either is accepted; anything else means a wrong password.
    bool StartDecryption(std::string_view password, const TZipEntry& entry) {
        std::array<std::uint8_t, TZipCrypto::HeaderSize> header{};
        if (FLeft < header.size() || !FSource.ReadAt(FOffset, header.data(), header.size())) {
            return false;
        }
        FOffset += header.size();
        FLeft -= header.size();
        FCipher.emplace(password);
        FCipher->Decrypt(header.data(), header.size());
        const std::uint8_t check = header.back();
        return check == static_cast<std::uint8_t>(entry.Crc >> 24) ||
               check == static_cast<std::uint8_t>(entry.DosTime >> 8);
    }

    std::uint64_t Left() const { return FLeft; }
    const std::optional<TZipCrypto>& Cipher() const { return FCipher; }

    // The next chunk's plain bytes in Buffer: their count, 0 when the source fails to give them.
    std::size_t Next(std::uint8_t* buffer) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(FLeft, Chunk));
        if (!FSource.ReadAt(FOffset, buffer, n)) {
            return 0;
        }
        if (FCipher) {
            FCipher->Decrypt(buffer, n);
        }
        FOffset += n;
        FLeft -= n;
        return n;
    }

private:
    const TZipSource& FSource;
    std::uint64_t FOffset;
    std::uint64_t FLeft;
    std::optional<TZipCrypto> FCipher;
};

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t count) {
    return static_cast<std::uint32_t>(crc32(crc, data, static_cast<uInt>(count)));
}

// Stored data is the entry itself. Under the cipher its CRC comes from the cipher's first key,
// which has run over every plain byte already: no second pass over the data.
bool CopyStored(TDataReader& data, const TZipEntry& entry, std::uint8_t* buffer, TStream& target) {
    if (data.Left() != entry.Size) {
        return false;
    }
    const std::uint32_t start = data.Cipher() ? data.Cipher()->Key0() : 0;
    std::uint32_t crc = 0;
    while (data.Left() > 0) {
        const std::size_t n = data.Next(buffer);
        if (n == 0) {
            return false;
        }
        if (!data.Cipher()) {
            crc = Crc32(crc, buffer, n);
        }
        target.Write(buffer, n);
    }
    if (data.Cipher()) {
        crc = TZipCrypto::CrcFromKey0(start, data.Cipher()->Key0(), entry.Size);
    }
    return crc == entry.Crc;
}

class TInflater {
public:
    TInflater() { FReady = inflateInit2(&FStream, -MAX_WBITS) == Z_OK; }
    ~TInflater() {
        if (FReady) {
            inflateEnd(&FStream);
        }
    }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    bool Ready() const { return FReady; }
    z_stream& Stream() { return FStream; }

private:
    z_stream FStream{};
    bool FReady = false;
};

// Raw deflate data. The output never grows past the entry's size: a stream that would make
// more is refused there, whatever it claims, so a small entry cannot fill the memory.
bool Inflate(TDataReader& data, const TZipEntry& entry, std::uint8_t* input, std::uint8_t* output,
             TStream& target) {
    TInflater inflater;
    if (!inflater.Ready()) {
        return false;
    }
    z_stream& z = inflater.Stream();
    std::uint64_t written = 0;
    std::uint32_t crc = 0;
    for (;;) {
        if (z.avail_in == 0 && data.Left() > 0) {
            const std::size_t n = data.Next(input);
            if (n == 0) {
                return false;
            }
            z.next_in = input;
            z.avail_in = static_cast<uInt>(n);
        }
        z.next_out = output;
        z.avail_out = static_cast<uInt>(Chunk);
        const int result = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = Chunk - z.avail_out;
        if (produced > entry.Size - written) {
            return false;
        }
        crc = Crc32(crc, output, produced);
        target.Write(output, produced);
        written += produced;
        if (result == Z_STREAM_END) {
            return written == entry.Size && crc == entry.Crc;
        }
        // Z_OK always moved something; anything else (damaged data, input used up before the
        // stream's end) ends the entry.
        if (result != Z_OK) {
            return false;
        }
    }
}

} // namespace

std::uint8_t* TZipEntryReader::InputBuffer() {
    if (FInput.empty()) {
        FInput.resize(Chunk);
    }
    return FInput.data();
}

std::uint8_t* TZipEntryReader::OutputBuffer() {
    if (FOutput.empty()) {
        FOutput.resize(Chunk);
    }
    return FOutput.data();
}

bool TZipEntryReader::Extract(const TZipSource& Source, const TZipEntry& Entry, std::string_view Password,
                              TStream& Target) {
    const bool encrypted = (Entry.Flags & FlagEncrypted) != 0;
    if ((Entry.Flags & FlagStrongEncryption) != 0 || (encrypted && Password.empty()) ||
        (Entry.Method != MethodStored && Entry.Method != MethodDeflated)) {
        return false;
    }
    const std::optional<std::uint64_t> offset = DataOffset(Source, Entry);
    if (!offset || !RangeInside(*offset, Entry.CompressedSize, Source.Size())) {
        return false;
    }
    TDataReader data(Source, *offset, Entry.CompressedSize);
    if (encrypted && !data.StartDecryption(Password, Entry)) {
        return false;
    }
    return Entry.Method == MethodStored ? CopyStored(data, Entry, InputBuffer(), Target)
                                        : Inflate(data, Entry, InputBuffer(), OutputBuffer(), Target);
}

} // namespace Shared
