// vtr_stylec: builds one style resource of the catalogue at build time.
//   vtr_stylec STYLE_FILE TEMPLATE_CSS OUTPUT
// STYLE_FILE holds the header texts (section [Style]) and the palette (section [Palette]);
// every @vtr_<key> the template uses must have a colour there. The output is the resource the
// runtime embeds: the CSS starts with one @define-color per palette colour, then the template.
#include "shared/config/IniDocument.h"
#include "shared/styles/StyleResource.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::filesystem::path& Path) {
    std::ifstream in(Path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + Path.string());
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The palette keys in order of first use by the template.
std::vector<std::string> TemplateKeys(const std::string& Template) {
    static constexpr std::string_view prefix = "@vtr_";
    std::vector<std::string> keys;
    std::set<std::string> seen;
    for (std::size_t pos = Template.find(prefix); pos != std::string::npos;
         pos = Template.find(prefix, pos + 1)) {
        std::size_t end = pos + prefix.size();
        while (end < Template.size() &&
               (std::isalnum(static_cast<unsigned char>(Template[end])) || Template[end] == '_')) {
            ++end;
        }
        std::string key = Template.substr(pos + prefix.size(), end - pos - prefix.size());
        if (!key.empty() && seen.insert(key).second) {
            keys.push_back(std::move(key));
        }
    }
    return keys;
}

Shared::TStyleDefinition Compile(const std::filesystem::path& StyleFile, const std::string& Template) {
    Shared::TIniDocument source;
    source.LoadFromBytes(ReadFile(StyleFile));
    const std::string where = StyleFile.filename().string() + ": ";

    Shared::TStyleDefinition style;
    style.Header.Name = source.ReadString("Style", "Name", "");
    style.Header.Version = source.ReadString("Style", "Version", "");
    style.Header.Author = source.ReadString("Style", "Author", "");
    style.Header.Email = source.ReadString("Style", "Email", "");
    style.Header.Url = source.ReadString("Style", "Url", "");
    if (style.Header.Name.empty() || style.Header.Version.empty()) {
        throw std::runtime_error(where + "[Style] needs Name and Version");
    }

    std::ostringstream css;
    css << "/* " << style.Header.Name << " " << style.Header.Version << " */\n";
    for (const std::string& key : TemplateKeys(Template)) {
        const std::string text = source.ReadString("Palette", key, "");
        const auto color = Shared::TStyleColor::FromHex(text);
        if (!color) {
            throw std::runtime_error(where + "palette colour '" + key + "' is " +
                                     (text.empty() ? "missing" : "not #rrggbb: " + text));
        }
        style.Palette.emplace_back(key, *color);
        css << "@define-color vtr_" << key << " " << color->ToHex() << ";\n";
    }
    css << "\n" << Template;
    style.Css = css.str();
    return style;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: vtr_stylec STYLE_FILE TEMPLATE_CSS OUTPUT\n";
        return 2;
    }
    try {
        const Shared::TStyleDefinition style = Compile(argv[1], ReadFile(argv[2]));
        const std::string data = Shared::TStyleResource::Write(style);
        std::string error;
        if (!Shared::TStyleResource::Read(data, &error)) {
            throw std::runtime_error(std::string(argv[1]) +
                                     ": written resource does not read back: " + error);
        }
        const std::filesystem::path output = argv[3];
        const std::filesystem::path partial = output.string() + ".part";
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            out.write(data.data(), static_cast<std::streamsize>(data.size()));
            if (!out.flush()) {
                throw std::runtime_error("cannot write " + partial.string());
            }
        }
        std::filesystem::rename(partial, output);
    } catch (const std::exception& e) {
        std::cerr << "vtr_stylec: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
