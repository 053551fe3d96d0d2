#pragma once

// Small files for the archive tests: a private temporary folder and minimal ELF and PE images
// whose headers place the image end exactly where a test wants it.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace Fixtures {

class TTempDir {
public:
    TTempDir() {
        std::random_device rd;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::filesystem::path p = std::filesystem::temp_directory_path() /
                                      ("vtr-test-" + std::to_string(rd()) + std::to_string(rd()));
            if (std::filesystem::create_directory(p)) {
                FPath = p;
                return;
            }
        }
        throw std::runtime_error("no temporary folder");
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return (FPath / name).string(); }

private:
    std::filesystem::path FPath;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void Put(std::string& s, std::size_t at, std::uint64_t value, int width, bool little = true) {
    if (s.size() < at + static_cast<std::size_t>(width)) {
        s.resize(at + static_cast<std::size_t>(width), '\0');
    }
    for (int i = 0; i < width; ++i) {
        const int shift = little ? 8 * i : 8 * (width - 1 - i);
        s[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> shift) & 0xFF);
    }
}

inline std::string Pattern(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

struct TElfSection {
    std::uint32_t Type; // 1 PROGBITS, 8 NOBITS
    std::uint64_t Offset;
    std::uint64_t Size;
};

// A 64-bit little-endian ELF: header, one program header covering [64, SegmentEnd), the given
// sections and the section table at ShOff (section 0 is the null section). The file is padded
// with a pattern up to the table; nothing follows it.
inline std::string MakeElf64(std::uint64_t segmentEnd, const std::vector<TElfSection>& sections,
                             std::uint64_t shOff) {
    std::string s = Pattern(shOff, 7);
    s.replace(0, 4,
              "\x7F"
              "ELF");
    s[4] = 2; // 64-bit
    s[5] = 1; // little-endian
    s[6] = 1;
    for (std::size_t i = 7; i < 16; ++i) {
        s[i] = 0;
    }
    Put(s, 0x10, 2, 2);    // executable
    Put(s, 0x12, 0x3E, 2); // x86-64
    Put(s, 0x20, 64, 8);   // e_phoff
    Put(s, 0x28, shOff, 8);
    Put(s, 0x34, 64, 2);
    Put(s, 0x36, 56, 2);
    Put(s, 0x38, 1, 2);
    Put(s, 0x3A, 64, 2);
    Put(s, 0x3C, sections.size() + 1, 2);
    Put(s, 0x3E, 0, 2);
    // PT_LOAD from 0 to segmentEnd.
    Put(s, 64, 1, 4);
    Put(s, 64 + 8, 0, 8);
    Put(s, 64 + 32, segmentEnd, 8);
    Put(s, 64 + 40, segmentEnd, 8);
    std::string table(64, '\0');
    for (const TElfSection& sec : sections) {
        std::string e(64, '\0');
        Put(e, 4, sec.Type, 4);
        Put(e, 24, sec.Offset, 8);
        Put(e, 32, sec.Size, 8);
        table += e;
    }
    return s + table;
}

struct TPeSection {
    std::uint32_t PointerToRawData;
    std::uint32_t SizeOfRawData;
};

// A PE32+ image: DOS header, "PE\0\0" at 0x40, a 240-byte optional header, the section table,
// then a pattern up to FileSize.
inline std::string MakePe(const std::vector<TPeSection>& sections, std::size_t fileSize) {
    std::string s = Pattern(fileSize, 3);
    const std::size_t headerEnd = 0x40 + 24 + 240 + 40 * sections.size();
    if (s.size() < headerEnd) {
        s.resize(headerEnd);
    }
    std::fill(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(headerEnd), '\0');
    s[0] = 'M';
    s[1] = 'Z';
    Put(s, 0x3C, 0x40, 4);
    s.replace(0x40, 4, std::string("PE\0\0", 4));
    Put(s, 0x44, 0x8664, 2);
    Put(s, 0x46, sections.size(), 2);
    Put(s, 0x54, 240, 2);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const std::size_t at = 0x40 + 24 + 240 + 40 * i;
        s.replace(at, 5, ".sec" + std::to_string(i % 10));
        Put(s, at + 16, sections[i].SizeOfRawData, 4);
        Put(s, at + 20, sections[i].PointerToRawData, 4);
    }
    return s;
}

} // namespace Fixtures
