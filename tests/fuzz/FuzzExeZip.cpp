#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ExeZip.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Keeps nothing, so that an entry claiming a huge size costs no memory.
class TDiscard final : public Shared::TStream {
public:
    std::size_t Read(void*, std::size_t) override { return 0; }
    void Write(const void*, std::size_t) override {}
    std::int64_t Seek(std::int64_t, Shared::TSeekOrigin) override { return 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Shared::TExeZip zip;
    zip.SetPassword(Shared::Archive::Password);
    try {
        zip.Open(bytes);
    } catch (const Shared::EExeZipError&) {
        return 0;
    }
    std::size_t n = 0;
    for (const std::string& name : zip.FileNames()) {
        if (++n > 64) {
            break;
        }
        TDiscard target;
        zip.ExtractToStream(name, target);
        (void)zip.LastCrcOk();
        std::string upper = name;
        for (char& c : upper) {
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        }
        (void)zip.FindFile(upper);
    }
    // Into memory, as start-up reads the configuration: only what the archive can hold.
    (void)zip.ExtractToString("vtr.ini");
    return 0;
}
