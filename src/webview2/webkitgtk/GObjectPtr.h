#pragma once

#include <glib-object.h>

#include <utility>

namespace WebView2::WebKitGtk {

// Holds one reference on a GObject and drops it when it goes.
template <class T>
class TGObjectPtr {
public:
    TGObjectPtr() = default;
    TGObjectPtr(const TGObjectPtr& other) : FPtr(other.FPtr) {
        if (FPtr != nullptr) {
            g_object_ref(FPtr);
        }
    }
    TGObjectPtr(TGObjectPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    ~TGObjectPtr() { Reset(); }
    TGObjectPtr& operator=(TGObjectPtr other) noexcept {
        std::swap(FPtr, other.FPtr);
        return *this;
    }

    // Takes over a reference the caller owns; a floating reference is sunk.
    static TGObjectPtr Adopt(T* p) {
        TGObjectPtr out;
        if (p != nullptr && g_object_is_floating(p)) {
            g_object_ref_sink(p);
        }
        out.FPtr = p;
        return out;
    }
    // Takes a new reference (sinking a floating one, which then becomes ours).
    static TGObjectPtr Ref(T* p) {
        TGObjectPtr out;
        out.FPtr = p != nullptr ? static_cast<T*>(g_object_ref_sink(p)) : nullptr;
        return out;
    }

    T* Get() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    void Reset() {
        if (T* p = std::exchange(FPtr, nullptr)) {
            g_object_unref(p);
        }
    }

private:
    T* FPtr = nullptr;
};

} // namespace WebView2::WebKitGtk
