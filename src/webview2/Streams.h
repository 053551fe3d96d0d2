#pragma once

// IStream objects over memory, files and C++ output streams.

#include "webview2/Com.h"

#include <iosfwd>
#include <string>

namespace WebView2 {

// A stream that owns its bytes, positioned at 0.
ComPtr<IStream> CreateMemoryStream(std::string Data = {});

// Writes go to Stream, which the caller keeps alive for as long as the result is used.
// Reading is not supported. Seeking moves the output position.
ComPtr<IStream> CreateStreamOnOStream(std::ostream& Stream);

// The file Path, created or truncated, for reading and writing. On failure the result is
// empty and Result tells why (HRESULT_FROM_WIN32 of the system error).
ComPtr<IStream> CreateStreamOnFile(const std::string& Path, HRESULT& Result);

// The regular file Path, for reading. Opening never waits (a FIFO or a device is refused, not
// opened for good), and anything but a regular file fails with ERROR_FILE_NOT_FOUND, as does a
// missing file: reading from it could block or never end.
ComPtr<IStream> OpenRegularFileStream(const std::string& Path, HRESULT& Result);

// The number of bytes from the stream's position to its end; the position is kept.
HRESULT RemainingLength(IStream* Stream, UINT64& Length);

// Everything from the stream's position to its end.
HRESULT ReadToEnd(IStream* Stream, std::string& Data);

} // namespace WebView2
