#include "webview2/webkitgtk/ErrorPages.h"

namespace WebView2::WebKitGtk {

namespace {

std::string EscapeHtml(const std::string& Text) {
    std::string out;
    out.reserve(Text.size());
    for (char c : Text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Page(const std::string& Title, const std::string& Body, const std::string& Uri,
                 const std::string& LinkText) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + EscapeHtml(Title) +
           "</title><style>body{font-family:sans-serif;margin:3em;color:#333;background:#fff}"
           "h1{font-size:1.4em;font-weight:normal}a{color:#0a58ca}</style></head><body><h1>" +
           EscapeHtml(Title) + "</h1><p>" + EscapeHtml(Body) + "</p><p><a id=\"vtr-reload\" href=\"" +
           EscapeHtml(Uri) + "\">" + EscapeHtml(LinkText) + "</a></p></body></html>";
}

} // namespace

std::string ProcessFailedPage(const std::string& Uri) {
    return Page("This page is having a problem", "Something went wrong while displaying this page.", Uri,
                "Reload");
}

std::string LoadFailedPage(const std::string& Uri, const std::string& Reason) {
    return Page("This page could not be loaded", Reason, Uri, "Try again");
}

} // namespace WebView2::WebKitGtk
