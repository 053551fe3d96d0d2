#include "webview2/webkitgtk/Engine.h"

namespace WebView2::WebKitGtk {

namespace {

HRESULT Get(bool Value, BOOL* Out) {
    return OutValue<BOOL>(Value ? 1 : 0, Out);
}

HRESULT Put(bool& Field, BOOL Value) {
    Field = Value != 0;
    return S_OK;
}

} // namespace

HRESULT TSettings::get_IsScriptEnabled(BOOL* value) {
    return Get(webkit_settings_get_enable_javascript(FSettings.Get()) != FALSE, value);
}

HRESULT TSettings::put_IsScriptEnabled(BOOL value) {
    webkit_settings_set_enable_javascript(FSettings.Get(), value != 0);
    return S_OK;
}

HRESULT TSettings::get_AreDevToolsEnabled(BOOL* value) {
    return Get(webkit_settings_get_enable_developer_extras(FSettings.Get()) != FALSE, value);
}

HRESULT TSettings::put_AreDevToolsEnabled(BOOL value) {
    webkit_settings_set_enable_developer_extras(FSettings.Get(), value != 0);
    return S_OK;
}

HRESULT TSettings::get_IsWebMessageEnabled(BOOL* value) {
    return Get(WebMessageEnabled, value);
}
HRESULT TSettings::put_IsWebMessageEnabled(BOOL value) {
    return Put(WebMessageEnabled, value);
}
HRESULT TSettings::get_AreDefaultScriptDialogsEnabled(BOOL* value) {
    return Get(DefaultScriptDialogsEnabled, value);
}
HRESULT TSettings::put_AreDefaultScriptDialogsEnabled(BOOL value) {
    return Put(DefaultScriptDialogsEnabled, value);
}
HRESULT TSettings::get_IsStatusBarEnabled(BOOL* value) {
    return Get(StatusBarEnabled, value);
}
HRESULT TSettings::put_IsStatusBarEnabled(BOOL value) {
    return Put(StatusBarEnabled, value);
}
HRESULT TSettings::get_AreDefaultContextMenusEnabled(BOOL* value) {
    return Get(DefaultContextMenusEnabled, value);
}
HRESULT TSettings::put_AreDefaultContextMenusEnabled(BOOL value) {
    return Put(DefaultContextMenusEnabled, value);
}
HRESULT TSettings::get_IsZoomControlEnabled(BOOL* value) {
    return Get(ZoomControlEnabled, value);
}
HRESULT TSettings::put_IsZoomControlEnabled(BOOL value) {
    return Put(ZoomControlEnabled, value);
}
HRESULT TSettings::get_IsBuiltInErrorPageEnabled(BOOL* value) {
    return Get(BuiltInErrorPageEnabled, value);
}
HRESULT TSettings::put_IsBuiltInErrorPageEnabled(BOOL value) {
    return Put(BuiltInErrorPageEnabled, value);
}

} // namespace WebView2::WebKitGtk
