// The archive reader against damaged and hostile archives: every offset and size in them is
// checked, nothing is read outside the archive, and output never exceeds what an entry claims.

#include "ZipFixtures.h"
#include "shared/archive/ZipSource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using namespace Shared;
using namespace ZipFixtures;

namespace {

using TPatch = std::function<void(std::string&)>;

std::size_t EndRecord(const std::string& a) {
    return a.size() - 22;
}

} // namespace

TEST(ZipReader, DamagedDirectoriesAreRefusedWithTheirReason) {
    const std::string good = Write(Sample);
    const std::size_t last = CentralHeader(good, Sample.size() - 1);
    const struct {
        const char* Case;
        TPatch Patch;
        const char* Reason;
    } cases[] = {
        {"cut inside the end record", [](std::string& a) { a.resize(a.size() - 1); }, "not a ZIP archive"},
        {"a byte after the end record", [](std::string& a) { a += 'x'; }, "not a ZIP archive"},
        {"comment longer than the bytes after it", [](std::string& a) { PutU16(a, EndRecord(a) + 20, 1); },
         "not a ZIP archive"},
        {"too short for an end record", [](std::string& a) { a = a.substr(a.size() - 21); }, "too short"},
        {"one entry more than the directory holds",
         [](std::string& a) {
             PutU16(a, EndRecord(a) + 8, 6);
             PutU16(a, EndRecord(a) + 10, 6);
         },
         "central directory is damaged (entry 6"},
        {"one entry fewer",
         [](std::string& a) {
             PutU16(a, EndRecord(a) + 8, 4);
             PutU16(a, EndRecord(a) + 10, 4);
         },
         "holds more than its 4 entries"},
        {"directory one byte later and shorter",
         [](std::string& a) {
             PutU32(a, EndRecord(a) + 16, GetU32(a, EndRecord(a) + 16) + 1);
             PutU32(a, EndRecord(a) + 12, GetU32(a, EndRecord(a) + 12) - 1);
         },
         "entry 1: no header signature"},
        {"directory offset far outside", [](std::string& a) { PutU32(a, EndRecord(a) + 16, 0xFFFFFFF0u); },
         "outside the archive"},
        {"directory size past the end record",
         [](std::string& a) { PutU32(a, EndRecord(a) + 12, GetU32(a, EndRecord(a) + 12) + 1); },
         "outside the archive"},
        {"directory size one byte short",
         [](std::string& a) { PutU32(a, EndRecord(a) + 12, GetU32(a, EndRecord(a) + 12) - 1); },
         "entry 5: the directory ends inside its name"},
        {"a name longer than the directory", [last](std::string& a) { PutU16(a, last + 28, 0xFFFF); },
         "entry 5: the directory ends inside its name"},
        {"an extra field longer than the directory", [last](std::string& a) { PutU16(a, last + 30, 1); },
         "entry 5: the directory ends inside its name"},
        {"second disk", [](std::string& a) { PutU16(a, EndRecord(a) + 4, 1); }, "several disks"},
        {"entries on this disk differ from all entries",
         [](std::string& a) { PutU16(a, EndRecord(a) + 8, 4); }, "several disks"},
        {"64-bit records",
         [](std::string& a) {
             // A 64-bit locator right before the end record, whose fields point to it.
             std::string locator;
             AppendU32(locator, 0x07064B50u);
             locator += std::string(16, '\0');
             a.insert(EndRecord(a), locator);
             PutU32(a, EndRecord(a) + 16, 0xFFFFFFFFu);
         },
         "64-bit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        std::string bytes = good;
        c.Patch(bytes);
        TExeZip zip;
        zip.SetPassword(Archive::Password);
        try {
            zip.Open(bytes);
            ADD_FAILURE() << "opened";
        } catch (const EExeZipError& e) {
            EXPECT_THAT(e.what(), ::testing::StartsWith("Cannot open the application archive: "));
            EXPECT_THAT(e.what(), ::testing::HasSubstr(c.Reason));
        }
        EXPECT_FALSE(zip.Active());
        EXPECT_EQ(zip.FindFile("vtr.ini"), -1);
    }
}

TEST(ZipReader, AnUnusedLocatorBeforeTheEndRecordIsOnlyAName) {
    // A name whose last bytes look like a 64-bit locator: the end record's fields are plain
    // 32-bit values, so nothing points to the locator and the archive opens.
    std::string name = "x";
    AppendU32(name, 0x07064B50u);
    name += std::string(16, 'y');
    TOpened o(Write({{"a.txt", "a"}, {name, "b"}}));
    EXPECT_EQ(o.Zip.ExtractToString(name), "b");
    EXPECT_TRUE(o.Zip.LastCrcOk());
}

TEST(ZipReader, HostileEntriesWriteNothingOrTheirStart) {
    const std::string good = Write(Sample);
    const std::size_t index = CentralHeader(good, 2); // app/Index.HTML
    const std::size_t local = GetU32(good, index + 42);
    const std::string& page = Sample[2].Data;
    const auto central = [index](std::size_t field, std::uint32_t value, bool wide) {
        return [=](std::string& a) {
            wide ? PutU32(a, index + field, value)
                 : PutU16(a, index + field, static_cast<std::uint16_t>(value));
        };
    };
    const struct {
        const char* Case;
        TPatch Patch;
        std::string Expected;
    } cases[] = {
        {"local header offset past the end", central(42, static_cast<std::uint32_t>(good.size()), true), ""},
        {"local header offset at the very end", central(42, 0xFFFFFFFFu, true), ""},
        {"local header offset off by one", central(42, static_cast<std::uint32_t>(local + 1), true), ""},
        {"local header cut by the end of the archive",
         central(42, static_cast<std::uint32_t>(good.size() - 29), true), ""},
        {"local name length pointing past the end",
         [local](std::string& a) {
             PutU16(a, local + 26, 0xFFFF);
             PutU16(a, local + 28, 0xFFFF);
         },
         ""},
        {"compressed size past the end", central(20, 0xFFFFFFF0u, true), ""},
        {"compressed size shorter than the encryption header", central(20, 5, true), ""},
        {"stored sizes that disagree", central(24, static_cast<std::uint32_t>(page.size() + 1), true), ""},
        {"a method this reader lacks (bzip2)", central(10, 12, false), ""},
        {"strong encryption", central(8, 0x0049, false), ""},
        {"a CRC that does not match", central(16, Crc(page) ^ 1, true), page},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        std::string bytes = good;
        c.Patch(bytes);
        TOpened o(bytes);
        EXPECT_EQ(o.Zip.ExtractToString("app/index.html"), c.Expected);
        EXPECT_FALSE(o.Zip.LastCrcOk());
        EXPECT_EQ(o.Zip.ExtractToString("vtr.ini"), Sample[0].Data); // the others still read
        EXPECT_TRUE(o.Zip.LastCrcOk());
    }
}

TEST(ZipReader, InflatingStopsAtTheSizeAnEntryClaims) {
    const std::string zeros(4 << 20, '\0');
    const std::string text = Fixtures::Pattern(3000, 4);
    const std::string bytes = BuildArchive({
        {"bomb", zeros, true, "pw", 1000},         // inflates to far more than it claims
        {"short", text, true, std::nullopt, 5000}, // ends before it claims
        {"cut", text, true, std::nullopt},         // the stream's end is missing
    });
    TOpened o(bytes, "pw");
    EXPECT_EQ(o.Zip.ExtractToString("bomb").size(), 0u); // not even its first chunk
    EXPECT_FALSE(o.Zip.LastCrcOk());
    EXPECT_EQ(o.Zip.ExtractToString("short"), text);
    EXPECT_FALSE(o.Zip.LastCrcOk());

    std::string cut = bytes;
    const std::size_t entry = CentralHeader(cut, 2);
    PutU32(cut, entry + 20, GetU32(cut, entry + 20) - 10);
    TOpened c(cut, "pw");
    EXPECT_LE(c.Zip.ExtractToString("cut").size(), text.size());
    EXPECT_FALSE(c.Zip.LastCrcOk());

    std::string garbage = bytes;
    const std::size_t data = GetU32(garbage, entry + 42) + 30 + 3;
    for (std::size_t i = data; i < data + 64; ++i) {
        garbage[i] = static_cast<char>(0xFF);
    }
    TOpened g(garbage, "pw");
    EXPECT_LE(g.Zip.ExtractToString("cut").size(), text.size());
    EXPECT_FALSE(g.Zip.LastCrcOk());
}

namespace {

// Serves an archive by offset and records what was asked of it, as a source that reads the
// executable file on demand would be asked.
class TRecordingSource final : public TZipSource {
public:
    explicit TRecordingSource(std::string bytes) : FBytes(std::move(bytes)) {}
    std::uint64_t Size() const override { return FBytes.size(); }
    bool ReadAt(std::uint64_t Offset, void* Target, std::size_t Count) const override {
        Requested += Count;
        return TZipMemorySource(FBytes).ReadAt(Offset, Target, Count);
    }
    mutable std::uint64_t Requested = 0;

private:
    std::string FBytes;
};

} // namespace

TEST(ZipReader, ReadsOnlyTheRangesItNeedsFromItsSource) {
    std::vector<TFile> files;
    for (int i = 0; i < 40; ++i) {
        files.push_back(
            {"app/file" + std::to_string(i), Fixtures::Pattern(200000, static_cast<unsigned>(i))});
    }
    const std::string bytes = Write(files);
    auto owned = std::make_unique<TRecordingSource>(bytes);
    const TRecordingSource& source = *owned;
    TExeZip zip;
    zip.SetPassword(Archive::Password);
    zip.Open(std::move(owned));
    // Opening reads the end of the archive and its directory, not the 8 MB of entries.
    EXPECT_LT(source.Requested, 70000u);
    EXPECT_EQ(zip.FileCount(), 40);

    const std::uint64_t before = source.Requested;
    EXPECT_EQ(zip.ExtractToString("APP/FILE7"), files[7].Data);
    EXPECT_TRUE(zip.LastCrcOk());
    EXPECT_EQ(source.Requested - before, 30 + 12 + files[7].Data.size()); // its headers and data
}
