#include "shared/bridge/BridgeProtocol.h"

#include "base/Ascii.h"
#include "shared/text/StrUtils.h"
#include "shared/text/Unicode.h"

#include <algorithm>

namespace Shared {

namespace {

std::string JsonText(const nlohmann::json& value) {
    switch (value.type()) {
    case nlohmann::json::value_t::string:
        return value.get<std::string>();
    case nlohmann::json::value_t::boolean:
        return value.get<bool>() ? "true" : "false";
    case nlohmann::json::value_t::null:
        return "null";
    case nlohmann::json::value_t::object:
    case nlohmann::json::value_t::array:
        throw EBridgeArgumentError("Cannot read an object or array as text");
    default:
        return value.dump();
    }
}

const nlohmann::json* Member(const nlohmann::json& obj, std::string_view name) {
    if (!obj.is_object()) {
        return nullptr;
    }
    const auto it = obj.find(name);
    return it == obj.end() ? nullptr : &*it;
}

bool IsHighSurrogate(int Unit) {
    return Unit >= 0xD800 && Unit <= 0xDBFF;
}

bool IsLowSurrogate(int Unit) {
    return Unit >= 0xDC00 && Unit <= 0xDFFF;
}

// The code unit of the escape \uXXXX at Text[Pos], or -1 when there is none.
int EscapedUnit(std::string_view Text, std::size_t Pos) {
    if (Pos + 6 > Text.size() || Text[Pos] != '\\' || Text[Pos + 1] != 'u') {
        return -1;
    }
    int unit = 0;
    for (std::size_t i = Pos + 2; i < Pos + 6; ++i) {
        const int digit = Base::HexDigitValue(Text[i]);
        if (digit < 0) {
            return -1;
        }
        unit = unit * 16 + digit;
    }
    return unit;
}

// The surrogate written as raw bytes at Text[Pos] (the encoding UTF-8 forbids), or -1.
int RawSurrogate(std::string_view Text, std::size_t Pos) {
    if (Pos + 3 > Text.size()) {
        return -1;
    }
    const auto b0 = static_cast<unsigned char>(Text[Pos]);
    const auto b1 = static_cast<unsigned char>(Text[Pos + 1]);
    const auto b2 = static_cast<unsigned char>(Text[Pos + 2]);
    if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) {
        return -1;
    }
    return 0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
}

} // namespace

std::string ReplaceLoneSurrogates(std::string_view Json) {
    std::string out;
    out.reserve(Json.size());
    std::size_t pos = 0;
    while (pos < Json.size()) {
        if (Json[pos] == '\\') {
            const int unit = EscapedUnit(Json, pos);
            if (unit < 0) {
                // Any other escape, "\\" among them, goes with the character it escapes, so
                // that an escaped backslash before a "u" is never read as an escape.
                const std::size_t length = std::min<std::size_t>(2, Json.size() - pos);
                out.append(Json.substr(pos, length));
                pos += length;
            } else if (IsHighSurrogate(unit) && IsLowSurrogate(EscapedUnit(Json, pos + 6))) {
                out.append(Json.substr(pos, 12));
                pos += 12;
            } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
                out += "\\ufffd";
                pos += 6;
            } else {
                out.append(Json.substr(pos, 6));
                pos += 6;
            }
            continue;
        }
        const int unit = RawSurrogate(Json, pos);
        if (unit < 0) {
            out += Json[pos++];
            continue;
        }
        const int next = RawSurrogate(Json, pos + 3);
        if (IsHighSurrogate(unit) && IsLowSurrogate(next)) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                (static_cast<char32_t>(next) - 0xDC00));
            pos += 6;
        } else {
            AppendUtf8(out, ReplacementCharacter);
            pos += 3;
        }
    }
    return out;
}

TBridgeRequest ParseBridgeRequest(std::string_view Json) {
    nlohmann::json message = nlohmann::json::parse(Json, nullptr, false);
    if (message.is_discarded()) {
        // The parser refuses unpaired surrogates; a page's string may hold them all the same
        // (half an emoji cut off), and its call is answered with U+FFFD in their place.
        message = nlohmann::json::parse(ReplaceLoneSurrogates(Json), nullptr, false);
    }
    if (!message.is_object()) {
        throw EBridgeArgumentError("The web message is not a JSON object");
    }
    const nlohmann::json* id = Member(message, "id");
    const nlohmann::json* uuid = Member(message, "uuid");
    const nlohmann::json* data = Member(message, "data");
    if (id == nullptr || uuid == nullptr || data == nullptr) {
        throw EBridgeArgumentError("The web message lacks id, uuid or data");
    }
    if (!data->is_object()) {
        throw EBridgeArgumentError("The data of the web message is not an object");
    }
    TBridgeRequest request;
    request.IdText = JsonText(*id);
    request.Uuid = JsonText(*uuid);
    request.Data = std::move(message["data"]);
    return request;
}

std::string GetTextArg(const nlohmann::json& Data, std::string_view Name, std::string_view Default) {
    const nlohmann::json* value = Member(Data, Name);
    if (value == nullptr || value->is_null()) {
        return std::string(Default);
    }
    return JsonText(*value);
}

bool GetBoolArg(const nlohmann::json& Data, std::string_view Name, bool Default) {
    const nlohmann::json* value = Member(Data, Name);
    if (value == nullptr) {
        return Default;
    }
    if (value->is_boolean()) {
        return value->get<bool>();
    }
    if (value->is_number()) {
        return value->get<double>() != 0;
    }
    if (value->is_string()) {
        const std::string& text = value->get_ref<const std::string&>();
        return Base::EqualsIgnoreAsciiCase(text, "true")    ? true
               : Base::EqualsIgnoreAsciiCase(text, "false") ? false
                                                            : Default;
    }
    return Default;
}

bool TryGetTextArg(const nlohmann::json& Obj, std::string_view Name, std::string& Text) {
    const nlohmann::json* value = Member(Obj, Name);
    if (value == nullptr || value->is_object() || value->is_array()) {
        return false;
    }
    Text = value->is_null() ? std::string() : JsonText(*value);
    return true;
}

std::string FormatBridgeReply(std::string_view Uuid, std::string_view Result, bool Success) {
    std::string reply = "{\"uuid\": \"";
    reply.reserve(Uuid.size() + Result.size() + 40);
    reply += Uuid;
    reply += "\", \"success\": ";
    reply += Success ? "true" : "false";
    reply += ", \"result\": ";
    reply += Result;
    reply += '}';
    return reply;
}

std::string TextResult(std::string_view Text) {
    return TStrUtils::StringToJsonString(Text);
}

std::string BoolResult(bool Value) {
    return Value ? "true" : "false";
}

} // namespace Shared
