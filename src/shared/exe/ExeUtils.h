#pragma once

#include "shared/archive/Stream.h"
#include "shared/archive/ZipSource.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Shared {

// A copy between files could not be completed (a source shorter than its reported size).
class EExeUtilsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An executable's icon could not be changed. The message is one of the fixed texts of
// ChangeExeIcon, such as "Icon file is invalid" or "FindResource failed (1)".
class EExeResourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// New values of the version strings, UTF-8. A key left empty (nullopt) keeps its value.
struct TExeVersionStrings {
    std::optional<std::string> CompanyName;
    std::optional<std::string> FileDescription;
    std::optional<std::string> FileVersion;
    std::optional<std::string> InternalName;
    std::optional<std::string> LegalCopyright;
    std::optional<std::string> LegalTrademarks;
    std::optional<std::string> OriginalFileName;
    std::optional<std::string> ProgramID;
    std::optional<std::string> ProductName;
    std::optional<std::string> ProductVersion;
    std::optional<std::string> Comments;

    // The keys in the order they are rewritten, with their values.
    std::vector<std::pair<std::string_view, const std::optional<std::string>*>> Keys() const;
    // Sets the value of the key named Key (as Keys names it); false for an unknown key.
    bool Set(std::string_view Key, std::string Value);
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
    // The archive where it lies in the executable, read as it is asked for instead of copied
    // into memory. Without an archive, the invalid-application handler runs and the result is
    // empty; an executable that cannot be opened raises EStreamError.
    std::unique_ptr<TZipSource> OpenZipInExe();
    // Writes the archive to a new (or truncated) file at ZipPath; without one, as above.
    void ExtractZipFromExe(const std::string& ZipPath);
    // Appends the file at ZipPath behind whatever the executable at ExePath already holds.
    void AppendZipToExe(const std::string& ZipPath, const std::string& ExePath);

    // Replaces the main icon (the icon group "MAINICON") of the PE executable at ExePath with
    // the images of the icon file at IcoPath: icons 1..N and the group in language 1033, the old
    // group and its icons removed. An icon still used by another group is kept, and a new image
    // then takes the next free ID instead. Raises EExeResourceError with the fixed texts ("Icon
    // file is too large", "Icon file is invalid", "BeginUpdateResource failed (1)" for a file
    // that is no PE image or whose resources are damaged, "FindResource failed (1)",
    // "GetResourceLanguage failed (1)" / "(2)", "EndUpdateResource failed"), or EStreamError
    // when the icon file cannot be opened. A failure leaves the executable unchanged.
    static void ChangeExeIcon(const std::string& ExePath, const std::string& IcoPath);

    // Replaces the version strings of the PE executable at ExePath under every translation of
    // its version block; a key the block does not hold is not added. The block is written back
    // as the same resource, in its own language. False, and the file unchanged, when there is
    // no such file, no readable version block, no translation, or the file cannot be written.
    static bool UpdateExeInfo(const std::string& ExePath, const std::string& CompanyName,
                              const std::string& FileDescription, const std::string& FileVersion,
                              const std::string& InternalName, const std::string& LegalCopyright,
                              const std::string& LegalTrademarks, const std::string& OriginalFileName,
                              const std::string& ProgramID, const std::string& ProductName,
                              const std::string& ProductVersion, const std::string& Comments);
    // The same, changing only the keys that carry a value.
    static bool UpdateExeInfo(const std::string& ExePath, const TExeVersionStrings& Values);

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
