#pragma once

// Reading the JavaScript values WebKit hands back.

#include <webkit2/webkit2.h>

#include <optional>
#include <string>

namespace WebView2::WebKitGtk {

// The text of Value when it is a string.
std::optional<std::string> JsText(JSCValue* Value);
// The text of Value when it is a string; otherwise empty.
std::string JsString(JSCValue* Value);
// The text of Object's property Name when it is a string; otherwise empty.
std::string JsProperty(JSCValue* Object, const char* Name);
// Value as JSON text; "null" for a value without a JSON form (undefined, a function, a cycle).
std::string JsJson(JSCValue* Value);

} // namespace WebView2::WebKitGtk
