#pragma once

#include "shared/Stream.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace Shared {

// A copy between files could not be completed (a source shorter than its reported size).
class EExeUtilsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TExeUtils;
using TOnProgressMax = std::function<void(TExeUtils& Sender, std::int64_t AMax)>;
using TOnProgressPos = std::function<void(TExeUtils& Sender, std::int64_t APos)>;

// Shown when an executable carries no archive; the handler is expected to end the process.
using TInvalidApplicationHandler = std::function<void(std::string_view Text, std::string_view Caption)>;

// The packaged executable: the runtime image from offset 0 to S, then one complete ZIP archive
// up to the end of the file. Finds, copies and appends that archive. File errors raise
// EStreamError; every file is closed on every path.
class TExeUtils {
public:
    static constexpr std::size_t ChunkSize = 10240;
    static constexpr std::string_view InvalidApplicationText = "This is not a valid Windows application";
    static constexpr std::string_view InvalidApplicationCaption = "Error";

    // Works on the running executable.
    TExeUtils();
    // Works on the executable at ExePath as if it were the running one (packager, tests).
    explicit TExeUtils(std::string ExePath);

    const std::string& ExePath() const { return FExePath; }

    // True when the executable's file is longer than S.
    bool ExeHasAttachedStub();
    // Copies the archive into MemoryStream from its position 0, overwriting what is there.
    // Without an archive, the invalid-application handler runs and nothing is copied.
    void GetZipFromExe(TMemoryStream& MemoryStream);
    // Writes the archive to a new (or truncated) file at ZipPath; without one, as above.
    void ExtractZipFromExe(const std::string& ZipPath);
    // Appends the file at ZipPath behind whatever the executable at ExePath already holds.
    void AppendZipToExe(const std::string& ZipPath, const std::string& ExePath);

    // S from the executable's own headers (ELF or PE); -1 when they cannot be read.
    std::int64_t GetAttachedStubOffset();
    // Size in bytes of the file at Path, or -1 when there is none.
    static std::int64_t GetFileSizeByPath(const std::string& Path);
    std::int64_t GetExeFileSize();

    // The copy loop of every operation: Size bytes in chunks of ChunkSize, OnProgressMax once
    // before and OnProgressPos with the running total after every chunk. A source that ends
    // before Size raises EExeUtilsError instead of waiting for bytes that never come.
    void CopyChunks(TStream& Source, TStream& Target, std::int64_t Size);

    const TOnProgressMax& OnProgressMax() const { return FOnProgressMax; }
    void SetOnProgressMax(TOnProgressMax Value) { FOnProgressMax = std::move(Value); }
    const TOnProgressPos& OnProgressPos() const { return FOnProgressPos; }
    void SetOnProgressPos(TOnProgressPos Value) { FOnProgressPos = std::move(Value); }

    // One handler for the whole process, set by start-up once the message box exists. The
    // default writes the text to standard error and ends the process with exit code 0. A
    // handler that returns leaves the operation without copying anything.
    static void SetInvalidApplicationHandler(TInvalidApplicationHandler Handler);

private:
    // Where the archive begins and how long it is; false after running the
    // invalid-application handler.
    bool LocateArchive(std::int64_t& Offset, std::int64_t& Size);

    std::string FExePath;
    TOnProgressMax FOnProgressMax;
    TOnProgressPos FOnProgressPos;
};

} // namespace Shared
