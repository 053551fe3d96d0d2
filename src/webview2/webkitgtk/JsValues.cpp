#include "webview2/webkitgtk/JsValues.h"

#include "webview2/webkitgtk/WebKitPtr.h"

namespace WebView2::WebKitGtk {

std::optional<std::string> JsText(JSCValue* Value) {
    if (Value == nullptr || !jsc_value_is_string(Value)) {
        return std::nullopt;
    }
    const TGString text(jsc_value_to_string(Value));
    return std::string(text != nullptr ? text.get() : "");
}

std::string JsString(JSCValue* Value) {
    return JsText(Value).value_or(std::string());
}

std::string JsProperty(JSCValue* Object, const char* Name) {
    if (Object == nullptr || !jsc_value_is_object(Object)) {
        return {};
    }
    const auto value = TGObjectPtr<JSCValue>::Adopt(jsc_value_object_get_property(Object, Name));
    return JsString(value.Get());
}

std::string JsJson(JSCValue* Value) {
    if (Value == nullptr || jsc_value_is_undefined(Value)) {
        return "null";
    }
    const TGString text(jsc_value_to_json(Value, 0));
    return text != nullptr ? text.get() : "null";
}

} // namespace WebView2::WebKitGtk
