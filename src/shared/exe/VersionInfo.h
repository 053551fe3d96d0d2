#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Shared {

// A version-information block that cannot be read: a node cut off or longer than its parent.
class EVersionInfoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One node of a version-information block: key, value and child nodes. Values are kept as
// their bytes, so a block read and written again keeps every value it does not change.
struct TVersionNode {
    std::u16string Key;
    std::uint16_t Type = 0;        // 1: text, 0: binary
    std::uint16_t ValueLength = 0; // as stored: characters for text, bytes for binary values
    std::string Value;
    std::vector<TVersionNode> Children;

    // The child whose key equals Key ignoring the case of ASCII letters, as look-ups do.
    TVersionNode* Find(std::u16string_view ChildKey);
    const TVersionNode* Find(std::u16string_view ChildKey) const;
};

struct TVersionTranslation {
    std::uint16_t Language = 0;
    std::uint16_t CodePage = 0;
};

// The version resource (VS_VERSION_INFO) of an executable.
class TVersionInfo {
public:
    TVersionNode Root;

    // Raises EVersionInfoError.
    static TVersionInfo Parse(std::string_view Block);
    // The block with every node's length recomputed and each node aligned to 4 bytes.
    std::string Build() const;

    // The entries of "\VarFileInfo\Translation".
    std::vector<TVersionTranslation> Translations() const;
    // Language and code page as eight uppercase hexadecimal digits: "040904B0".
    static std::string TranslationKey(TVersionTranslation Translation);

    // The text at "\StringFileInfo\" + translation + "\" + Key (UTF-8), or nothing.
    std::optional<std::string> QueryString(TVersionTranslation Translation, std::string_view Key) const;
    // Replaces that text with Value (UTF-8, up to its first NUL) when the key exists; a value
    // of any length fits, since the block is rebuilt. False when there is no such key.
    bool SetString(TVersionTranslation Translation, std::string_view Key, std::string_view Value);

private:
    const TVersionNode* FindTable(TVersionTranslation Translation) const;
};

} // namespace Shared
