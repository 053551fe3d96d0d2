#include "shared/exe/VersionInfo.h"

#include "base/Ascii.h"
#include "base/LittleEndian.h"
#include "shared/text/Unicode.h"

#include <algorithm>

namespace Shared {

namespace {

constexpr std::size_t NodeHeaderSize = 6;
// VS_VERSION_INFO, StringFileInfo, a string table, a string: four levels; a little more is
// read as found, deeper is damage.
constexpr int MaxDepth = 8;

TVersionNode ParseNode(std::string_view block, std::size_t at, std::size_t limit, int depth) {
    if (depth > MaxDepth) {
        throw EVersionInfoError("the version information is nested too deeply");
    }
    if (at + NodeHeaderSize > limit) {
        throw EVersionInfoError("a version node is cut off");
    }
    const std::size_t length = GetU16(block, at);
    if (length < NodeHeaderSize || at + length > limit) {
        throw EVersionInfoError("a version node does not fit in its parent");
    }
    const std::size_t end = at + length;
    TVersionNode node;
    node.ValueLength = GetU16(block, at + 2);
    node.Type = GetU16(block, at + 4);
    std::size_t p = at + NodeHeaderSize;
    for (;; p += 2) {
        if (p + 2 > end) {
            throw EVersionInfoError("a version key has no end");
        }
        const char16_t c = static_cast<char16_t>(GetU16(block, p));
        if (c == 0) {
            p += 2;
            break;
        }
        node.Key.push_back(c);
    }
    const std::size_t valueAt = std::min<std::size_t>(AlignUp(p, 4), end);
    const std::size_t valueBytes = node.Type == 1 ? node.ValueLength * std::size_t{2} : node.ValueLength;
    const std::size_t valueEnd = std::min(valueAt + valueBytes, end);
    node.Value = std::string(block.substr(valueAt, valueEnd - valueAt));
    for (std::size_t child = AlignUp(valueEnd, 4); child + NodeHeaderSize <= end;) {
        const std::size_t childLength = GetU16(block, child);
        if (childLength == 0) {
            break; // padding up to the parent's end
        }
        node.Children.push_back(ParseNode(block, child, end, depth + 1));
        child = AlignUp(child + childLength, 4);
    }
    return node;
}

void BuildNode(const TVersionNode& node, std::string& out) {
    const std::size_t at = out.size();
    AppendU16(out, 0);
    AppendU16(out, node.ValueLength);
    AppendU16(out, node.Type);
    for (char16_t c : node.Key) {
        AppendU16(out, static_cast<std::uint16_t>(c));
    }
    AppendU16(out, 0);
    out.resize(AlignUp(out.size(), 4), '\0');
    out += node.Value;
    for (const TVersionNode& child : node.Children) {
        out.resize(AlignUp(out.size(), 4), '\0');
        BuildNode(child, out);
    }
    const std::size_t length = out.size() - at;
    if (length > 0xFFFF) {
        throw EVersionInfoError("the version information is too large");
    }
    PutU16(out, at, static_cast<std::uint16_t>(length));
}

std::u16string Utf16Key(std::string_view key) {
    return Utf8ToUtf16(key);
}

} // namespace

TVersionNode* TVersionNode::Find(std::u16string_view ChildKey) {
    for (TVersionNode& child : Children) {
        if (Base::EqualsIgnoreAsciiCase(child.Key, ChildKey)) {
            return &child;
        }
    }
    return nullptr;
}

const TVersionNode* TVersionNode::Find(std::u16string_view ChildKey) const {
    return const_cast<TVersionNode*>(this)->Find(ChildKey);
}

TVersionInfo TVersionInfo::Parse(std::string_view Block) {
    TVersionInfo info;
    info.Root = ParseNode(Block, 0, Block.size(), 1);
    return info;
}

std::string TVersionInfo::Build() const {
    std::string out;
    BuildNode(Root, out);
    return out;
}

std::vector<TVersionTranslation> TVersionInfo::Translations() const {
    std::vector<TVersionTranslation> out;
    const TVersionNode* files = Root.Find(u"VarFileInfo");
    const TVersionNode* translation = files != nullptr ? files->Find(u"Translation") : nullptr;
    if (translation == nullptr) {
        return out;
    }
    for (std::size_t i = 0; i + 4 <= translation->Value.size(); i += 4) {
        out.push_back({GetU16(translation->Value, i), GetU16(translation->Value, i + 2)});
    }
    return out;
}

std::string TVersionInfo::TranslationKey(TVersionTranslation Translation) {
    const std::uint32_t value = static_cast<std::uint32_t>(Translation.Language) << 16 | Translation.CodePage;
    std::string key(8, '0');
    for (int i = 0; i < 8; ++i) {
        key[static_cast<std::size_t>(i)] = Base::HexDigit(value >> (28 - 4 * i));
    }
    return key;
}

const TVersionNode* TVersionInfo::FindTable(TVersionTranslation Translation) const {
    const TVersionNode* strings = Root.Find(u"StringFileInfo");
    return strings != nullptr ? strings->Find(Utf16Key(TranslationKey(Translation))) : nullptr;
}

std::optional<std::string> TVersionInfo::QueryString(TVersionTranslation Translation,
                                                     std::string_view Key) const {
    const TVersionNode* table = FindTable(Translation);
    const TVersionNode* value = table != nullptr ? table->Find(Utf16Key(Key)) : nullptr;
    if (value == nullptr) {
        return std::nullopt;
    }
    std::u16string text;
    for (std::size_t i = 0; i + 2 <= value->Value.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(GetU16(value->Value, i));
        if (c == 0) {
            break;
        }
        text.push_back(c);
    }
    return Utf16ToUtf8(text);
}

bool TVersionInfo::SetString(TVersionTranslation Translation, std::string_view Key, std::string_view Value) {
    auto* table = const_cast<TVersionNode*>(FindTable(Translation));
    TVersionNode* node = table != nullptr ? table->Find(Utf16Key(Key)) : nullptr;
    if (node == nullptr) {
        return false;
    }
    std::u16string text = Utf8ToUtf16(Value.substr(0, Value.find('\0')));
    text.push_back(u'\0');
    node->Type = 1;
    node->ValueLength = static_cast<std::uint16_t>(std::min<std::size_t>(text.size(), 0xFFFF));
    node->Value.clear();
    for (char16_t c : text) {
        AppendU16(node->Value, static_cast<std::uint16_t>(c));
    }
    node->Children.clear();
    return true;
}

} // namespace Shared
