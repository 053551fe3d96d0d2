#pragma once

// The content of the browser form's answers as streams the engine reads as it needs them, on a
// worker thread: an archive entry decrypted piece by piece, and a byte range of any stream.

#include "shared/archive/ZipEntryStream.h"
#include "webview2/Com.h"

#include <cstdint>
#include <memory>

namespace Shared {

// An archive entry as a stream. Seeking only records the position: the entry moves there at
// the next read, so asking for the length (a seek to the end and back) costs nothing.
WebView2::ComPtr<WebView2::IStream> CreateEntryStream(std::unique_ptr<TZipEntryStream> Entry);

// Count bytes of Inner from First on, as a stream of its own that starts at 0.
WebView2::ComPtr<WebView2::IStream> CreateRangeStream(WebView2::ComPtr<WebView2::IStream> Inner,
                                                      std::uint64_t First, std::uint64_t Count);

} // namespace Shared
