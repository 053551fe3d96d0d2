#include "shared/config/WindowClass.h"

namespace Shared {

namespace {

bool Kept(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

} // namespace

std::string WindowClassOf(std::string_view AppID) {
    std::string name(AppID);
    for (char& c : name) {
        if (!Kept(c)) {
            c = '_';
        }
    }
    return name;
}

} // namespace Shared
