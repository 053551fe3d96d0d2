#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Shared {

// An in-memory INI document, loaded once from bytes and read many times.
// Section and key names compare without regard to letter case in any script.
class TIniDocument {
public:
    TIniDocument() = default;

    // Decodes (byte-order mark, else UTF-8) and parses; replaces any earlier content.
    void LoadFromBytes(std::string_view Bytes);
    void Clear();

    std::string ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const;
    int ReadInteger(std::string_view Section, std::string_view Ident, int Default) const;
    bool ReadBool(std::string_view Section, std::string_view Ident, bool Default) const;

    bool SectionExists(std::string_view Section) const;
    std::vector<std::string> SectionNames() const;

    // One line of a section: a key with its value, or a key without "=" (HasValue false).
    struct TLine {
        std::string Key;
        std::string Value;
        bool HasValue = false;
    };
    // Every line of Section in file order, repeated keys included (the reads see only the
    // last of each); empty when there is no such section.
    std::vector<TLine> SectionLines(std::string_view Section) const;

    // The decoding of the loader: BOM-selected UTF-8 / UTF-16 LE / UTF-16 BE, else UTF-8.
    static std::string DecodeText(std::string_view Bytes);

private:
    struct TSection {
        std::string Name;
        std::vector<TLine> Lines;
        // Folded key → index of its last line, which is the one read.
        std::unordered_map<std::string, std::size_t> Index;
    };

    const TLine* FindLine(std::string_view Section, std::string_view Ident) const;

    std::vector<TSection> FSections;
    std::unordered_map<std::string, std::size_t> FSectionIndex;
};

} // namespace Shared
