#pragma once

// Reference-counting helpers for the engine interface: a smart pointer, a base that
// implements IUnknown, and handler objects made from callables.

#include "webview2/WebView2.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace WebView2 {

// Holds one reference; releases it when it goes.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on p.
    ComPtr(T* p) : FPtr(p) {
        if (FPtr != nullptr) {
            FPtr->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.FPtr) {}
    ComPtr(ComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    T* Get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }

    void Reset() {
        if (T* p = std::exchange(FPtr, nullptr)) {
            p->Release();
        }
    }
    // Adopts a reference the caller already owns.
    void Attach(T* p) {
        Reset();
        FPtr = p;
    }
    [[nodiscard]] T* Detach() { return std::exchange(FPtr, nullptr); }
    // For out-parameters: releases what is held and returns the slot.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &FPtr;
    }
    // A new reference for an out-parameter.
    T* CopyOut() const {
        if (FPtr != nullptr) {
            FPtr->AddRef();
        }
        return FPtr;
    }
    void Swap(ComPtr& other) noexcept { std::swap(FPtr, other.FPtr); }

    template <class U>
    ComPtr<U> As() const {
        ComPtr<U> out;
        if (FPtr != nullptr) {
            FPtr->QueryInterface(U::Iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
        }
        return out;
    }

private:
    T* FPtr = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) {
    return a.Get() == b.Get();
}

inline bool SameIid(REFIID a, REFIID b) {
    return a == b || std::strcmp(a, b) == 0;
}

// Implements IUnknown for a class that implements the interfaces TInterfaces. The object
// starts with one reference, which MakeCom hands to a ComPtr; the count, not an owner,
// decides when it goes.
template <class... TInterfaces>
class TImplements : public TInterfaces... {
public:
    TImplements() = default;
    TImplements(const TImplements&) = delete;
    TImplements& operator=(const TImplements&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (SameIid(riid, IUnknown::Iid)) {
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        } else if (!(TryInterface<TInterfaces>(riid, object) || ...)) {
            *object = QueryOther(riid);
            if (*object == nullptr) {
                return E_NOINTERFACE;
            }
        }
        AddRef();
        return S_OK;
    }
    UINT32 AddRef() override { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }
    UINT32 Release() override {
        const UINT32 left = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this; // the last reference owned the object
        }
        return left;
    }

protected:
    virtual ~TImplements() = default;
    // More interfaces than the listed ones (base interfaces, private ones); no AddRef.
    virtual void* QueryOther(REFIID) { return nullptr; }

private:
    using First = std::tuple_element_t<0, std::tuple<TInterfaces...>>;

    template <class I>
    bool TryInterface(REFIID riid, void** object) {
        if (!SameIid(riid, I::Iid)) {
            return false;
        }
        *object = static_cast<I*>(this);
        return true;
    }

    std::atomic<UINT32> FRefCount{1};
};

// A new object of class T, its first reference held by the result.
template <class T, class... TArgs>
ComPtr<T> MakeCom(TArgs&&... args) {
    ComPtr<T> out;
    out.Attach(new T(std::forward<TArgs>(args)...));
    return out;
}

// Reports an exception that reached an ABI boundary, where it must stop.
inline void ReportBoundaryException(const char* Where) noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vtr: error in %s: %s\n", Where, e.what());
    } catch (...) {
        std::fprintf(stderr, "vtr: unknown error in %s\n", Where);
    }
}

namespace Detail {
template <class I, class TSignature>
class TCallback;

template <class I, class... TArgs>
class TCallback<I, HRESULT (I::*)(TArgs...)> final : public TImplements<I> {
public:
    explicit TCallback(std::function<HRESULT(TArgs...)> Fn) : FFn(std::move(Fn)) {}
    HRESULT Invoke(TArgs... args) override {
        try {
            return FFn(args...);
        } catch (...) {
            ReportBoundaryException(I::Iid);
            return E_UNEXPECTED;
        }
    }

private:
    std::function<HRESULT(TArgs...)> FFn;
};
} // namespace Detail

// A handler object of interface I whose Invoke calls Fn. An exception from Fn stops here.
template <class I, class F>
ComPtr<I> Callback(F&& Fn) {
    using TImpl = Detail::TCallback<I, decltype(&I::Invoke)>;
    ComPtr<I> out;
    out.Attach(new TImpl(std::forward<F>(Fn)));
    return out;
}

// Copies an out-string of the engine and frees it.
inline std::string TakeString(LPSTR Text) {
    if (Text == nullptr) {
        return {};
    }
    std::string out(Text);
    CoTaskMemFree(Text);
    return out;
}

} // namespace WebView2
