#include "shared/styles/StyleResource.h"

#include "shared/text/Unicode.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace Shared {

namespace {

constexpr std::string_view DefinitionMarker = "VTRSTYLE";
constexpr std::uint32_t MaxPaletteEntries = 1024;

// Inflates on demand: a reader asks for the next n bytes and only that much is decompressed.
class TInflater {
public:
    explicit TInflater(std::string_view Input) {
        if (Input.size() > UINT_MAX) {
            FError = "style data is too large";
            return;
        }
        FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Input.data()));
        FStream.avail_in = static_cast<uInt>(Input.size());
        if (inflateInit(&FStream) != Z_OK) {
            FError = "cannot start decompression";
            return;
        }
        FStarted = true;
    }
    ~TInflater() {
        if (FStarted) {
            inflateEnd(&FStream);
        }
    }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    const std::string& Error() const { return FError; }

    // The next Count bytes of the inflated stream; false (with Error set) when they do not exist.
    // Out stays valid only until the next call: the buffer drops what was handed out.
    bool Take(std::size_t Count, std::string_view& Out) {
        while (FOut.size() - FPos < Count) {
            if (!Inflate(Count - (FOut.size() - FPos))) {
                if (FError.empty()) {
                    FError = "style data ends too early";
                }
                return false;
            }
        }
        Out = std::string_view(FOut).substr(FPos, Count);
        FPos += Count;
        return true;
    }

    bool TakeUInt32(std::uint32_t& Value) {
        std::string_view bytes;
        if (!Take(4, bytes)) {
            return false;
        }
        Value = 0;
        for (int i = 3; i >= 0; --i) {
            Value = (Value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        }
        return true;
    }

    bool TakeText(std::string& Value) {
        std::uint32_t units = 0;
        if (!TakeUInt32(units)) {
            return false;
        }
        if (units > TStyleResource::MaxInflatedSize / 2) {
            FError = "text length out of range";
            return false;
        }
        std::string_view bytes;
        if (!Take(std::size_t{units} * 2, bytes)) {
            return false;
        }
        std::u16string text(units, u'\0');
        for (std::size_t i = 0; i < units; ++i) {
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                            (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        }
        Value = Utf16ToUtf8(text);
        return true;
    }

    // True when the stream ends, intact (its checksum verified), right at the read position.
    bool AtCleanEnd() {
        while (FOut.size() == FPos) {
            if (FEnded) {
                return true;
            }
            if (!Inflate(1)) {
                return FEnded && FOut.size() == FPos;
            }
        }
        FError = "unexpected data after the style definition";
        return false;
    }

private:
    bool Inflate(std::size_t Wanted) {
        if (FEnded || !FError.empty() || !FStarted) {
            return false;
        }
        // The bytes already handed out are no longer needed.
        FOut.erase(0, FPos);
        FTotalOut += FPos;
        FPos = 0;
        // Small steps: the header is the first hundred bytes of a stream of several kilobytes.
        const std::size_t room = std::max<std::size_t>(Wanted, 512);
        if (FTotalOut + FOut.size() + Wanted > TStyleResource::MaxInflatedSize) {
            FError = "style data inflates beyond the size limit";
            return false;
        }
        const std::size_t before = FOut.size();
        FOut.resize(before + room);
        FStream.next_out = reinterpret_cast<Bytef*>(FOut.data() + before);
        FStream.avail_out = static_cast<uInt>(room);
        const uInt inBefore = FStream.avail_in;
        const int result = inflate(&FStream, Z_NO_FLUSH);
        const std::size_t produced = room - FStream.avail_out;
        FOut.resize(before + produced);
        if (result == Z_STREAM_END) {
            FEnded = true;
            return produced > 0;
        }
        if (result == Z_OK || result == Z_BUF_ERROR) {
            if (produced == 0 && FStream.avail_in == inBefore) {
                FError = "style data ends too early";
                return false;
            }
            return true;
        }
        FError = "corrupt compressed style data";
        return false;
    }

    z_stream FStream{};
    bool FStarted = false;
    bool FEnded = false;
    std::string FError;
    std::string FOut;
    std::size_t FPos = 0;
    std::size_t FTotalOut = 0;
};

bool Fail(std::string* Error, const std::string& Reason) {
    if (Error != nullptr) {
        *Error = Reason;
    }
    return false;
}

bool HasSignature(std::string_view Data, std::string* Error) {
    if (Data.substr(0, TStyleResource::Signature.size()) != TStyleResource::Signature) {
        return Fail(Error, "not a style resource");
    }
    return true;
}

std::string_view CompressedPart(std::string_view Data) {
    return Data.substr(TStyleResource::Signature.size());
}

bool ReadHeaderTexts(TInflater& Inflater, TStyleHeader& Header, std::string* Error) {
    if (!Inflater.Error().empty()) {
        return Fail(Error, Inflater.Error());
    }
    for (std::string* text : {&Header.Name, &Header.Version, &Header.Author, &Header.Email, &Header.Url}) {
        if (!Inflater.TakeText(*text)) {
            return Fail(Error, Inflater.Error());
        }
    }
    return true;
}

void AppendUInt32(std::string& Out, std::uint32_t Value) {
    for (int i = 0; i < 4; ++i) {
        Out.push_back(static_cast<char>((Value >> (8 * i)) & 0xFF));
    }
}

void AppendText(std::string& Out, std::string_view Text) {
    const std::u16string units = Utf8ToUtf16(Text);
    AppendUInt32(Out, static_cast<std::uint32_t>(units.size()));
    for (const char16_t unit : units) {
        Out.push_back(static_cast<char>(unit & 0xFF));
        Out.push_back(static_cast<char>(unit >> 8));
    }
}

} // namespace

std::optional<TStyleHeader> TStyleResource::ReadHeader(std::string_view Data, std::string* Error) {
    if (!HasSignature(Data, Error)) {
        return std::nullopt;
    }
    TInflater inflater(CompressedPart(Data));
    TStyleHeader header;
    if (!ReadHeaderTexts(inflater, header, Error)) {
        return std::nullopt;
    }
    return header;
}

std::optional<TStyleDefinition> TStyleResource::Read(std::string_view Data, std::string* Error) {
    if (!HasSignature(Data, Error)) {
        return std::nullopt;
    }
    TInflater inflater(CompressedPart(Data));
    TStyleDefinition definition;
    if (!ReadHeaderTexts(inflater, definition.Header, Error)) {
        return std::nullopt;
    }
    std::string_view marker;
    if (!inflater.Take(DefinitionMarker.size(), marker)) {
        Fail(Error, inflater.Error());
        return std::nullopt;
    }
    if (marker != DefinitionMarker) {
        Fail(Error, "unknown style definition format");
        return std::nullopt;
    }
    std::uint32_t version = 0;
    std::uint32_t entries = 0;
    if (!inflater.TakeUInt32(version) || !inflater.TakeUInt32(entries)) {
        Fail(Error, inflater.Error());
        return std::nullopt;
    }
    if (version != FormatVersion) {
        Fail(Error, "unsupported style definition version " + std::to_string(version));
        return std::nullopt;
    }
    if (entries > MaxPaletteEntries) {
        Fail(Error, "too many palette entries");
        return std::nullopt;
    }
    for (std::uint32_t i = 0; i < entries; ++i) {
        std::string key;
        std::string_view rgba;
        if (!inflater.TakeText(key) || !inflater.Take(4, rgba)) {
            Fail(Error, inflater.Error());
            return std::nullopt;
        }
        definition.Palette.emplace_back(std::move(key), TStyleColor{static_cast<std::uint8_t>(rgba[0]),
                                                                    static_cast<std::uint8_t>(rgba[1]),
                                                                    static_cast<std::uint8_t>(rgba[2]),
                                                                    static_cast<std::uint8_t>(rgba[3])});
    }
    std::uint32_t cssSize = 0;
    std::string_view css;
    if (!inflater.TakeUInt32(cssSize)) {
        Fail(Error, inflater.Error());
        return std::nullopt;
    }
    if (cssSize > MaxInflatedSize) {
        Fail(Error, "style sheet length out of range");
        return std::nullopt;
    }
    if (!inflater.Take(cssSize, css)) {
        Fail(Error, inflater.Error());
        return std::nullopt;
    }
    definition.Css = MakeValidUtf8(css);
    if (!inflater.AtCleanEnd()) {
        Fail(Error, inflater.Error().empty() ? "corrupt compressed style data" : inflater.Error());
        return std::nullopt;
    }
    return definition;
}

std::string TStyleResource::Write(const TStyleDefinition& Definition) {
    std::string body;
    const TStyleHeader& header = Definition.Header;
    for (const std::string* text :
         {&header.Name, &header.Version, &header.Author, &header.Email, &header.Url}) {
        AppendText(body, *text);
    }
    body += DefinitionMarker;
    AppendUInt32(body, FormatVersion);
    AppendUInt32(body, static_cast<std::uint32_t>(Definition.Palette.size()));
    for (const auto& [key, color] : Definition.Palette) {
        AppendText(body, key);
        body.push_back(static_cast<char>(color.R));
        body.push_back(static_cast<char>(color.G));
        body.push_back(static_cast<char>(color.B));
        body.push_back(static_cast<char>(color.A));
    }
    AppendUInt32(body, static_cast<std::uint32_t>(Definition.Css.size()));
    body += Definition.Css;

    uLongf packedSize = compressBound(static_cast<uLong>(body.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(body.data()), static_cast<uLong>(body.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        throw std::runtime_error("cannot compress the style definition");
    }
    packed.resize(packedSize);
    return std::string(Signature) + packed;
}

} // namespace Shared
