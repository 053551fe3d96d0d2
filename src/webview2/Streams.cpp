#include "webview2/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace WebView2 {

namespace {

HRESULT SeekTarget(INT64 Move, STREAM_SEEK Origin, UINT64 Current, UINT64 End, UINT64& Target) {
    INT64 base = 0;
    switch (Origin) {
    case STREAM_SEEK_SET:
        base = 0;
        break;
    case STREAM_SEEK_CUR:
        base = static_cast<INT64>(Current);
        break;
    case STREAM_SEEK_END:
        base = static_cast<INT64>(End);
        break;
    default:
        return E_INVALIDARG;
    }
    const INT64 target = base + Move;
    if (target < 0) {
        return E_INVALIDARG;
    }
    Target = static_cast<UINT64>(target);
    return S_OK;
}

class TMemoryStream final : public TImplements<IStream> {
public:
    explicit TMemoryStream(std::string Data) : FData(std::move(Data)) {}

    HRESULT Read(void* Buffer, UINT32 Size, UINT32* ReadCount) override {
        if (Buffer == nullptr && Size != 0) {
            return E_POINTER;
        }
        const std::size_t available = FPosition < FData.size() ? FData.size() - FPosition : 0;
        const auto count = static_cast<UINT32>(std::min<std::size_t>(Size, available));
        if (count != 0) {
            std::memcpy(Buffer, FData.data() + FPosition, count);
        }
        FPosition += count;
        if (ReadCount != nullptr) {
            *ReadCount = count;
        }
        return count == Size ? S_OK : S_FALSE;
    }

    HRESULT Write(const void* Buffer, UINT32 Size, UINT32* Written) override {
        if (Buffer == nullptr && Size != 0) {
            return E_POINTER;
        }
        if (FData.size() < FPosition + Size) {
            FData.resize(FPosition + Size);
        }
        if (Size != 0) {
            std::memcpy(FData.data() + FPosition, Buffer, Size);
        }
        FPosition += Size;
        if (Written != nullptr) {
            *Written = Size;
        }
        return S_OK;
    }

    HRESULT Seek(INT64 Move, STREAM_SEEK Origin, UINT64* NewPosition) override {
        UINT64 target = 0;
        const HRESULT hr = SeekTarget(Move, Origin, FPosition, FData.size(), target);
        if (Failed(hr)) {
            return hr;
        }
        FPosition = static_cast<std::size_t>(target);
        if (NewPosition != nullptr) {
            *NewPosition = target;
        }
        return S_OK;
    }

private:
    std::string FData;
    std::size_t FPosition = 0;
};

class TOStreamAdapter final : public TImplements<IStream> {
public:
    explicit TOStreamAdapter(std::ostream& Stream) : FStream(Stream) {}

    HRESULT Read(void*, UINT32, UINT32* ReadCount) override {
        if (ReadCount != nullptr) {
            *ReadCount = 0;
        }
        return E_NOTIMPL;
    }

    HRESULT Write(const void* Buffer, UINT32 Size, UINT32* Written) override {
        if (Buffer == nullptr && Size != 0) {
            return E_POINTER;
        }
        FStream.write(static_cast<const char*>(Buffer), static_cast<std::streamsize>(Size));
        const bool ok = static_cast<bool>(FStream);
        if (Written != nullptr) {
            *Written = ok ? Size : 0;
        }
        return ok ? S_OK : HResultFromWin32(ERROR_ACCESS_DENIED);
    }

    HRESULT Seek(INT64 Move, STREAM_SEEK Origin, UINT64* NewPosition) override {
        FStream.clear();
        const std::streamoff current = FStream.tellp();
        FStream.seekp(0, std::ios::end);
        const std::streamoff end = FStream.tellp();
        UINT64 target = 0;
        const HRESULT hr = current < 0 || end < 0 ? E_FAIL
                                                  : SeekTarget(Move, Origin, static_cast<UINT64>(current),
                                                               static_cast<UINT64>(end), target);
        FStream.seekp(Failed(hr) ? current : static_cast<std::streamoff>(target));
        if (Failed(hr) || !FStream) {
            FStream.clear();
            return Failed(hr) ? hr : E_FAIL;
        }
        if (NewPosition != nullptr) {
            *NewPosition = target;
        }
        return S_OK;
    }

private:
    std::ostream& FStream;
};

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class TFileStream final : public TImplements<IStream> {
public:
    explicit TFileStream(std::unique_ptr<std::FILE, TFileCloser> File) : FFile(std::move(File)) {}

    HRESULT Read(void* Buffer, UINT32 Size, UINT32* ReadCount) override {
        const std::size_t count = std::fread(Buffer, 1, Size, FFile.get());
        if (ReadCount != nullptr) {
            *ReadCount = static_cast<UINT32>(count);
        }
        if (std::ferror(FFile.get()) != 0) {
            std::clearerr(FFile.get());
            return E_FAIL;
        }
        return count == Size ? S_OK : S_FALSE;
    }

    HRESULT Write(const void* Buffer, UINT32 Size, UINT32* Written) override {
        const std::size_t count = std::fwrite(Buffer, 1, Size, FFile.get());
        if (Written != nullptr) {
            *Written = static_cast<UINT32>(count);
        }
        return count == Size ? S_OK : HResultFromWin32(ERROR_ACCESS_DENIED);
    }

    HRESULT Seek(INT64 Move, STREAM_SEEK Origin, UINT64* NewPosition) override {
        const int whence = Origin == STREAM_SEEK_SET   ? SEEK_SET
                           : Origin == STREAM_SEEK_CUR ? SEEK_CUR
                                                       : SEEK_END;
        if (Origin > STREAM_SEEK_END || std::fseek(FFile.get(), static_cast<long>(Move), whence) != 0) {
            return E_INVALIDARG;
        }
        if (NewPosition != nullptr) {
            *NewPosition = static_cast<UINT64>(std::ftell(FFile.get()));
        }
        return S_OK;
    }

private:
    std::unique_ptr<std::FILE, TFileCloser> FFile;
};

HRESULT HResultFromErrno(int Error) {
    switch (Error) {
    case ENOENT:
        return HResultFromWin32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return HResultFromWin32(ERROR_ACCESS_DENIED);
    default:
        return E_FAIL;
    }
}

} // namespace

ComPtr<IStream> CreateMemoryStream(std::string Data) {
    return MakeCom<TMemoryStream>(std::move(Data));
}

ComPtr<IStream> CreateStreamOnOStream(std::ostream& Stream) {
    return MakeCom<TOStreamAdapter>(Stream);
}

ComPtr<IStream> CreateStreamOnFile(const std::string& Path, HRESULT& Result) {
    errno = 0;
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(Path.c_str(), "w+b"));
    if (!file) {
        Result = HResultFromErrno(errno);
        return nullptr;
    }
    Result = S_OK;
    return MakeCom<TFileStream>(std::move(file));
}

ComPtr<IStream> OpenRegularFileStream(const std::string& Path, HRESULT& Result) {
    const int fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        Result = errno == ENOENT || errno == ENOTDIR ? HResultFromWin32(ERROR_FILE_NOT_FOUND)
                                                     : HResultFromErrno(errno);
        return nullptr;
    }
    struct stat st {};
    std::unique_ptr<std::FILE, TFileCloser> file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !(file = std::unique_ptr<std::FILE, TFileCloser>(::fdopen(fd, "rb")))) {
        ::close(fd);
        Result = HResultFromWin32(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    Result = S_OK;
    return MakeCom<TFileStream>(std::move(file));
}

HRESULT RemainingLength(IStream* Stream, UINT64& Length) {
    if (Stream == nullptr) {
        return E_POINTER;
    }
    UINT64 position = 0;
    UINT64 end = 0;
    HRESULT hr = Stream->Seek(0, STREAM_SEEK_CUR, &position);
    if (Succeeded(hr)) {
        hr = Stream->Seek(0, STREAM_SEEK_END, &end);
        Stream->Seek(static_cast<INT64>(position), STREAM_SEEK_SET, nullptr);
    }
    if (Failed(hr)) {
        return hr;
    }
    Length = end > position ? end - position : 0;
    return S_OK;
}

HRESULT ReadToEnd(IStream* Stream, std::string& Data) {
    Data.clear();
    if (Stream == nullptr) {
        return E_POINTER;
    }
    char buffer[64 * 1024];
    for (;;) {
        UINT32 count = 0;
        const HRESULT hr = Stream->Read(buffer, sizeof buffer, &count);
        if (Failed(hr)) {
            return hr;
        }
        Data.append(buffer, count);
        if (count < sizeof buffer) {
            return S_OK;
        }
    }
}

} // namespace WebView2
