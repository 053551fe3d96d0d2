#include "shared/archive/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ios>

namespace Shared {

void RaiseFileError(std::string_view What, const std::string& FileName) {
    const int code = errno;
    std::string message = "Cannot " + std::string(What) + " \"" + FileName + "\"";
    if (code != 0) {
        message += ": ";
        message += std::strerror(code);
    }
    throw EStreamError(message);
}

// ---- TStream ----

std::int64_t TStream::Size() {
    const std::int64_t position = Position();
    const std::int64_t size = Seek(0, TSeekOrigin::End);
    Seek(position, TSeekOrigin::Beginning);
    return size;
}

void TStream::ReadBuffer(void* Buffer, std::size_t Count) {
    if (Read(Buffer, Count) != Count) {
        throw EStreamError("Stream read error: fewer bytes than expected");
    }
}

// ---- TMemoryStream ----

std::size_t TMemoryStream::Read(void* Buffer, std::size_t Count) {
    if (FPosition >= FData.size()) {
        return 0;
    }
    const std::size_t n = std::min(Count, FData.size() - FPosition);
    std::memcpy(Buffer, FData.data() + FPosition, n);
    FPosition += n;
    return n;
}

void TMemoryStream::Write(const void* Buffer, std::size_t Count) {
    if (Count == 0) {
        return;
    }
    const auto* bytes = static_cast<const char*>(Buffer);
    if (FPosition > FData.size()) {
        FData.resize(FPosition, '\0');
    }
    // Overwrite what lies under the position, append the rest: appending grows geometrically.
    const std::size_t overlap = std::min(Count, FData.size() - FPosition);
    std::memcpy(FData.data() + FPosition, bytes, overlap);
    FData.append(bytes + overlap, Count - overlap);
    FPosition += Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    std::int64_t base = 0;
    switch (Origin) {
    case TSeekOrigin::Beginning:
        break;
    case TSeekOrigin::Current:
        base = static_cast<std::int64_t>(FPosition);
        break;
    case TSeekOrigin::End:
        base = static_cast<std::int64_t>(FData.size());
        break;
    }
    const std::int64_t target = base + Offset;
    if (target < 0) {
        throw EStreamError("Stream seek error: position before the start");
    }
    FPosition = static_cast<std::size_t>(target);
    return target;
}

void TMemoryStream::SetSize(std::int64_t Value) {
    if (Value < 0) {
        throw EStreamError("Stream size error: negative size");
    }
    FData.resize(static_cast<std::size_t>(Value), '\0');
}

void TMemoryStream::Clear() {
    FData.clear();
    FPosition = 0;
}

std::string TMemoryStream::TakeBytes() {
    std::string bytes = std::move(FData);
    Clear();
    return bytes;
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
    std::ios::openmode mode = std::ios::binary;
    const char* what = "open file";
    switch (Mode) {
    case TFileMode::OpenRead:
        mode |= std::ios::in;
        break;
    case TFileMode::OpenWrite:
    case TFileMode::OpenReadWrite:
        mode |= std::ios::in | std::ios::out;
        break;
    case TFileMode::Create:
        mode |= std::ios::in | std::ios::out | std::ios::trunc;
        what = "create file";
        break;
    }
    // A folder opens for reading on some systems and then fails every read: refuse it here.
    std::error_code ec;
    if (std::filesystem::is_directory(FileName, ec)) {
        errno = EISDIR;
        RaiseFileError(what, FileName);
    }
    errno = 0;
    if (FBuffer.open(FileName, mode) == nullptr) {
        RaiseFileError(what, FileName);
    }
}

TFileStream::~TFileStream() {
    FBuffer.close();
}

void TFileStream::Switch(TLastOp Op) {
    if (FLastOp != TLastOp::None && FLastOp != Op) {
        FBuffer.pubseekoff(0, std::ios::cur, std::ios::in | std::ios::out);
    }
    FLastOp = Op;
}

std::size_t TFileStream::Read(void* Buffer, std::size_t Count) {
    if (!FBuffer.is_open()) {
        throw EStreamError("Cannot read \"" + FFileName + "\": the file is closed");
    }
    Switch(TLastOp::Read);
    const std::streamsize n = FBuffer.sgetn(static_cast<char*>(Buffer), static_cast<std::streamsize>(Count));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void TFileStream::Write(const void* Buffer, std::size_t Count) {
    if (!FBuffer.is_open()) {
        throw EStreamError("Cannot write \"" + FFileName + "\": the file is closed");
    }
    Switch(TLastOp::Write);
    errno = 0;
    const std::streamsize n =
        FBuffer.sputn(static_cast<const char*>(Buffer), static_cast<std::streamsize>(Count));
    if (n != static_cast<std::streamsize>(Count)) {
        RaiseFileError("write to", FFileName);
    }
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    if (!FBuffer.is_open()) {
        throw EStreamError("Cannot seek in \"" + FFileName + "\": the file is closed");
    }
    const std::ios::seekdir dir = Origin == TSeekOrigin::Beginning ? std::ios::beg
                                  : Origin == TSeekOrigin::Current ? std::ios::cur
                                                                   : std::ios::end;
    if (Origin == TSeekOrigin::Beginning && Offset < 0) {
        throw EStreamError("Cannot seek in \"" + FFileName + "\": position before the start");
    }
    errno = 0;
    const std::streampos pos = FBuffer.pubseekoff(Offset, dir, std::ios::in | std::ios::out);
    if (pos == std::streampos(std::streamoff(-1))) {
        RaiseFileError("seek in", FFileName);
    }
    FLastOp = TLastOp::None;
    return static_cast<std::int64_t>(std::streamoff(pos));
}

void TFileStream::Close() {
    if (!FBuffer.is_open()) {
        return;
    }
    errno = 0;
    if (FBuffer.close() == nullptr) {
        RaiseFileError("write to", FFileName);
    }
}

} // namespace Shared
