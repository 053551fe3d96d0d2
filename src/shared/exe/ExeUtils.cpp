#include "shared/exe/ExeUtils.h"

#include "platform/ExecutablePath.h"
#include "platform/LastError.h"
#include "shared/exe/ExeHeaders.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <limits>
#include <vector>

namespace Shared {

namespace {

void DefaultInvalidApplication(std::string_view Text, std::string_view Caption) {
    std::cerr << Caption << ": " << Text << std::endl;
    std::exit(0);
}

TInvalidApplicationHandler& InvalidApplicationHandler() {
    static TInvalidApplicationHandler handler = DefaultInvalidApplication;
    return handler;
}

} // namespace

TExeUtils::TExeUtils() : FExePath(Platform::GetExecutablePath()) {}

TExeUtils::TExeUtils(std::string ExePath) : FExePath(std::move(ExePath)) {}

void TExeUtils::SetInvalidApplicationHandler(TInvalidApplicationHandler Handler) {
    InvalidApplicationHandler() = Handler ? std::move(Handler) : DefaultInvalidApplication;
}

std::int64_t TExeUtils::GetFileSizeByPath(const std::string& Path) {
    std::error_code ec;
    const auto status = std::filesystem::status(Path, ec);
    if (ec || !std::filesystem::exists(status)) {
        return -1;
    }
    if (!std::filesystem::is_regular_file(status)) {
        return 0; // a folder or device is found but holds no bytes of its own
    }
    const auto size = std::filesystem::file_size(Path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

std::int64_t TExeUtils::GetExeFileSize() {
    return GetFileSizeByPath(FExePath);
}

std::int64_t TExeUtils::GetAttachedStubOffset() {
    TFileStream image(FExePath, TFileMode::OpenRead);
    const auto end = TExeHeaders::GetImageEnd(image);
    if (!end || *end > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return -1;
    }
    return static_cast<std::int64_t>(*end);
}

bool TExeUtils::ExeHasAttachedStub() {
    const std::int64_t offset = GetAttachedStubOffset();
    return offset >= 0 && GetExeFileSize() - offset > 0;
}

bool TExeUtils::LocateArchive(std::int64_t& Offset, std::int64_t& Size) {
    Offset = GetAttachedStubOffset();
    Size = Offset < 0 ? 0 : GetExeFileSize() - Offset;
    // A file shorter than its headers claim holds no archive either, not a negative one.
    if (Size <= 0) {
        InvalidApplicationHandler()(InvalidApplicationText, InvalidApplicationCaption);
        return false;
    }
    return true;
}

void TExeUtils::CopyChunks(TStream& Source, TStream& Target, std::int64_t Size) {
    if (FOnProgressMax) {
        FOnProgressMax(*this, Size);
    }
    std::vector<char> buffer(ChunkSize);
    std::int64_t total = 0;
    while (total < Size) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(Size - total, ChunkSize));
        const std::size_t got = Source.Read(buffer.data(), want);
        if (got == 0) {
            throw EExeUtilsError("The source ended after " + std::to_string(total) + " of " +
                                 std::to_string(Size) + " bytes");
        }
        Target.Write(buffer.data(), got);
        total += static_cast<std::int64_t>(got);
        if (FOnProgressPos) {
            FOnProgressPos(*this, total);
        }
    }
}

void TExeUtils::GetZipFromExe(TMemoryStream& MemoryStream) {
    std::int64_t offset = 0;
    std::int64_t size = 0;
    if (!LocateArchive(offset, size)) {
        return;
    }
    MemoryStream.SetPosition(0);
    MemoryStream.Reserve(static_cast<std::size_t>(size));
    TFileStream exe(FExePath, TFileMode::OpenRead);
    exe.SetPosition(offset);
    CopyChunks(exe, MemoryStream, size);
}

std::unique_ptr<TZipSource> TExeUtils::OpenZipInExe() {
    std::int64_t offset = 0;
    std::int64_t size = 0;
    if (!LocateArchive(offset, size)) {
        return nullptr;
    }
    std::unique_ptr<TZipSource> source =
        TZipFileSource::Open(FExePath, static_cast<std::uint64_t>(offset), static_cast<std::uint64_t>(size));
    if (!source) {
        throw EStreamError("Cannot open file \"" + FExePath + "\". " + Platform::LastErrorText());
    }
    return source;
}

void TExeUtils::ExtractZipFromExe(const std::string& ZipPath) {
    std::int64_t offset = 0;
    std::int64_t size = 0;
    if (!LocateArchive(offset, size)) {
        return;
    }
    // The executable first: a failure to open it leaves no empty archive file behind.
    TFileStream exe(FExePath, TFileMode::OpenRead);
    TFileStream zip(ZipPath, TFileMode::Create);
    exe.SetPosition(offset);
    CopyChunks(exe, zip, size);
    zip.Close();
}

void TExeUtils::AppendZipToExe(const std::string& ZipPath, const std::string& ExePath) {
    TFileStream zip(ZipPath, TFileMode::OpenRead);
    TFileStream exe(ExePath, TFileMode::OpenWrite);
    exe.SetPosition(GetFileSizeByPath(ExePath));
    CopyChunks(zip, exe, GetFileSizeByPath(ZipPath));
    exe.Close();
}

} // namespace Shared
