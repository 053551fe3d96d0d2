#include "platform/WindowList.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <memory>
#include <set>

namespace Platform {

namespace {

struct TDisplayClose {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
struct TXFree {
    void operator()(void* p) const { XFree(p); }
};

template <typename T>
using TXPtr = std::unique_ptr<T, TXFree>;

bool HasProperty(Display* d, Window w, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(d, w, property, 0, 0, False, AnyPropertyType, &type, &format,
                                          &count, &after, &data);
    TXPtr<unsigned char> holder(data);
    return status == Success && type != None;
}

std::vector<Window> WindowListProperty(Display* d, Window root, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<Window> result;
    if (XGetWindowProperty(d, root, property, 0, 1 << 20, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success &&
        type == XA_WINDOW && format == 32) {
        const auto* windows = reinterpret_cast<const unsigned long*>(data);
        result.assign(windows, windows + count);
    }
    TXPtr<unsigned char> holder(data);
    return result;
}

std::string Caption(Display* d, Window w, Atom netWmName, Atom utf8String) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, netWmName, 0, 1 << 16, False, utf8String, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr && type == utf8String && format == 8) {
        TXPtr<unsigned char> holder(data);
        return std::string(reinterpret_cast<const char*>(data), count);
    }
    TXPtr<unsigned char> holder(data);
    XTextProperty text{};
    if (XGetWMName(d, w, &text) != 0 && text.value != nullptr) {
        TXPtr<unsigned char> value(text.value);
        char** list = nullptr;
        int n = 0;
        std::string result;
        if (Xutf8TextPropertyToTextList(d, &text, &list, &n) >= Success && list != nullptr) {
            if (n > 0 && list[0] != nullptr) {
                result = list[0];
            }
            XFreeStringList(list);
        } else {
            result.assign(reinterpret_cast<const char*>(text.value), text.nitems);
        }
        return result;
    }
    return {};
}

// The client window inside a frame: the frame itself or its first descendant with WM_STATE.
Window FindClient(Display* d, Window w, Atom wmState, int depth = 0) {
    if (HasProperty(d, w, wmState)) {
        return w;
    }
    if (depth > 4) {
        return None;
    }
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &count) == 0) {
        return None;
    }
    TXPtr<Window> holder(children);
    for (unsigned int i = 0; i < count; ++i) {
        if (const Window found = FindClient(d, children[i], wmState, depth + 1); found != None) {
            return found;
        }
    }
    return None;
}

} // namespace

std::vector<std::string> TopLevelWindowCaptions() {
    std::unique_ptr<Display, TDisplayClose> display(XOpenDisplay(nullptr));
    std::vector<std::string> captions;
    if (!display) {
        return captions;
    }
    Display* d = display.get();
    // A window that vanishes while we read it raises BadWindow; ignore it.
    const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    const Window root = DefaultRootWindow(d);
    const Atom netWmName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(d, "UTF8_STRING", False);
    const Atom wmState = XInternAtom(d, "WM_STATE", False);

    // Top first, as the windows are stacked: the root's children run bottom to top, and with a
    // window manager they are its frames, each holding a client window.
    std::set<Window> seen;
    std::vector<Window> order;
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, root, &rootReturn, &parent, &children, &count) != 0) {
        TXPtr<Window> holder(children);
        for (unsigned int i = count; i-- > 0;) {
            const Window client = FindClient(d, children[i], wmState);
            const Window w = client != None ? client : children[i];
            if (seen.insert(w).second) {
                order.push_back(w);
            }
        }
    }
    // Managed windows kept elsewhere than under the root (a virtual root), from the window
    // manager's lists, the stacking one top first.
    std::vector<Window> managed =
        WindowListProperty(d, root, XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False));
    std::reverse(managed.begin(), managed.end());
    for (const Window w : WindowListProperty(d, root, XInternAtom(d, "_NET_CLIENT_LIST", False))) {
        managed.push_back(w);
    }
    for (const Window w : managed) {
        if (seen.insert(w).second) {
            order.push_back(w);
        }
    }
    for (const Window w : order) {
        captions.push_back(Caption(d, w, netWmName, utf8String));
    }
    XSync(d, False);
    XSetErrorHandler(previous);
    return captions;
}

} // namespace Platform
