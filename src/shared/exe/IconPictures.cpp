#include "shared/exe/IconPictures.h"

#include "base/LittleEndian.h"
#include "shared/exe/IconDib.h"
#include "shared/exe/IconFile.h"
#include "shared/exe/PngFile.h"
#include "shared/text/Unicode.h"

#include <algorithm>
#include <map>
#include <utility>

namespace Shared {

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
// An SVG file names its root element within its first bytes, after any prolog and comments.
constexpr std::size_t SvgRootWithin = 65536;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool LooksLikeSvg(std::string_view Bytes) {
    if (Bytes.substr(0, Utf8Bom.size()) == Utf8Bom) {
        Bytes.remove_prefix(Utf8Bom.size());
    }
    const auto first = std::find_if_not(Bytes.begin(), Bytes.end(), IsBlank);
    if (first == Bytes.end() || *first != '<') {
        return false;
    }
    const std::string_view head = Bytes.substr(0, SvgRootWithin);
    for (std::size_t at = head.find("<svg"); at != std::string_view::npos; at = head.find("<svg", at + 1)) {
        const std::size_t next = at + 4;
        if (next < head.size() && (IsBlank(head[next]) || head[next] == '>' || head[next] == '/')) {
            return true;
        }
    }
    return false;
}

std::string SizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height) + " pixels";
}

void CheckSide(int width, int height, const std::string& what) {
    if (width > TIconPictures::MaxSide || height > TIconPictures::MaxSide) {
        throw EIconFileError(what + " is " + SizeText(width, height) + "; an icon may have at most " +
                             std::to_string(TIconPictures::MaxSide) + " pixels a side");
    }
}

std::vector<TIconPicture> ReadIco(std::string_view Bytes) {
    TIconFile icon;
    try {
        icon = TIconFile::Parse(Bytes);
    } catch (const EIconFileError&) {
        throw EIconFileError("the ICO file is damaged: its list of images does not match its bytes");
    }
    // Per size, the picture and how many bits per pixel it had.
    std::map<std::pair<int, int>, std::pair<unsigned, TIconPicture>> best;
    for (std::size_t i = 0; i < icon.Images.size(); ++i) {
        const TIconImage& image = icon.Images[i];
        const std::string what = "image " + std::to_string(i + 1) + " of the ICO file";
        TIconPicture picture;
        unsigned bits = 0;
        if (image.Bytes.compare(0, TPngFile::Signature.size(), TPngFile::Signature) == 0) {
            const auto size = TPngFile::ReadSize(image.Bytes);
            if (!size) {
                throw EIconFileError(what + " is a damaged PNG image");
            }
            CheckSide(size->Width, size->Height, what);
            picture = {false, image.Bytes, size->Width, size->Height};
            bits = 32;
        } else {
            TRgbaImage pixels;
            try {
                pixels = TIconDib::Decode(image.Bytes);
            } catch (const EIconFileError& e) {
                throw EIconFileError(what + ": " + e.what());
            }
            picture = {false, TPngFile::Encode(pixels), pixels.Width, pixels.Height};
            bits = GetU16(image.Bytes, 14);
        }
        const auto key = std::make_pair(picture.Width, picture.Height);
        const auto found = best.find(key);
        if (found == best.end() || found->second.first < bits) {
            best[key] = {bits, std::move(picture)};
        }
    }
    std::vector<TIconPicture> pictures;
    for (auto& [size, entry] : best) {
        pictures.push_back(std::move(entry.second));
    }
    std::stable_sort(pictures.begin(), pictures.end(), [](const TIconPicture& a, const TIconPicture& b) {
        return std::max(a.Width, a.Height) < std::max(b.Width, b.Height);
    });
    return pictures;
}

} // namespace

TIconFormat TIconPictures::DetectFormat(std::string_view Bytes) {
    if (Bytes.substr(0, TPngFile::Signature.size()) == TPngFile::Signature) {
        return TIconFormat::Png;
    }
    // Reserved 0, type 1 (an icon, not a cursor), at least one image.
    if (Bytes.size() >= 6 && GetU16(Bytes, 0) == 0 && GetU16(Bytes, 2) == 1 && GetU16(Bytes, 4) != 0) {
        return TIconFormat::Ico;
    }
    if (LooksLikeSvg(Bytes)) {
        return TIconFormat::Svg;
    }
    return TIconFormat::Unknown;
}

std::vector<TIconPicture> TIconPictures::Read(std::string_view Bytes) {
    if (Bytes.size() > MaxFileSize) {
        throw EIconFileError("the file is larger than 1 MiB, too large for an icon");
    }
    switch (DetectFormat(Bytes)) {
    case TIconFormat::Png: {
        const auto size = TPngFile::ReadSize(Bytes);
        if (!size) {
            throw EIconFileError("the PNG file is damaged: its chunks do not hold together");
        }
        CheckSide(size->Width, size->Height, "the PNG image");
        return {{false, std::string(Bytes), size->Width, size->Height}};
    }
    case TIconFormat::Svg:
        if (MakeValidUtf8(Bytes) != Bytes) {
            throw EIconFileError("the SVG file is not UTF-8 text");
        }
        return {{true, std::string(Bytes), 0, 0}};
    case TIconFormat::Ico:
        return ReadIco(Bytes);
    case TIconFormat::Unknown:
        break;
    }
    throw EIconFileError("the file is not a PNG, SVG or ICO image");
}

} // namespace Shared
