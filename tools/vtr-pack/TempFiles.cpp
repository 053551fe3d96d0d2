#include "TempFiles.h"

#include "base/Ascii.h"

#include <random>

namespace VtrPack {

namespace fs = std::filesystem;

std::string RandomSuffix() {
    std::random_device rd;
    std::string s;
    for (int i = 0; i < 12; ++i) {
        s += Base::HexDigit(rd() % 16, false);
    }
    return s;
}

TTempFile::~TTempFile() {
    if (!FCommitted) {
        std::error_code ec;
        fs::remove(FPath, ec);
    }
}

TTempFolder::TTempFolder(const std::string& Prefix) {
    const fs::path parent = fs::temp_directory_path();
    for (int attempt = 0;; ++attempt) {
        fs::path path = parent / (Prefix + RandomSuffix());
        std::error_code ec;
        // create_directory is false for a name that exists: someone else's, never reused.
        if (fs::create_directory(path, ec)) {
            fs::permissions(path, fs::perms::owner_all);
            FPath = std::move(path);
            return;
        }
        if (attempt == 8) {
            throw fs::filesystem_error("cannot create a temporary folder", path, ec);
        }
    }
}

TTempFolder::~TTempFolder() {
    std::error_code ec;
    fs::remove_all(FPath, ec);
}

} // namespace VtrPack
