#include "shared/exe/ExeHeaders.h"
#include "ExeFixtures.h"
#include "platform/ExecutablePath.h"

#include <gtest/gtest.h>

using namespace Shared;
using Fixtures::MakeElf64;
using Fixtures::MakePe;

namespace {

std::optional<std::uint64_t> End(const std::string& bytes) {
    TMemoryStream s{bytes};
    return TExeHeaders::GetImageEnd(s);
}

} // namespace

TEST(ExeHeaders, RunningExecutableEndsAtItsFileSize) {
    const std::string self = Platform::GetExecutablePath();
    ASSERT_FALSE(self.empty());
    TFileStream image(self, TFileMode::OpenRead);
    const auto end = TExeHeaders::GetImageEnd(image);
    ASSERT_TRUE(end.has_value());
    EXPECT_EQ(*end, std::filesystem::file_size(self));
}

TEST(ExeHeaders, ElfTakesTheLargestEndOfHeadersSegmentsAndSections) {
    // Section table at 4096 with the null section and one more: ends at 4096 + 2 * 64.
    EXPECT_EQ(End(MakeElf64(1000, {{1, 2000, 100}}, 4096)), 4096u + 2 * 64);
    // A section behind the table moves the end; a NOBITS one never does.
    const std::string far = MakeElf64(1000, {{1, 5000, 100}, {8, 9000, 100000}}, 4096);
    EXPECT_EQ(End(far), 5100u);
    // Sections and segments beyond the file make the end lie beyond it.
    EXPECT_EQ(End(MakeElf64(70000, {}, 4096)), 70000u);

    // The same image in 32-bit big-endian form is read with its own layout.
    std::string s(52 + 32, '\0');
    s.replace(0, 4,
              "\x7F"
              "ELF");
    s[4] = 1;
    s[5] = 2;
    Fixtures::Put(s, 0x1C, 52, 4, false);
    Fixtures::Put(s, 0x28, 52, 2, false);
    Fixtures::Put(s, 0x2A, 32, 2, false);
    Fixtures::Put(s, 0x2C, 1, 2, false);
    Fixtures::Put(s, 52 + 4, 0, 4, false);
    Fixtures::Put(s, 52 + 16, 300, 4, false);
    s.resize(400);
    EXPECT_EQ(End(s), 300u);
}

TEST(ExeHeaders, PeTakesTheLargestRawDataEnd) {
    EXPECT_EQ(End(MakePe({{0x400, 0x200}, {0x600, 0x1000}, {0, 0}}, 0x1600)), 0x1600u);
    EXPECT_EQ(End(MakePe({{0x1000, 0x200}, {0x400, 0x200}}, 0x1200)), 0x1200u); // order does not matter
    // Without raw data, the end of the section table.
    EXPECT_EQ(End(MakePe({{0, 0}}, 0x40 + 24 + 240 + 40)), 0x40u + 24 + 240 + 40);
    // Sums past 32 bits are not wrapped round into the image.
    EXPECT_EQ(End(MakePe({{0xFFFFFF00u, 0x200}}, 0x400)), 0xFFFFFF00ull + 0x200);
}

TEST(ExeHeaders, UnknownOrCutOffHeadersGiveNothing) {
    const std::string elf = MakeElf64(1000, {}, 2048);
    const std::string pe = MakePe({{0x400, 0x200}}, 0x600);
    const std::vector<std::string> bad = {
        "",
        "MZ",
        "#!/bin/sh\necho hello\n",
        elf.substr(0, 40),                                   // ELF header cut
        std::string("\x7F") + "ELF\x03\x01" + elf.substr(6), // unknown class
        pe.substr(0, 0x50),                                  // PE signature cut
        "MZ" + pe.substr(2, 0x3E) + "PX" + pe.substr(0x42),  // no PE signature
    };
    for (const std::string& b : bad) {
        EXPECT_FALSE(End(b).has_value()) << b.size();
    }
    // A cut-off section table still says where the image ends: beyond the file.
    EXPECT_EQ(End(elf.substr(0, 2100)), 2048u + 64);
    EXPECT_GT(*End(pe.substr(0, 0x40 + 24 + 240 + 20)), 0x40u + 24 + 240 + 20);
}

TEST(ExeHeaders, CrossCompiledWindowsExecutable) {
#ifdef VTR_PE_FIXTURE
    const std::string path = VTR_PE_FIXTURE;
    TFileStream image(path, TFileMode::OpenRead);
    const auto end = TExeHeaders::GetImageEnd(image);
    ASSERT_TRUE(end.has_value());
    EXPECT_EQ(*end, std::filesystem::file_size(path)); // linked and stripped: nothing behind the sections
#else
    GTEST_SKIP() << "x86_64-w64-mingw32-gcc is not installed: no real PE fixture";
#endif
}
