#include "shared/config/IniDocument.h"

#include "platform/Text.h"
#include "shared/text/StrUtils.h"
#include "shared/text/Unicode.h"

namespace Shared {

std::string TIniDocument::DecodeText(std::string_view Bytes) {
    const auto startsWith = [&](std::string_view mark) { return Bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xEF\xBB\xBF")) {
        return MakeValidUtf8(Bytes.substr(3));
    }
    const bool littleEndian = startsWith("\xFF\xFE");
    if (littleEndian || startsWith("\xFE\xFF")) {
        std::u16string units;
        units.reserve(Bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < Bytes.size(); i += 2) {
            const auto b0 = static_cast<unsigned char>(Bytes[i]);
            const auto b1 = static_cast<unsigned char>(Bytes[i + 1]);
            units += static_cast<char16_t>(littleEndian ? (b1 << 8 | b0) : (b0 << 8 | b1));
        }
        return Utf16ToUtf8(units);
    }
    return MakeValidUtf8(Bytes);
}

void TIniDocument::Clear() {
    FSections.clear();
    FSectionIndex.clear();
}

void TIniDocument::LoadFromBytes(std::string_view Bytes) {
    Clear();
    const std::string text = DecodeText(Bytes);
    TSection* current = nullptr;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string_view line = TStrUtils::Trim(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') {
            ++pos;
        }

        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            const std::string_view name = TStrUtils::Trim(line.substr(1, line.size() - 2));
            auto [it, added] = FSectionIndex.try_emplace(Platform::FoldCase(name), FSections.size());
            if (added) {
                FSections.push_back(TSection{std::string(name), {}, {}});
            }
            current = &FSections[it->second];
            continue;
        }
        if (current == nullptr) {
            continue;
        }
        TLine entry;
        const auto eq = line.find('=');
        if (eq != std::string_view::npos) {
            entry.Key = TStrUtils::TrimRight(line.substr(0, eq));
            entry.Value = TStrUtils::TrimLeft(line.substr(eq + 1));
            entry.HasValue = true;
        } else {
            entry.Key = line;
        }
        current->Index[Platform::FoldCase(entry.Key)] = current->Lines.size();
        current->Lines.push_back(std::move(entry));
    }
}

const TIniDocument::TLine* TIniDocument::FindLine(std::string_view Section, std::string_view Ident) const {
    const auto section = FSectionIndex.find(Platform::FoldCase(Section));
    if (section == FSectionIndex.end()) {
        return nullptr;
    }
    const TSection& s = FSections[section->second];
    const auto line = s.Index.find(Platform::FoldCase(Ident));
    return line == s.Index.end() ? nullptr : &s.Lines[line->second];
}

bool TIniDocument::SectionExists(std::string_view Section) const {
    return FSectionIndex.contains(Platform::FoldCase(Section));
}

std::vector<std::string> TIniDocument::SectionNames() const {
    std::vector<std::string> names;
    for (const TSection& s : FSections) {
        names.push_back(s.Name);
    }
    return names;
}

std::vector<TIniDocument::TLine> TIniDocument::SectionLines(std::string_view Section) const {
    const auto section = FSectionIndex.find(Platform::FoldCase(Section));
    return section == FSectionIndex.end() ? std::vector<TLine>() : FSections[section->second].Lines;
}

std::string TIniDocument::ReadString(std::string_view Section, std::string_view Ident,
                                     std::string_view Default) const {
    const TLine* line = FindLine(Section, Ident);
    if (line == nullptr || !line->HasValue) {
        return std::string(Default);
    }
    return line->Value;
}

int TIniDocument::ReadInteger(std::string_view Section, std::string_view Ident, int Default) const {
    std::string text = ReadString(Section, Ident, "");
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.replace(0, 2, "$");
    }
    int value = 0;
    return TStrUtils::TryStrToInt(text, value) ? value : Default;
}

bool TIniDocument::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

} // namespace Shared
