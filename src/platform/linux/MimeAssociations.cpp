#include "platform/MimeAssociations.h"

#include "base/Ascii.h"

#include <fstream>
#include <sstream>

namespace Platform {

// The system's list of associations is /etc/mime.types: "type ext ext ..." per line.
std::vector<std::pair<std::string, std::string>> ReadSystemMimeAssociations() {
    std::vector<std::pair<std::string, std::string>> result;
    std::ifstream in("/etc/mime.types");
    std::string line;
    while (std::getline(in, line)) {
        const auto hash = line.find('#');
        if (hash != std::string::npos) {
            line.erase(hash);
        }
        std::istringstream fields(line);
        std::string type;
        if (!(fields >> type)) {
            continue;
        }
        type = Base::ToLowerAscii(type);
        std::string ext;
        while (fields >> ext) {
            std::string key(1, '.');
            key += Base::ToLowerAscii(ext);
            result.emplace_back(std::move(key), type);
        }
    }
    return result;
}

} // namespace Platform
