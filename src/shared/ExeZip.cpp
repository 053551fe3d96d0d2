#include "shared/ExeZip.h"

#include "shared/ZipCrypto.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <mutex>
#include <unordered_map>
#include <zip.h>
#include <zlib.h>

namespace Shared {

namespace {

constexpr std::size_t Chunk = 64 * 1024;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

struct TCaseHash {
    std::size_t operator()(std::string_view s) const {
        std::size_t h = 0xCBF29CE484222325ull;
        for (const char c : s) {
            h = (h ^ static_cast<unsigned char>(LowerAscii(c))) * 0x100000001B3ull;
        }
        return h;
    }
};

struct TCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return LowerAscii(x) == LowerAscii(y);
               });
    }
};

struct TArchiveDeleter {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct TFileDeleter {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using TFileHandle = std::unique_ptr<zip_file_t, TFileDeleter>;

// The high byte of the entry's DOS time, derived from the library's time stamp the way the
// library itself checks it: back through local time.
std::uint8_t DosTimeHighByte(std::time_t mtime) {
    static std::mutex guard;
    const std::lock_guard lock(guard);
    const std::tm* t = std::localtime(&mtime);
    if (t == nullptr) {
        return 0;
    }
    return static_cast<std::uint8_t>((t->tm_hour << 3) | (t->tm_min >> 3));
}

} // namespace

struct TExeZip::TImpl {
    struct TInfo {
        bool Valid = false;
        std::uint64_t Size = 0;
        std::uint64_t CompressedSize = 0;
        std::uint32_t Crc = 0;
        std::uint16_t Method = 0;
        std::uint16_t Encryption = 0;
        std::time_t Time = 0;
    };

    std::unique_ptr<zip_t, TArchiveDeleter> Archive;
    std::string Password;
    std::vector<std::string> Names;
    std::vector<TInfo> Infos;
    std::unordered_map<std::string_view, std::int64_t, TCaseHash, TCaseEqual> Index;
    std::vector<std::uint8_t> Buffer;
    bool LastCrcOk = false;
    bool OwnDecryption = true;

    std::uint8_t* ChunkBuffer() {
        if (Buffer.empty()) {
            Buffer.resize(Chunk);
        }
        return Buffer.data();
    }

    bool ExtractOwn(std::int64_t index, const TInfo& info, TStream& stream);
    bool ExtractLibrary(std::int64_t index, TStream& stream);
};

TExeZip::TExeZip() : FImpl(std::make_unique<TImpl>()) {}

TExeZip::~TExeZip() = default;

void TExeZip::SetPassword(std::string_view Password) {
    FImpl->Password = std::string(Password);
    if (FImpl->Archive) {
        zip_set_default_password(FImpl->Archive.get(), FImpl->Password.c_str());
    }
}

void TExeZip::Open(const TMemoryStream& Stream) {
    Open(Stream.View());
}

void TExeZip::Open(std::string_view Bytes) {
    Close();
    if (Bytes.empty()) {
        // The library would take no bytes for an empty archive; no bytes are no archive.
        throw EExeZipError("Cannot open the application archive: it holds no bytes");
    }
    zip_error_t error;
    zip_error_init(&error);
    // Borrowed, not freed by the library: the caller's stream owns the bytes.
    zip_source_t* source = zip_source_buffer_create(Bytes.data(), Bytes.size(), 0, &error);
    zip_t* archive = source != nullptr ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (archive == nullptr) {
        if (source != nullptr) {
            zip_source_free(source);
        }
        const std::string reason = zip_error_strerror(&error);
        zip_error_fini(&error);
        throw EExeZipError("Cannot open the application archive: " + reason);
    }
    zip_error_fini(&error);
    FImpl->Archive.reset(archive);
    if (!FImpl->Password.empty()) {
        zip_set_default_password(archive, FImpl->Password.c_str());
    }

    const zip_int64_t count = std::max<zip_int64_t>(zip_get_num_entries(archive, 0), 0);
    FImpl->Names.resize(static_cast<std::size_t>(count));
    FImpl->Infos.resize(static_cast<std::size_t>(count));
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto u = static_cast<zip_uint64_t>(i);
        if (const char* name = zip_get_name(archive, u, 0)) {
            FImpl->Names[u] = name;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive, u, 0, &st) == 0) {
            const zip_uint64_t needed = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC |
                                        ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
            TImpl::TInfo& info = FImpl->Infos[u];
            info.Valid = (st.valid & needed) == needed;
            info.Size = st.size;
            info.CompressedSize = st.comp_size;
            info.Crc = st.crc;
            info.Method = st.comp_method;
            info.Encryption = st.encryption_method;
            info.Time = (st.valid & ZIP_STAT_MTIME) ? st.mtime : 0;
        }
    }
    // Built once the names no longer move: the keys view them.
    FImpl->Index.reserve(FImpl->Names.size());
    for (std::size_t i = 0; i < FImpl->Names.size(); ++i) {
        if (!FImpl->Names[i].empty()) {
            FImpl->Index.try_emplace(FImpl->Names[i], static_cast<std::int64_t>(i));
        }
    }
}

bool TExeZip::SameAsFile(std::string_view Name, const std::string& Path) const {
    const std::int64_t index = FindFile(Name);
    if (index < 0 || !FImpl->Infos[static_cast<std::size_t>(index)].Valid) {
        return false;
    }
    const TImpl::TInfo& info = FImpl->Infos[static_cast<std::size_t>(index)];
    std::ifstream file(Path, std::ios::binary);
    if (!file) {
        return false;
    }
    uLong crc = crc32(0L, Z_NULL, 0);
    zip_uint64_t size = 0;
    std::vector<char> buffer(1 << 16);
    while (file) {
        file.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<uInt>(file.gcount());
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), got);
        size += got;
        if (size > info.Size) {
            return false;
        }
    }
    return size == info.Size && crc == info.Crc;
}

void TExeZip::Close() {
    FImpl->Index.clear();
    FImpl->Names.clear();
    FImpl->Infos.clear();
    FImpl->Archive.reset();
    FImpl->LastCrcOk = false;
}

bool TExeZip::Active() const {
    return FImpl->Archive != nullptr;
}

std::int64_t TExeZip::FindFile(std::string_view Name) const {
    const auto found = FImpl->Index.find(Name);
    return found == FImpl->Index.end() ? -1 : found->second;
}

const std::vector<std::string>& TExeZip::FileNames() const {
    return FImpl->Names;
}

std::int64_t TExeZip::FileCount() const {
    return static_cast<std::int64_t>(FImpl->Names.size());
}

bool TExeZip::LastCrcOk() const {
    return FImpl->LastCrcOk;
}

void TExeZip::SetOwnDecryption(bool Value) {
    FImpl->OwnDecryption = Value;
}

void TExeZip::ExtractToStream(std::string_view Name, TStream& Stream) {
    FImpl->LastCrcOk = false;
    const std::int64_t index = FindFile(Name);
    if (index < 0) {
        return;
    }
    const TImpl::TInfo& info = FImpl->Infos[static_cast<std::size_t>(index)];
    const bool own = FImpl->OwnDecryption && info.Valid && info.Encryption == ZIP_EM_TRAD_PKWARE &&
                     info.Method == ZIP_CM_STORE &&
                     info.CompressedSize == info.Size + TZipCrypto::HeaderSize && !FImpl->Password.empty();
    FImpl->LastCrcOk = own ? FImpl->ExtractOwn(index, info, Stream) : FImpl->ExtractLibrary(index, Stream);
}

std::string TExeZip::ExtractToString(std::string_view Name) {
    TMemoryStream stream;
    const std::int64_t index = FindFile(Name);
    if (index >= 0) {
        const TImpl::TInfo& info = FImpl->Infos[static_cast<std::size_t>(index)];
        // A stored entry's size is bounded by the archive; a compressed one's claim is not.
        if (info.Valid && info.Method == ZIP_CM_STORE) {
            stream.Reserve(static_cast<std::size_t>(info.Size));
        }
    }
    ExtractToStream(Name, stream);
    return stream.TakeBytes();
}

bool TExeZip::TImpl::ExtractOwn(std::int64_t index, const TInfo& info, TStream& stream) {
    // The raw entry: the encryption header, then the encrypted data.
    TFileHandle file(zip_fopen_index(Archive.get(), static_cast<zip_uint64_t>(index), ZIP_FL_ENCRYPTED));
    if (!file) {
        return false;
    }
    std::uint8_t header[TZipCrypto::HeaderSize];
    if (zip_fread(file.get(), header, sizeof header) != static_cast<zip_int64_t>(sizeof header)) {
        return false;
    }
    TZipCrypto cipher(Password);
    cipher.Decrypt(header, sizeof header);
    // The check byte is the CRC's high byte or, for entries written before their CRC was
    // known, the time's: accept either, as the library does. Anything else is a wrong password.
    const std::uint8_t check = header[TZipCrypto::HeaderSize - 1];
    if (check != static_cast<std::uint8_t>(info.Crc >> 24) && check != DosTimeHighByte(info.Time)) {
        return false;
    }
    const std::uint32_t start = cipher.Key0();
    std::uint8_t* buffer = ChunkBuffer();
    std::uint64_t left = info.Size;
    while (left > 0) {
        const zip_int64_t n = zip_fread(file.get(), buffer, std::min<std::uint64_t>(left, Chunk));
        if (n <= 0) {
            return false;
        }
        cipher.Decrypt(buffer, static_cast<std::size_t>(n));
        stream.Write(buffer, static_cast<std::size_t>(n));
        left -= static_cast<std::uint64_t>(n);
    }
    return TZipCrypto::CrcFromKey0(start, cipher.Key0(), info.Size) == info.Crc;
}

bool TExeZip::TImpl::ExtractLibrary(std::int64_t index, TStream& stream) {
    // Opening an entry whose method the library lacks fails anyway, and libzip 1.7 leaks on
    // that path: ask first.
    const TInfo& info = Infos[static_cast<std::size_t>(index)];
    if (info.Valid && (!zip_encryption_method_supported(info.Encryption, 0) ||
                       !zip_compression_method_supported(info.Method, 0))) {
        return false;
    }
    TFileHandle file(zip_fopen_index(Archive.get(), static_cast<zip_uint64_t>(index), 0));
    if (!file) {
        return false;
    }
    std::uint8_t* buffer = ChunkBuffer();
    // Reading on to the end lets the library compare the CRC; a mismatch fails the last read.
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), buffer, Chunk);
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        stream.Write(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace Shared
