#include "webview2/webkitgtk/FileSaving.h"

#include "base/glib/GuiPost.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

namespace WebView2::WebKitGtk {

namespace {

// Writes all of Data, retrying what the system interrupts; the errno text on failure.
std::string WriteAll(int Fd, const char* Data, std::size_t Size) {
    while (Size > 0) {
        const ssize_t written = write(Fd, Data, Size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::strerror(errno);
        }
        Data += written;
        Size -= static_cast<std::size_t>(written);
    }
    return {};
}

// A new file beside Path, open for writing (-1 with errno set when it cannot be made): in the
// destination's folder, so that a rename replaces Path in one step.
int OpenFileBeside(const std::string& Path, std::string& Temporary) {
    Temporary = Path + ".part-XXXXXX";
    return g_mkstemp_full(Temporary.data(), O_WRONLY | O_CLOEXEC, 0666);
}

// The copy itself; the reason it failed, or empty.
std::string Copy(IStream* Content, const std::string& Path) {
    std::string temporary;
    const int fd = OpenFileBeside(Path, temporary);
    if (fd < 0) {
        return std::strerror(errno);
    }
    std::string error;
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        UINT32 read = 0;
        const HRESULT result = Content->Read(buffer.data(), static_cast<UINT32>(buffer.size()), &read);
        if (Failed(result)) {
            error = "The file could not be read.";
            break;
        }
        if (read == 0) {
            break;
        }
        error = WriteAll(fd, buffer.data(), read);
        if (!error.empty()) {
            break;
        }
    }
    if (error.empty() && fsync(fd) != 0) {
        error = std::strerror(errno);
    }
    if (close(fd) != 0 && error.empty()) {
        error = std::strerror(errno);
    }
    if (error.empty() && g_rename(temporary.c_str(), Path.c_str()) != 0) {
        error = std::strerror(errno);
    }
    if (!error.empty()) {
        g_unlink(temporary.c_str());
    }
    return error;
}

} // namespace

std::string CreateFileBeside(const std::string& Path, std::string& Error) {
    std::string temporary;
    const int fd = OpenFileBeside(Path, temporary);
    if (fd < 0) {
        Error = std::strerror(errno);
        return {};
    }
    close(fd);
    return temporary;
}

void SaveStreamAs(ComPtr<IStream> Content, const std::string& Path,
                  std::function<void(const std::string& Error)> Done) {
    // Large files take their time: the window keeps working meanwhile.
    std::thread([content = std::move(Content), path = Path, done = std::move(Done)]() mutable {
        std::string error = Copy(content.Get(), path);
        content = nullptr; // released here, not on the GUI thread's queue
        Base::GLib::PostToGuiThread([done = std::move(done), error = std::move(error)] { done(error); });
    }).detach();
}

} // namespace WebView2::WebKitGtk
