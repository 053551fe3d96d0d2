#include "shared/archive/ExeZip.h"

#include "shared/archive/ZipDirectory.h"
#include "shared/archive/ZipEntryStream.h"
#include "shared/archive/ZipFormat.h"
#include "shared/archive/ZipNameIndex.h"

#include <fstream>
#include <zlib.h>

namespace Shared {

struct TExeZip::TImpl {
    std::shared_ptr<const TZipSource> Source;
    std::string Password;
    TZipDirectory Directory;
    TZipNameIndex Index;
    std::shared_ptr<TZipCheckpoints> Checkpoints = std::make_shared<TZipCheckpoints>();
    std::vector<std::uint8_t> Buffer;
    bool LastCrcOk = false;

    const TZipEntry* Find(std::string_view name) const {
        const std::int64_t index = Index.Find(name);
        return index < 0 ? nullptr : &Directory.Entries[static_cast<std::size_t>(index)];
    }

    std::unique_ptr<TZipEntryStream> Stream(std::string_view name) const {
        const std::int64_t index = Index.Find(name);
        if (index < 0) {
            return nullptr;
        }
        auto stream =
            std::make_unique<TZipEntryStream>(Source, Directory.Entries[static_cast<std::size_t>(index)],
                                              static_cast<std::uint64_t>(index), Password, Checkpoints);
        return stream->Open() ? std::move(stream) : nullptr;
    }
};

TExeZip::TExeZip() : FImpl(std::make_unique<TImpl>()) {}

TExeZip::~TExeZip() = default;

void TExeZip::SetPassword(std::string_view Password) {
    FImpl->Password = std::string(Password);
}

void TExeZip::Open(const TMemoryStream& Stream) {
    Open(Stream.View());
}

void TExeZip::Open(std::string_view Bytes) {
    Open(std::make_unique<TZipMemorySource>(Bytes));
}

void TExeZip::Open(std::unique_ptr<TZipSource> Source) {
    Close();
    if (Source == nullptr || Source->Size() == 0) {
        throw EExeZipError("Cannot open the application archive: it holds no bytes");
    }
    try {
        FImpl->Directory = ReadZipDirectory(*Source);
    } catch (const EZipFormatError& e) {
        throw EExeZipError(std::string("Cannot open the application archive: ") + e.what());
    }
    // Built once the names no longer move: the index views them.
    FImpl->Index.Build(FImpl->Directory.Names);
    FImpl->Source = std::move(Source);
}

void TExeZip::Close() {
    FImpl->Index.Clear();
    FImpl->Directory = {};
    FImpl->Source.reset();
    FImpl->Checkpoints = std::make_shared<TZipCheckpoints>();
    FImpl->LastCrcOk = false;
}

bool TExeZip::Active() const {
    return FImpl->Source != nullptr;
}

std::int64_t TExeZip::FindFile(std::string_view Name) const {
    return FImpl->Index.Find(Name);
}

const std::vector<std::string>& TExeZip::FileNames() const {
    return FImpl->Directory.Names;
}

std::int64_t TExeZip::FileCount() const {
    return static_cast<std::int64_t>(FImpl->Directory.Names.size());
}

bool TExeZip::LastCrcOk() const {
    return FImpl->LastCrcOk;
}

void TExeZip::ExtractToStream(std::string_view Name, TStream& Stream) {
    FImpl->LastCrcOk = false;
    const std::unique_ptr<TZipEntryStream> entry = FImpl->Stream(Name);
    if (!entry) {
        return;
    }
    std::vector<std::uint8_t>& buffer = FImpl->Buffer;
    buffer.resize(64 * 1024);
    std::int64_t n = 0;
    while ((n = entry->Read(buffer.data(), buffer.size())) > 0) {
        Stream.Write(buffer.data(), static_cast<std::size_t>(n));
    }
    FImpl->LastCrcOk = n == 0 && entry->WholeAndIntact();
}

std::unique_ptr<TZipEntryStream> TExeZip::OpenEntry(std::string_view Name) const {
    std::unique_ptr<TZipEntryStream> entry = FImpl->Stream(Name);
    if (entry) {
        entry->HoldBackDamagedEnd();
    }
    return entry;
}

std::string TExeZip::ExtractToString(std::string_view Name) {
    TMemoryStream stream;
    // A stored entry's size is bounded by the archive; a deflated one's claim is not.
    if (const TZipEntry* entry = FImpl->Find(Name); entry != nullptr &&
                                                    entry->Method == ZipFormat::MethodStored &&
                                                    entry->Size <= FImpl->Source->Size()) {
        stream.Reserve(static_cast<std::size_t>(entry->Size));
    }
    ExtractToStream(Name, stream);
    return stream.TakeBytes();
}

bool TExeZip::SameAsFile(std::string_view Name, const std::string& Path) const {
    const TZipEntry* entry = FImpl->Find(Name);
    if (entry == nullptr) {
        return false;
    }
    std::ifstream file(Path, std::ios::binary);
    if (!file) {
        return false;
    }
    uLong crc = crc32(0L, Z_NULL, 0);
    std::uint64_t size = 0;
    std::vector<char> buffer(1 << 16);
    while (file) {
        file.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<uInt>(file.gcount());
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), got);
        size += got;
        if (size > entry->Size) {
            return false;
        }
    }
    return size == entry->Size && crc == entry->Crc;
}

} // namespace Shared
