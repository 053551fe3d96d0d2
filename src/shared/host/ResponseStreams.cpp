#include "shared/host/ResponseStreams.h"

#include <algorithm>
#include <limits>

namespace Shared {

namespace {

using namespace WebView2;

// A stream of Length() bytes that is only read: writes are refused, and a seek may go anywhere
// from the start on (a read beyond the end gives nothing).
class TReadOnlyStream : public TImplements<IStream> {
public:
    HRESULT Write(const void*, UINT32, UINT32* Written) override {
        if (Written != nullptr) {
            *Written = 0;
        }
        return E_NOTIMPL;
    }

    HRESULT Seek(INT64 Move, STREAM_SEEK Origin, UINT64* NewPosition) override {
        const INT64 base = Origin == STREAM_SEEK_SET   ? 0
                           : Origin == STREAM_SEEK_CUR ? static_cast<INT64>(FPosition)
                                                       : static_cast<INT64>(Length());
        if (Origin > STREAM_SEEK_END || (Move < 0 && base < -Move)) {
            return E_INVALIDARG;
        }
        FPosition = static_cast<UINT64>(base + Move);
        if (NewPosition != nullptr) {
            *NewPosition = FPosition;
        }
        return S_OK;
    }

protected:
    virtual UINT64 Length() const = 0;

    UINT64 FPosition = 0;
};

class TEntryStream final : public TReadOnlyStream {
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

private:
    UINT64 Length() const override { return FEntry->Size(); }

    std::unique_ptr<TZipEntryStream> FEntry;
};

class TRangeStream final : public TReadOnlyStream {
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

private:
    UINT64 Length() const override { return FCount; }

    ComPtr<IStream> FInner;
    UINT64 FFirst;
    UINT64 FCount;
};

} // namespace

ComPtr<IStream> CreateEntryStream(std::unique_ptr<TZipEntryStream> Entry) {
    return MakeCom<TEntryStream>(std::move(Entry));
}

ComPtr<IStream> CreateRangeStream(ComPtr<IStream> Inner, std::uint64_t First, std::uint64_t Count) {
    return MakeCom<TRangeStream>(std::move(Inner), First, Count);
}

} // namespace Shared
