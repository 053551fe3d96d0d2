#include "webview2/Loader.h"

#include "webview2/Com.h"

#include <dlfcn.h>

namespace WebView2 {

struct TEngineLibrary::TImpl {
    struct TCloser {
        void operator()(void* Library) const { dlclose(Library); }
    };
    std::unique_ptr<void, TCloser> Handle;
};

TEngineLibrary::TEngineLibrary(std::unique_ptr<TImpl> Impl) : FImpl(std::move(Impl)) {}

TEngineLibrary::~TEngineLibrary() = default;

std::unique_ptr<TEngineLibrary> TEngineLibrary::Load(const std::string& Path, std::string* Error) {
    auto fail = [&](std::string Why) -> std::unique_ptr<TEngineLibrary> {
        if (Error != nullptr) {
            *Error = std::move(Why);
        }
        return nullptr;
    };
    if (Path.empty()) {
        return fail("no engine library path");
    }
    // RTLD_NODELETE: the engine registers GObject types and leaves callbacks with the toolkit
    // that may outlive the handle; unmapping its code would leave them dangling.
    auto impl = std::make_unique<TImpl>();
    impl->Handle.reset(dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
    if (!impl->Handle) {
        const char* why = dlerror();
        return fail(why != nullptr ? why : "cannot load " + Path);
    }
    auto symbol = [&](const char* Name) { return dlsym(impl->Handle.get(), Name); };
    auto abi = reinterpret_cast<VtrEngineAbiVersionFunc>(symbol("VtrEngineAbiVersion"));
    auto create =
        reinterpret_cast<CreateCoreWebView2EnvironmentFunc>(symbol("CreateCoreWebView2Environment"));
    auto version = reinterpret_cast<GetCoreWebView2BrowserVersionStringFunc>(
        symbol("GetCoreWebView2BrowserVersionString"));
    auto available = reinterpret_cast<GetAvailableCoreWebView2BrowserVersionStringFunc>(
        symbol("GetAvailableCoreWebView2BrowserVersionString"));
    if (abi == nullptr || create == nullptr || version == nullptr || available == nullptr) {
        return fail(Path + " is not an engine library: an export is missing");
    }
    const UINT32 abiVersion = abi();
    if (abiVersion < EngineAbiVersion) {
        return fail(Path + " is an older engine (ABI " + std::to_string(abiVersion) + ", needed " +
                    std::to_string(EngineAbiVersion) + ")");
    }
    std::unique_ptr<TEngineLibrary> library(new TEngineLibrary(std::move(impl)));
    library->FPath = Path;
    library->FAbiVersion = abiVersion;
    library->FCreateEnvironment = create;
    library->FGetVersion = version;
    library->FGetAvailableVersion = available;
    return library;
}

HRESULT TEngineLibrary::CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* Handler) const {
    return FCreateEnvironment(Handler);
}

HRESULT TEngineLibrary::GetCoreWebView2BrowserVersionString(LPCSTR BrowserExecutableFolder,
                                                            LPSTR* VersionInfo) const {
    return FGetVersion(BrowserExecutableFolder, VersionInfo);
}

HRESULT TEngineLibrary::GetAvailableCoreWebView2BrowserVersionString(LPCSTR BrowserExecutableFolder,
                                                                     LPSTR* VersionInfo) const {
    return FGetAvailableVersion(BrowserExecutableFolder, VersionInfo);
}

void* TEngineLibrary::Symbol(const char* Name) const {
    return dlsym(FImpl->Handle.get(), Name);
}

std::string GetAvailableBrowserVersion(const std::string& Path) {
    const auto library = TEngineLibrary::Load(Path);
    if (!library) {
        return {};
    }
    LPSTR version = nullptr;
    const HRESULT hr = library->GetAvailableCoreWebView2BrowserVersionString("", &version);
    std::string text = TakeString(version);
    return Succeeded(hr) ? text : std::string();
}

} // namespace WebView2
