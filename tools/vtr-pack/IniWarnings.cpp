#include "IniWarnings.h"

#include "PackOptions.h"

#include "base/Ascii.h"

#include <algorithm>
#include <climits>

namespace VtrPack {

namespace {

const TIniKey* FindKey(std::string_view name) {
    for (const TIniKey& k : IniKeys()) {
        if (Base::EqualsIgnoreAsciiCase(k.Key, name)) {
            return &k;
        }
    }
    return nullptr;
}

// Edits (insert, delete, replace a letter, ignoring case) from a to b.
std::size_t Distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const bool same = Base::LowerAscii(a[i - 1]) == Base::LowerAscii(b[j - 1]);
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string UnknownKey(const Shared::TIniDocument::TLine& line) {
    std::string text = "vtr.ini: the runtime reads no key \"" + line.Key + "\" in [App]";
    if (!line.HasValue) {
        return text + " (the line has no \"=\", so it gives no value)";
    }
    const TIniKey* nearest = nullptr;
    std::size_t best = 3; // further apart is no likely slip of the pen
    for (const TIniKey& k : IniKeys()) {
        const std::size_t d = Distance(line.Key, k.Key);
        if (d < best) {
            best = d;
            nearest = &k;
        }
    }
    return nearest != nullptr ? text + "; did you mean " + std::string(nearest->Key) + "?" : text;
}

std::string DefaultText(const TIniKey& key) {
    if (key.Kind == TKeyKind::Boolean) {
        return key.Default == "1" ? "1 (yes)" : "0 (no)";
    }
    return std::string(key.Default);
}

// Why the runtime does not read the value of a number or yes/no key as given, or nothing.
std::string ValueWarning(const Shared::TIniDocument& ini, const TIniKey& key, const std::string& value) {
    const std::string name(key.Key);
    // A value that converts reads the same with any default; one that does not reads the default.
    const int low = ini.ReadInteger("App", name, INT_MIN);
    const int high = ini.ReadInteger("App", name, INT_MAX);
    const std::string defaultText = DefaultText(key);
    const std::string given = "vtr.ini: " + name + "=" + value;
    if (low != high) {
        if (key.Kind == TKeyKind::Boolean) {
            return given + " is not a number, so the runtime reads the default, " + defaultText +
                   "; write 1 for yes or 0 for no";
        }
        return given + " is not a whole number, so the runtime reads the default, " + defaultText;
    }
    if (key.Kind == TKeyKind::Integer && key.Max >= key.Min && (low < key.Min || low > key.Max)) {
        return given + " is outside " + std::to_string(key.Min) + ".." + std::to_string(key.Max) +
               ", which the runtime does not support; it uses the default, " + defaultText;
    }
    return {};
}

} // namespace

std::vector<std::string> IniWarnings(const Shared::TIniDocument& Ini) {
    std::vector<std::string> warnings;
    const std::vector<Shared::TIniDocument::TLine> lines = Ini.SectionLines("App");
    std::vector<std::string> seen; // folded keys already warned about or checked
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& line = lines[i];
        const std::string folded = Base::ToLowerAscii(line.Key);
        if (std::find(seen.begin(), seen.end(), folded) != seen.end()) {
            continue;
        }
        seen.push_back(folded);
        const TIniKey* key = FindKey(line.Key);
        if (key == nullptr) {
            warnings.push_back(UnknownKey(line));
            continue;
        }
        // The last line of a key is the one read; earlier ones with another value are lost.
        std::vector<const Shared::TIniDocument::TLine*> same;
        for (std::size_t j = i; j < lines.size(); ++j) {
            if (Base::EqualsIgnoreAsciiCase(lines[j].Key, line.Key)) {
                same.push_back(&lines[j]);
            }
        }
        const auto* last = same.back();
        const bool differ = std::any_of(same.begin(), same.end(), [&](const auto* l) {
            return l->Value != last->Value || l->HasValue != last->HasValue;
        });
        if (differ) {
            warnings.push_back("vtr.ini: " + std::string(key->Key) + " is given " +
                               std::to_string(same.size()) +
                               " times with different values; the runtime reads only the last, " +
                               std::string(key->Key) + "=" + last->Value);
        }
        if (key->Kind == TKeyKind::Text) {
            continue;
        }
        if (!last->HasValue || last->Value.empty()) {
            warnings.push_back("vtr.ini: " + std::string(key->Key) +
                               " has no value, so the runtime reads the default, " + DefaultText(*key));
            continue;
        }
        if (std::string w = ValueWarning(Ini, *key, last->Value); !w.empty()) {
            warnings.push_back(std::move(w));
        }
    }
    return warnings;
}

} // namespace VtrPack
