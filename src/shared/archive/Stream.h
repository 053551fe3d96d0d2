#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace Shared {

// A stream could not be opened, read, written or positioned. The message names the file
// and the system's reason.
class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TSeekOrigin { Beginning, Current, End };

// Bytes with a position: the common shape of memory and file streams.
class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to Count bytes at the position and moves past them; fewer only at the end.
    virtual std::size_t Read(void* Buffer, std::size_t Count) = 0;
    // Writes all Count bytes at the position and moves past them, or raises EStreamError.
    virtual void Write(const void* Buffer, std::size_t Count) = 0;
    // Moves the position and returns the new one; a position before 0 raises EStreamError.
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
    virtual std::int64_t Size();

    virtual std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(std::int64_t Value) { Seek(Value, TSeekOrigin::Beginning); }

    void Write(std::string_view Bytes) { Write(Bytes.data(), Bytes.size()); }
    // Reads exactly Count bytes or raises EStreamError.
    void ReadBuffer(void* Buffer, std::size_t Count);

protected:
    TStream() = default;
    TStream(const TStream&) = default;
    TStream& operator=(const TStream&) = default;
};

// Bytes held in memory. Writing past the end grows the stream; a gap left by seeking past
// the end reads as zeros.
class TMemoryStream final : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string Bytes) : FData(std::move(Bytes)) {}

    std::size_t Read(void* Buffer, std::size_t Count) override;
    void Write(const void* Buffer, std::size_t Count) override;
    using TStream::Write;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
    std::int64_t Position() override { return static_cast<std::int64_t>(FPosition); }

    // Truncates or extends (with zeros); the position stays where it was.
    void SetSize(std::int64_t Value);
    void Clear();
    // Grows the capacity ahead of writes of a known total size.
    void Reserve(std::size_t Capacity) { FData.reserve(Capacity); }

    const char* Data() const { return FData.data(); }
    std::string_view View() const { return FData; }
    // Moves the bytes out; the stream is left empty at position 0.
    std::string TakeBytes();

private:
    std::string FData;
    std::size_t FPosition = 0;
};

enum class TFileMode {
    OpenRead,      // an existing file, read only
    OpenWrite,     // an existing file, kept as it is, written from position 0
    OpenReadWrite, // an existing file, kept as it is
    Create,        // a new or truncated file, read and write
};

// A file on disk. The file is closed when the stream is destroyed; Close reports a failed
// final write, which the destructor cannot.
class TFileStream final : public TStream {
public:
    TFileStream(const std::string& FileName, TFileMode Mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* Buffer, std::size_t Count) override;
    void Write(const void* Buffer, std::size_t Count) override;
    using TStream::Write;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

    // Writes out what is buffered and closes the file; raises EStreamError when that fails.
    void Close();
    const std::string& FileName() const { return FFileName; }

private:
    enum class TLastOp { None, Read, Write };
    // A file buffer needs a seek between reading and writing.
    void Switch(TLastOp Op);

    std::string FFileName;
    std::filebuf FBuffer;
    TLastOp FLastOp = TLastOp::None;
};

// Raises EStreamError "Cannot What "FileName": reason" with the system's last error text.
[[noreturn]] void RaiseFileError(std::string_view What, const std::string& FileName);

} // namespace Shared
