#include "shared/host/ResponseStreams.h"

#include <algorithm>
#include <limits>

namespace Shared {

namespace {

using namespace WebView2;

// Where a seek lands in a stream of Size bytes now at Position; false when before its start.
bool SeekTarget(INT64 Move, STREAM_SEEK Origin, UINT64 Position, UINT64 Size, UINT64& Target) {
    const INT64 base = Origin == STREAM_SEEK_SET   ? 0
                       : Origin == STREAM_SEEK_CUR ? static_cast<INT64>(Position)
                                                   : static_cast<INT64>(Size);
    if (Origin > STREAM_SEEK_END || (Move < 0 && base < -Move)) {
        return false;
    }
    Target = static_cast<UINT64>(base + Move);
    return true;
}

class TEntryStream final : public TImplements<IStream> {
public:
    explicit TEntryStream(std::unique_ptr<TZipEntryStream> Entry) : FEntry(std::move(Entry)) {}

    HRESULT Read(void* Buffer, UINT32 Size, UINT32* ReadCount) override {
        if (ReadCount != nullptr) {
            *ReadCount = 0;
        }
        if (Buffer == nullptr && Size != 0) {
            return E_POINTER;
        }
        if (FPosition != FEntry->Position() && !FEntry->Seek(std::min(FPosition, FEntry->Size()))) {
            return E_FAIL;
        }
        UINT32 done = 0;
        while (done < Size) {
            const std::int64_t n = FEntry->Read(static_cast<char*>(Buffer) + done, Size - done);
            if (n < 0) {
                return E_FAIL; // a damaged entry fails the answer instead of ending it short
            }
            if (n == 0) {
                break;
            }
            done += static_cast<UINT32>(n);
        }
        FPosition += done;
        if (ReadCount != nullptr) {
            *ReadCount = done;
        }
        return done == Size ? S_OK : S_FALSE;
    }

    HRESULT Write(const void*, UINT32, UINT32* Written) override {
        if (Written != nullptr) {
            *Written = 0;
        }
        return E_NOTIMPL;
    }

    HRESULT Seek(INT64 Move, STREAM_SEEK Origin, UINT64* NewPosition) override {
        UINT64 target = 0;
        if (!SeekTarget(Move, Origin, FPosition, FEntry->Size(), target)) {
            return E_INVALIDARG;
        }
        FPosition = target;
        if (NewPosition != nullptr) {
            *NewPosition = target;
        }
        return S_OK;
    }

private:
    std::unique_ptr<TZipEntryStream> FEntry;
    UINT64 FPosition = 0;
};

class TRangeStream final : public TImplements<IStream> {
public:
    TRangeStream(ComPtr<IStream> Inner, UINT64 Start, UINT64 Count)
        : FInner(std::move(Inner)), FFirst(Start), FCount(Count) {}

    HRESULT Read(void* Buffer, UINT32 Size, UINT32* ReadCount) override {
        if (ReadCount != nullptr) {
            *ReadCount = 0;
        }
        const UINT64 left = FPosition < FCount ? FCount - FPosition : 0;
        const auto want = static_cast<UINT32>(std::min<UINT64>(Size, left));
        UINT32 got = 0;
        if (want > 0) {
            HRESULT hr = FInner->Seek(static_cast<INT64>(FFirst + FPosition), STREAM_SEEK_SET, nullptr);
            if (Succeeded(hr)) {
                hr = FInner->Read(Buffer, want, &got);
            }
            if (Failed(hr)) {
                return hr;
            }
        }
        FPosition += got;
        if (ReadCount != nullptr) {
            *ReadCount = got;
        }
        return got == Size ? S_OK : S_FALSE;
    }

    HRESULT Write(const void*, UINT32, UINT32* Written) override {
        if (Written != nullptr) {
            *Written = 0;
        }
        return E_NOTIMPL;
    }

    HRESULT Seek(INT64 Move, STREAM_SEEK Origin, UINT64* NewPosition) override {
        UINT64 target = 0;
        if (!SeekTarget(Move, Origin, FPosition, FCount, target)) {
            return E_INVALIDARG;
        }
        FPosition = target;
        if (NewPosition != nullptr) {
            *NewPosition = target;
        }
        return S_OK;
    }

private:
    ComPtr<IStream> FInner;
    UINT64 FFirst;
    UINT64 FCount;
    UINT64 FPosition = 0;
};

} // namespace

ComPtr<IStream> CreateEntryStream(std::unique_ptr<TZipEntryStream> Entry) {
    return MakeCom<TEntryStream>(std::move(Entry));
}

ComPtr<IStream> CreateRangeStream(ComPtr<IStream> Inner, std::uint64_t First, std::uint64_t Count) {
    return MakeCom<TRangeStream>(std::move(Inner), First, Count);
}

} // namespace Shared
