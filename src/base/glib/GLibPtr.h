#pragma once

// Ownership of the GLib values the platform layers hold: one handle per kind, so that no code
// frees them by hand, on any path.

#include <glib-object.h>

#include <memory>
#include <utility>

namespace Base::GLib {

// A deleter that calls Free; G the pointee type as Free takes it.
template <class G, auto Free>
struct TFree {
    void operator()(G* Value) const { Free(Value); }
};

template <class G, auto Free>
using TOwned = std::unique_ptr<G, TFree<G, Free>>;

using TGString = TOwned<char, g_free>;        // gchar* from g_strdup, g_build_filename, ...
using TGStrv = TOwned<char*, g_strfreev>;     // NULL-terminated gchar** arrays
using TGError = TOwned<GError, g_error_free>; // an error handed back through GError**
using TGVariant = TOwned<GVariant, g_variant_unref>;
using TGBytes = TOwned<GBytes, g_bytes_unref>;
using TGMainLoop = TOwned<GMainLoop, g_main_loop_unref>;
using TGKeyFile = TOwned<GKeyFile, g_key_file_unref>;
using TGHashTable = TOwned<GHashTable, g_hash_table_unref>;
using TGList = TOwned<GList, g_list_free>; // the list only, not what its items point to

// An error out-parameter that ends up owned: `TGErrorOut error; call(..., error.Out());`.
class TGErrorOut {
public:
    GError** Out() { return &FRaw; }
    ~TGErrorOut() {
        if (FRaw != nullptr) {
            g_error_free(FRaw);
        }
    }
    TGErrorOut() = default;
    TGErrorOut(const TGErrorOut&) = delete;
    TGErrorOut& operator=(const TGErrorOut&) = delete;
    GError* Get() const { return FRaw; }
    explicit operator bool() const { return FRaw != nullptr; }
    const char* Message() const { return FRaw != nullptr ? FRaw->message : ""; }
    TGError Take() { return TGError(std::exchange(FRaw, nullptr)); }

private:
    GError* FRaw = nullptr;
};

// Holds one reference on a GObject (or a GObject-derived instance) and drops it when it goes.
template <class T>
class TGObjectPtr {
public:
    TGObjectPtr() = default;
    TGObjectPtr(const TGObjectPtr& Other) : FPtr(Other.FPtr) {
        if (FPtr != nullptr) {
            g_object_ref(FPtr);
        }
    }
    TGObjectPtr(TGObjectPtr&& Other) noexcept : FPtr(std::exchange(Other.FPtr, nullptr)) {}
    ~TGObjectPtr() { Reset(); }
    TGObjectPtr& operator=(TGObjectPtr Other) noexcept {
        std::swap(FPtr, Other.FPtr);
        return *this;
    }

    // Takes over a reference the caller owns; a floating reference is sunk.
    static TGObjectPtr Adopt(T* P) {
        TGObjectPtr out;
        if (P != nullptr && g_object_is_floating(P)) {
            g_object_ref_sink(P);
        }
        out.FPtr = P;
        return out;
    }
    // Takes a new reference (sinking a floating one, which then becomes ours).
    static TGObjectPtr Ref(T* P) {
        TGObjectPtr out;
        out.FPtr = P != nullptr ? static_cast<T*>(g_object_ref_sink(P)) : nullptr;
        return out;
    }

    T* Get() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    void Reset() {
        if (T* p = std::exchange(FPtr, nullptr)) {
            g_object_unref(p);
        }
    }
    // Gives the reference to the caller.
    T* Release() { return std::exchange(FPtr, nullptr); }

private:
    T* FPtr = nullptr;
};

} // namespace Base::GLib
