#pragma once

// Archives for the reader's tests: the packager's own layout through TZipWriter, and archives
// of other writers (deflated, plain, with a comment) built field by field.

#include "ExeFixtures.h"
#include "base/LittleEndian.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ExeZip.h"
#include "shared/archive/ZipCrypto.h"
#include "shared/archive/ZipWriter.h"

#include <gtest/gtest.h>

#include <optional>
#include <zlib.h>

namespace ZipFixtures {

inline std::uint32_t Crc(std::string_view s) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

struct TFile {
    std::string Name, Data;
};

// The packager's layout; a name ending in "/" is a folder.
inline std::string Write(const std::vector<TFile>& files, std::string_view prefix = {},
                         std::string_view password = Shared::Archive::Password) {
    Shared::TMemoryStream target;
    target.Write(prefix);
    Shared::TZipWriter writer(target, password);
    for (const TFile& f : files) {
        if (!f.Name.empty() && f.Name.back() == '/') {
            writer.AddFolder(f.Name);
        } else {
            writer.AddFile(f.Name, f.Data);
        }
    }
    writer.Finish();
    EXPECT_EQ(writer.Size() + prefix.size(), static_cast<std::uint64_t>(target.Size()));
    return std::string(target.View().substr(prefix.size()));
}

struct TOpened {
    std::string Bytes;
    Shared::TExeZip Zip;
    explicit TOpened(std::string bytes, std::string_view password = Shared::Archive::Password)
        : Bytes(std::move(bytes)) {
        Zip.SetPassword(password);
        Zip.Open(Bytes);
    }
};

inline const std::vector<TFile> Sample = {
    {"vtr.ini", "[App]\r\nID=x\r\n"},
    {"app/", ""},
    {"app/Index.HTML", "<html>hello</html>"},
    {"app/img/", ""},
    {"app/img/logo.png", Fixtures::Pattern(70000, 9)},
};

// Offset of the central header of entry Index in an archive without a comment.
inline std::size_t CentralHeader(const std::string& archive, std::size_t index) {
    std::size_t at = Shared::GetU32(archive, archive.size() - 22 + 16);
    for (std::size_t i = 0; i < index; ++i) {
        at += 46 + Shared::GetU16(archive, at + 28) + Shared::GetU16(archive, at + 30) +
              Shared::GetU16(archive, at + 32);
    }
    return at;
}

inline std::string RawDeflate(std::string_view plain) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, static_cast<uLong>(plain.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// An entry as other writers make it: deflated or stored, encrypted or plain, the check byte
// taken from the CRC, no data-descriptor flag. Size overrides the size the headers claim.
struct TRawEntry {
    std::string Name;
    std::string Plain;
    bool Deflate = false;
    std::optional<std::string> Password;
    std::optional<std::uint32_t> Size;
};

inline std::string BuildArchive(const std::vector<TRawEntry>& entries, std::string_view comment = {}) {
    std::string archive, directory;
    for (const TRawEntry& e : entries) {
        std::string data = e.Deflate ? RawDeflate(e.Plain) : e.Plain;
        const std::uint32_t crc = Crc(e.Plain);
        if (e.Password) {
            std::string header = Fixtures::Pattern(11, 5);
            header += static_cast<char>(crc >> 24);
            data = header + data;
            Shared::TZipCrypto cipher(*e.Password);
            cipher.Encrypt(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
        }
        std::string fields;
        Shared::AppendU16(fields, 20);
        Shared::AppendU16(fields, e.Password ? 1 : 0);
        Shared::AppendU16(fields, e.Deflate ? 8 : 0);
        Shared::AppendU16(fields, 0x6000);
        Shared::AppendU16(fields, Shared::Archive::DosDate);
        Shared::AppendU32(fields, crc);
        Shared::AppendU32(fields, static_cast<std::uint32_t>(data.size()));
        Shared::AppendU32(fields, e.Size.value_or(static_cast<std::uint32_t>(e.Plain.size())));
        Shared::AppendU16(fields, static_cast<std::uint16_t>(e.Name.size()));
        Shared::AppendU16(fields, 0); // extra field

        const auto offset = static_cast<std::uint32_t>(archive.size());
        Shared::AppendU32(archive, 0x04034B50u);
        archive += fields + e.Name + data;

        Shared::AppendU32(directory, 0x02014B50u);
        Shared::AppendU16(directory, 20); // made by
        directory += fields;
        Shared::AppendU16(directory, 0); // comment
        Shared::AppendU16(directory, 0); // disk
        Shared::AppendU16(directory, 0); // internal attributes
        Shared::AppendU32(directory, 0); // external attributes
        Shared::AppendU32(directory, offset);
        directory += e.Name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    Shared::AppendU32(archive, 0x06054B50u);
    Shared::AppendU16(archive, 0);
    Shared::AppendU16(archive, 0);
    Shared::AppendU16(archive, static_cast<std::uint16_t>(entries.size()));
    Shared::AppendU16(archive, static_cast<std::uint16_t>(entries.size()));
    Shared::AppendU32(archive, static_cast<std::uint32_t>(directory.size()));
    Shared::AppendU32(archive, directoryOffset);
    Shared::AppendU16(archive, static_cast<std::uint16_t>(comment.size()));
    archive += comment;
    return archive;
}

} // namespace ZipFixtures
