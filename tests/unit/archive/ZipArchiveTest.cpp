#include "ZipFixtures.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace Shared;
using namespace ZipFixtures;

namespace {

std::uint32_t U16(const std::string& s, std::size_t at) {
    return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint8_t>(s[at + 1]) << 8;
}
std::uint32_t U32(const std::string& s, std::size_t at) {
    return U16(s, at) | U16(s, at + 2) << 16;
}

} // namespace

TEST(ZipWriter, WritesTheAgreedLayoutByteForByte) {
    const std::string prefix = "runtime image bytes";
    const std::string a = Write(Sample, prefix);
    EXPECT_EQ(a, Write(Sample, "other prefix")); // offsets count from the archive, so the same bytes

    std::size_t at = 0;
    for (const TFile& f : Sample) {
        SCOPED_TRACE(f.Name);
        ASSERT_EQ(U32(a, at), 0x04034B50u);
        EXPECT_EQ(U16(a, at + 4), 20u);
        EXPECT_EQ(U16(a, at + 6), 0x0009u);
        EXPECT_EQ(U16(a, at + 8), 0u);
        EXPECT_EQ(U16(a, at + 10), 0x6000u); // 12:00:00
        EXPECT_EQ(U16(a, at + 12), (42u << 9) | (1u << 5) | 1u);
        EXPECT_EQ(U32(a, at + 14), Crc(f.Data));
        EXPECT_EQ(U32(a, at + 18), f.Data.size() + 12);
        EXPECT_EQ(U32(a, at + 22), f.Data.size());
        EXPECT_EQ(a.substr(at + 30, U16(a, at + 26)), f.Name);
        EXPECT_EQ(U16(a, at + 28), 0u);
        // No data descriptor follows the data: the next header comes straight after it.
        at += 30 + f.Name.size() + 12 + f.Data.size();
    }
    const std::size_t directory = at;
    for (const TFile& f : Sample) {
        SCOPED_TRACE(f.Name);
        ASSERT_EQ(U32(a, at), 0x02014B50u);
        EXPECT_EQ(U16(a, at + 4), 20u);
        EXPECT_EQ(U16(a, at + 6), 20u);
        EXPECT_EQ(U16(a, at + 8), 0x0009u);
        EXPECT_EQ(U32(a, at + 16), Crc(f.Data));
        EXPECT_EQ(U32(a, at + 38), f.Name.back() == '/' ? 0x10u : 0u);
        EXPECT_EQ(U16(a, at + 30) + U16(a, at + 32), 0u); // no extra field, no comment
        at += 46 + f.Name.size();
    }
    ASSERT_EQ(U32(a, at), 0x06054B50u);
    EXPECT_EQ(U16(a, at + 10), Sample.size());
    EXPECT_EQ(U32(a, at + 16), directory);
    EXPECT_EQ(U16(a, at + 20), 0u);
    EXPECT_EQ(at + 22, a.size()); // the end record closes the archive
}

TEST(ZipWriter, ASourceThatChangedWhileBeingPackedIsRefused) {
    TMemoryStream target;
    TZipWriter writer(target, Archive::Password);
    TMemoryStream shorter{std::string(10, 'x')}, longer{std::string(30, 'x')};
    EXPECT_THROW(writer.AddFile("a", shorter, 20), EZipWriterError);
    TZipWriter again(target, Archive::Password);
    EXPECT_THROW(again.AddFile("b", longer, 20), EZipWriterError);
}

TEST(ZipCrypto, CrcFollowsFromTheFirstKey) {
    for (const std::size_t size : {0u, 1u, 7u, 4096u, 100001u}) {
        std::string data = Fixtures::Pattern(size, static_cast<unsigned>(size));
        const std::string plain = data;
        TZipCrypto enc("pw");
        enc.Encrypt(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
        TZipCrypto dec("pw");
        const std::uint32_t start = dec.Key0();
        dec.Decrypt(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
        EXPECT_EQ(data, plain);
        EXPECT_EQ(TZipCrypto::CrcFromKey0(start, dec.Key0(), size), Crc(plain)) << size;
    }
}

TEST(ExeZip, FindsNamesIgnoringAsciiCaseInArchiveOrder) {
    TOpened o(Write(Sample));
    std::vector<std::string> names;
    for (const TFile& f : Sample) {
        names.push_back(f.Name);
    }
    EXPECT_EQ(o.Zip.FileNames(), names);
    EXPECT_EQ(o.Zip.FileCount(), 5);
    EXPECT_EQ(o.Zip.FindFile("app/index.html"), 2);
    EXPECT_EQ(o.Zip.FindFile("APP/INDEX.html"), 2);
    EXPECT_EQ(o.Zip.FindFile("VTR.INI"), 0);
    EXPECT_EQ(o.Zip.FindFile("app/img/"), 3);
    EXPECT_EQ(o.Zip.FindFile("app/img"), -1);
    EXPECT_EQ(o.Zip.FindFile("app/index.htm"), -1);
    EXPECT_EQ(o.Zip.FindFile(""), -1);

    // Only ASCII letters fold: "É" and "é" are different names.
    TOpened u(Write({{"caf\xC3\x89.txt", "a"}, {"A.txt", "first"}, {"a.TXT", "second"}}));
    EXPECT_EQ(u.Zip.FindFile("caf\xC3\xA9.txt"), -1);
    EXPECT_EQ(u.Zip.FindFile("CAF\xC3\x89.TXT"), 0);
    EXPECT_EQ(u.Zip.ExtractToString("a.txt"), "first"); // the first of two that differ in case
}

TEST(ExeZip, ExtractsEverySize) {
    // Around the encryption header's size and the reader's 64 kB chunks.
    std::vector<TFile> files;
    for (const std::size_t size : {0u, 1u, 11u, 12u, 13u, 65535u, 65536u, 65537u, 200000u}) {
        files.push_back({"f" + std::to_string(size), Fixtures::Pattern(size, static_cast<unsigned>(size))});
    }
    TOpened o(Write(files));
    for (const TFile& f : files) {
        EXPECT_EQ(o.Zip.ExtractToString(f.Name), f.Data) << f.Name;
        EXPECT_TRUE(o.Zip.LastCrcOk()) << f.Name;
    }
}

TEST(ExeZip, ExtractsAtTheStreamPositionAndMissingEntriesWriteNothing) {
    TOpened o(Write(Sample));
    TMemoryStream target;
    target.Write("0123456789");
    target.SetPosition(2);
    o.Zip.ExtractToStream("APP/index.html", target);
    EXPECT_EQ(target.View(), "01<html>hello</html>");
    EXPECT_TRUE(o.Zip.LastCrcOk());

    target.SetPosition(0);
    o.Zip.ExtractToStream("app/missing.html", target);
    EXPECT_EQ(target.View(), "01<html>hello</html>");
    EXPECT_EQ(target.Position(), 0);
    EXPECT_FALSE(o.Zip.LastCrcOk());

    TExeZip closed;
    EXPECT_EQ(closed.FindFile("vtr.ini"), -1);
    EXPECT_EQ(closed.ExtractToString("vtr.ini"), "");
}

TEST(ExeZip, DamagedOrWronglyEncryptedEntriesNeverRaise) {
    const std::string good = Write(Sample);
    const std::string& data = Sample[4].Data;
    // Flip one byte in the middle of logo.png's encrypted data.
    std::string damaged = good;
    const std::size_t logo = damaged.find("app/img/logo.png") + 16 + 12 + 1000;
    damaged[logo] = static_cast<char>(damaged[logo] ^ 0x55);

    TOpened d(damaged);
    const std::string got = d.Zip.ExtractToString("app/img/logo.png");
    EXPECT_FALSE(d.Zip.LastCrcOk());
    EXPECT_LE(got.size(), data.size());
    EXPECT_EQ(got.substr(0, 1000), data.substr(0, 1000)); // whatever came is the entry's start
    EXPECT_EQ(d.Zip.ExtractToString("app/Index.HTML"), "<html>hello</html>"); // others unharmed
    EXPECT_TRUE(d.Zip.LastCrcOk());

    TOpened w(good, "wrong password");
    EXPECT_EQ(w.Zip.ExtractToString("app/img/logo.png"), "");
    EXPECT_FALSE(w.Zip.LastCrcOk());
    TOpened none(good, "");
    EXPECT_EQ(none.Zip.ExtractToString("vtr.ini"), "");
    EXPECT_FALSE(none.Zip.LastCrcOk());
}

TEST(ExeZip, BytesThatAreNoArchiveAreRefusedOnOpen) {
    const std::string good = Write(Sample);
    for (const std::string& bad :
         {std::string(), std::string("not a zip at all"), good.substr(0, good.size() - 30)}) {
        TExeZip zip;
        zip.SetPassword(Archive::Password);
        EXPECT_THROW(zip.Open(bad), EExeZipError) << bad.size();
        EXPECT_FALSE(zip.Active());
    }
}

TEST(ExeZip, ReadsArchivesOfOtherWriters) {
    // Deflated and stored, encrypted and plain, the check byte from the CRC rather than the
    // time, no data-descriptor flag, and an archive comment.
    const std::string text(50000, 'a');
    const std::string noise = Fixtures::Pattern(100000, 3); // deflate cannot shrink it
    const std::string bytes = BuildArchive(
        {
            {"Deflated.txt", text, true, "pw"},
            {"noise.bin", noise, true, "pw"},
            {"plain/Deflated.txt", text, true, std::nullopt},
            {"plain/stored.txt", "stored, not encrypted", false, std::nullopt},
            {"empty.txt", "", true, "pw"},
            {"stored.bin", noise, false, "pw"},
        },
        "a comment with PK\x05\x06 inside, and more than twenty-two bytes after it");
    ASSERT_LT(bytes.size(), 2 * noise.size() + 5000); // text really compressed

    TOpened o(bytes, "pw");
    for (const auto& [name, expected] : std::vector<std::pair<std::string, std::string>>{
             {"deflated.TXT", text},
             {"noise.bin", noise},
             {"PLAIN/deflated.txt", text},
             {"plain/stored.txt", "stored, not encrypted"},
             {"empty.txt", ""},
             {"stored.bin", noise},
         }) {
        EXPECT_EQ(o.Zip.ExtractToString(name), expected) << name;
        EXPECT_TRUE(o.Zip.LastCrcOk()) << name;
    }
    // Plain entries need no password; encrypted ones do.
    TOpened none(bytes, "");
    EXPECT_EQ(none.Zip.ExtractToString("plain/deflated.txt"), text);
    EXPECT_EQ(none.Zip.ExtractToString("deflated.txt"), "");
}

TEST(ExeZip, TellsWhetherAFileHoldsAnEntrysBytes) {
    TOpened o(Write(Sample));
    const std::string dir = ::testing::TempDir();
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir + name, std::ios::binary) << bytes;
        return dir + name;
    };
    const std::string& logo = Sample[4].Data;
    EXPECT_TRUE(o.Zip.SameAsFile("APP/img/logo.png", write("same.bin", logo)));
    std::string changed = logo;
    changed[100] ^= 1;
    EXPECT_FALSE(o.Zip.SameAsFile("app/img/logo.png", write("changed.bin", changed)));
    EXPECT_FALSE(o.Zip.SameAsFile("app/img/logo.png", write("longer.bin", logo + "x")));
    EXPECT_FALSE(o.Zip.SameAsFile("app/img/logo.png", dir + "missing.bin"));
    EXPECT_FALSE(o.Zip.SameAsFile("app/none.png", dir + "same.bin"));
}
