#pragma once

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <string_view>

namespace Shared {

// A reading error of a bridge request or argument: the request is left unanswered.
class EBridgeArgumentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TBridgeRequest {
    std::string IdText;
    std::string Uuid;
    nlohmann::json Data; // always an object
};

// Parses the JSON text of a web message into its three required members: "id" and "uuid" as
// text, "data" as an object. Raises EBridgeArgumentError for anything else. Unpaired
// surrogates, which a page's strings may hold and its JSON.stringify writes, read as U+FFFD.
TBridgeRequest ParseBridgeRequest(std::string_view Json);

// The JSON text with every unpaired UTF-16 surrogate replaced by U+FFFD: escaped ones
// ("\ud800") by the escape "\ufffd", raw ones (three bytes ED A0..BF 80..BF) by the
// character's bytes. Escaped and raw pairs stay characters (a raw pair becomes the UTF-8
// of its character); nothing else changes.
std::string ReplaceLoneSurrogates(std::string_view Json);

// A member as text: a string's value, a number's JSON text, "true"/"false"; absent or null
// gives Default. An object or array raises EBridgeArgumentError.
std::string GetTextArg(const nlohmann::json& Data, std::string_view Name, std::string_view Default);
// A member as Boolean: absent or null gives Default, a JSON Boolean its value; a number is
// true when not zero, a string when it reads "true" in any case; anything else gives Default.
bool GetBoolArg(const nlohmann::json& Data, std::string_view Name, bool Default);
// Like GetTextArg for any object, without raising: false when the member is absent or is an
// object or array; null reads as the empty text.
bool TryGetTextArg(const nlohmann::json& Obj, std::string_view Name, std::string& Text);

// {"uuid": "<uuid>", "success": true|false, "result": <result>}, the uuid inserted as received.
std::string FormatBridgeReply(std::string_view Uuid, std::string_view Result, bool Success);

// Result kinds: a text result is a JSON string; an array result joins text results with ",".
std::string TextResult(std::string_view Text);
std::string BoolResult(bool Value);
template <typename Range>
std::string ArrayResult(const Range& Texts) {
    std::string out = "[";
    bool first = true;
    for (const auto& text : Texts) {
        if (!first) {
            out += ',';
        }
        first = false;
        out += TextResult(text);
    }
    out += ']';
    return out;
}

} // namespace Shared
