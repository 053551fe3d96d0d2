#include "webview2/webkitgtk/FileSaving.h"

#include "base/glib/GuiPost.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace WebView2::WebKitGtk {

namespace {

// The files being written beside their destinations. A worker that is still copying when the
// program ends holds the list, so it outlives the program's own statics.
class TPartialFiles {
public:
    void Keep(const std::string& Path) {
        const std::lock_guard<std::mutex> guard(FLock);
        FPaths.insert(Path);
    }
    void Forget(const std::string& Path) {
        const std::lock_guard<std::mutex> guard(FLock);
        FPaths.erase(Path);
    }
    void RemoveAll() {
        const std::lock_guard<std::mutex> guard(FLock);
        for (const std::string& path : FPaths) {
            g_unlink(path.c_str());
        }
        FPaths.clear();
    }

private:
    std::mutex FLock;
    std::set<std::string> FPaths;
};

std::shared_ptr<TPartialFiles> PartialFiles() {
    static const auto files = std::make_shared<TPartialFiles>();
    // Made after the list, so gone before it: an application that ends mid-download leaves
    // no half file beside the user's.
    static const struct TAtExit {
        TAtExit() = default;
        TAtExit(const TAtExit&) = delete;
        TAtExit& operator=(const TAtExit&) = delete;
        ~TAtExit() { files->RemoveAll(); }
    } atExit;
    return files;
}

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
int OpenFileBeside(TPartialFiles& Files, const std::string& Path, std::string& Temporary) {
    Temporary = Path + ".part-XXXXXX";
    const int fd = g_mkstemp_full(Temporary.data(), O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        Files.Keep(Temporary);
    }
    return fd;
}

// Renames the file over its destination, or removes it: the reason when either fails.
std::string Settle(TPartialFiles& Files, const std::string& Temporary, const std::string& Path, bool Keep) {
    std::string error;
    if (Keep && g_rename(Temporary.c_str(), Path.c_str()) != 0) {
        error = std::strerror(errno);
    }
    if (!Keep || !error.empty()) {
        g_unlink(Temporary.c_str());
    }
    Files.Forget(Temporary);
    return error;
}

// The copy itself; the reason it failed, or empty.
std::string Copy(TPartialFiles& Files, IStream* Content, const std::string& Path) {
    std::string temporary;
    const int fd = OpenFileBeside(Files, Path, temporary);
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
    const std::string settled = Settle(Files, temporary, Path, error.empty());
    return error.empty() ? settled : error;
}

} // namespace

std::string CreateFileBeside(const std::string& Path, std::string& Error) {
    std::string temporary;
    const int fd = OpenFileBeside(*PartialFiles(), Path, temporary);
    if (fd < 0) {
        Error = std::strerror(errno);
        return {};
    }
    close(fd);
    return temporary;
}

std::string ReplaceWithFileBeside(const std::string& Temporary, const std::string& Path) {
    return Settle(*PartialFiles(), Temporary, Path, true);
}

void RemoveFileBeside(const std::string& Temporary) {
    Settle(*PartialFiles(), Temporary, {}, false);
}

void SaveStreamAs(ComPtr<IStream> Content, const std::string& Path,
                  std::function<void(const std::string& Error)> Done) {
    // Large files take their time: the window keeps working meanwhile.
    std::thread([files = PartialFiles(), content = std::move(Content), path = Path,
                 done = std::move(Done)]() mutable {
        std::string error = Copy(*files, content.Get(), path);
        content = nullptr; // released here, not on the GUI thread's queue
        Base::GLib::PostToGuiThread([done = std::move(done), error = std::move(error)] { done(error); });
    }).detach();
}

} // namespace WebView2::WebKitGtk
