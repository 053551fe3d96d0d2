// A stand-in runtime for the packaging tests: it opens the archive appended to its own file
// the way start-up does and prints one line per entry, "name<TAB>size<TAB>crc32<TAB>ok|BAD",
// with the CRC-32 of the bytes it extracted. Exit code 3 when it carries no archive.

#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ExeZip.h"
#include "shared/exe/ExeUtils.h"

#include <cstdio>
#include <exception>
#include <zlib.h>

int main() {
    try {
        Shared::TExeUtils utils;
        if (!utils.ExeHasAttachedStub()) {
            std::puts("no archive");
            return 3;
        }
        Shared::TMemoryStream memory;
        utils.GetZipFromExe(memory);
        memory.SetPosition(0);
        Shared::TExeZip zip;
        zip.SetPassword(Shared::Archive::Password);
        zip.Open(memory);
        for (const std::string& name : zip.FileNames()) {
            const std::string bytes = zip.ExtractToString(name);
            const auto crc =
                crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
            std::printf("%s\t%zu\t%08lx\t%s\n", name.c_str(), bytes.size(), static_cast<unsigned long>(crc),
                        zip.LastCrcOk() ? "ok" : "BAD");
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
