#pragma once

// Files and folders vtr-pack writes before it knows they are right: removed unless committed.

#include <filesystem>
#include <string>

namespace VtrPack {

// A name no earlier run left behind.
std::string RandomSuffix();

// Removes the file unless it was committed (renamed over its final name by the caller).
class TTempFile {
public:
    explicit TTempFile(std::filesystem::path Path) : FPath(std::move(Path)) {}
    ~TTempFile();
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    const std::filesystem::path& Path() const { return FPath; }
    void Commit() { FCommitted = true; }

private:
    std::filesystem::path FPath;
    bool FCommitted = false;
};

// A new folder, readable by its owner alone, in the system's temporary folder; removed with
// everything in it.
class TTempFolder {
public:
    explicit TTempFolder(const std::string& Prefix);
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

} // namespace VtrPack
