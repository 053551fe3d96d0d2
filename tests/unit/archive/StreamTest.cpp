#include "shared/archive/Stream.h"
#include "ExeFixtures.h"

#include <gtest/gtest.h>

using namespace Shared;

TEST(MemoryStream, ReadWriteSeekAndGaps) {
    TMemoryStream s;
    s.Write("hello world");
    EXPECT_EQ(s.Position(), 11);
    s.SetPosition(6);
    s.Write("WORLD!!"); // overwrites the tail and grows
    EXPECT_EQ(s.View(), "hello WORLD!!");
    s.Seek(2, TSeekOrigin::End); // a gap past the end reads as zeros once written behind
    s.Write("x");
    EXPECT_EQ(s.View(), std::string("hello WORLD!!\0\0x", 16));

    char buf[8] = {};
    s.SetPosition(0);
    EXPECT_EQ(s.Read(buf, 5), 5u);
    EXPECT_EQ(std::string(buf, 5), "hello");
    s.Seek(-2, TSeekOrigin::End);
    EXPECT_EQ(s.Read(buf, 8), 2u); // short only at the end
    EXPECT_EQ(s.Read(buf, 8), 0u);
    EXPECT_THROW(s.Seek(-1, TSeekOrigin::Beginning), EStreamError);

    s.SetSize(5);
    EXPECT_EQ(s.TakeBytes(), "hello");
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(FileStream, CreateWriteReopenAndErrors) {
    Fixtures::TTempDir dir;
    const std::string path = dir / "f.bin";
    {
        TFileStream f(path, TFileMode::Create);
        f.Write("0123456789");
        f.SetPosition(2);
        f.Write("ab");
        char c = 0;
        EXPECT_EQ(f.Read(&c, 1), 1u); // reading right after writing
        EXPECT_EQ(c, '4');
        EXPECT_EQ(f.Size(), 10);
        f.Close();
    }
    EXPECT_EQ(Fixtures::ReadFile(path), "01ab456789");
    {
        TFileStream f(path, TFileMode::OpenWrite); // kept, not truncated
        f.Seek(0, TSeekOrigin::End);
        f.Write("!");
    }
    EXPECT_EQ(Fixtures::ReadFile(path), "01ab456789!");

    try {
        TFileStream missing(dir / "missing.bin", TFileMode::OpenRead);
        FAIL() << "opened a missing file";
    } catch (const EStreamError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    }
    EXPECT_THROW(TFileStream(dir.Path().string(), TFileMode::OpenRead), EStreamError); // a folder
    EXPECT_THROW(TFileStream(dir / "no/such/dir/x", TFileMode::Create), EStreamError);
}
