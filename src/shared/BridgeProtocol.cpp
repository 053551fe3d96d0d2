#include "shared/BridgeProtocol.h"

#include "shared/StrUtils.h"

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

} // namespace

TBridgeRequest ParseBridgeRequest(std::string_view Json) {
    nlohmann::json message = nlohmann::json::parse(Json, nullptr, false);
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
        const std::string text = TStrUtils::LowerCaseAscii(value->get<std::string>());
        return text == "true" ? true : (text == "false" ? false : Default);
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
