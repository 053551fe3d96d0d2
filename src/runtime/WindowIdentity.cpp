#include "runtime/WindowIdentity.h"

#include "forms/Application.h"
#include "platform/WindowIdentity.h"
#include "runtime/ExeZipLoader.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/config/Resources.h"
#include "shared/config/WindowClass.h"
#include "shared/exe/IconFile.h"
#include "shared/exe/IconPictures.h"

#include <iostream>

namespace Runtime {

namespace {

// Raises EIconFileError when the file cannot be used.
std::vector<Platform::TWindowIconImage> WindowIconImages(std::string_view bytes) {
    std::vector<Platform::TWindowIconImage> images;
    for (Shared::TIconPicture& picture : Shared::TIconPictures::Read(bytes)) {
        images.push_back({std::move(picture.Bytes), picture.Scalable});
    }
    return images;
}

} // namespace

void ApplyRuntimeIcon() {
    if (!Forms::Application().Initialized()) {
        return;
    }
    if (const auto icon = Shared::TResources::Find("RCDATA", "VTR_ICON")) {
        Platform::SetDefaultWindowIcon(WindowIconImages(*icon));
    }
}

void ApplyApplicationIdentity() {
    if (!Forms::Application().Initialized()) {
        return;
    }
    Platform::SetWindowClass(Shared::WindowClassOf(AppID));
    if (ExeZip->FindFile(Shared::Archive::IconEntry) < 0) {
        return;
    }
    // The packager checked the icon; one that still fails leaves the vtr icon, not a broken one.
    try {
        if (!Platform::SetDefaultWindowIcon(
                WindowIconImages(ExeZip->ExtractToString(Shared::Archive::IconEntry)))) {
            std::cerr << "vtr: the application's icon cannot be drawn; its windows show the vtr icon\n";
        }
    } catch (const Shared::EIconFileError& e) {
        std::cerr << "vtr: the application's icon cannot be used (" << e.what()
                  << "); its windows show the vtr icon\n";
    }
}

} // namespace Runtime
