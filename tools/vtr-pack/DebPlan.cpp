#include "DebPlan.h"

#include "Packer.h"

#include "shared/archive/Stream.h"
#include "shared/config/Resources.h"
#include "shared/exe/IconFile.h"
#include "shared/text/Unicode.h"

#include <algorithm>

namespace VtrPack {

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

const std::string* VersionValue(const TPackOptions& o, std::string_view key) {
    const auto found = std::find_if(o.VersionValues.begin(), o.VersionValues.end(),
                                    [&](const auto& v) { return v.first == key; });
    return found == o.VersionValues.end() ? nullptr : &found->second;
}

bool HasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::vector<Shared::TIconPicture> IconPictures(const std::string& iconBytes) {
    if (!iconBytes.empty()) {
        return Shared::TIconPictures::Read(iconBytes); // checked when the icon was read
    }
    const auto vtrIcon = Shared::TResources::Find("RCDATA", "VTR_ICON");
    if (!vtrIcon) {
        throw EPackError("--deb: this vtr-pack carries no vtr icon; give the application's own with --icon");
    }
    return Shared::TIconPictures::Read(*vtrIcon);
}

} // namespace

TDebPlan PlanDebPackage(const TPackOptions& Options, const std::string& AppID, const std::string& AppName,
                        const std::string& RuntimePath, const std::string& Command,
                        const std::string& IconBytes, std::vector<std::string>& Warnings) {
    TDebPlan plan;
    TDebInfo& info = plan.Info;
    std::error_code ec;
    if (!fs::is_directory(Options.DebDir, ec)) {
        throw EPackError("--deb " + Quote(Options.DebDir) + " is not a folder; create it first");
    }
    plan.Folder = fs::absolute(Options.DebDir);

    if (Shared::MakeValidUtf8(AppID) != AppID || Shared::MakeValidUtf8(AppName) != AppName) {
        throw EPackError(
            "--deb: the ID and the Name become file names and menu texts, so they must be UTF-8 text");
    }
    info.AppID = AppID;
    info.AppName = AppName;
    info.Package = DebianPackageName(AppID);
    if (info.Package.empty()) {
        throw EPackError("--deb: the ID " + Quote(AppID) +
                         " leaves no Debian package name; the name needs at least two letters or digits");
    }
    if (const std::string fault = CheckCommandName(Command); !fault.empty()) {
        throw EPackError("--deb: the executable's name " + Quote(Command) +
                         " does not suit a package: " + fault);
    }
    info.Command = Command;

    const std::string* version = VersionValue(Options, "ProductVersion");
    if (version == nullptr) {
        version = VersionValue(Options, "FileVersion");
    }
    if (version == nullptr) {
        throw EPackError("--deb needs the application's version: add --product-version, e.g. 1.0.0");
    }
    if (const std::string fault = CheckDebianVersion(*version); !fault.empty()) {
        throw EPackError("--deb: the version " + Quote(*version) + " does not suit a package: " + fault);
    }
    info.Version = *version;
    if (Options.Maintainer.empty()) {
        throw EPackError(
            "--deb needs the package's maintainer: add --maintainer \"Name <address@example.org>\"");
    }
    if (const std::string fault = CheckMaintainer(Options.Maintainer); !fault.empty()) {
        throw EPackError("--maintainer " + Quote(Options.Maintainer) + ": " + fault);
    }
    info.Maintainer = Options.Maintainer;

    const std::string* summary = VersionValue(Options, "FileDescription");
    // One word is too short a summary for Debian.
    info.Summary = summary != nullptr && !summary->empty() ? *summary : AppName + ", a desktop application";
    if (HasControl(info.Summary)) {
        throw EPackError("--deb: the package's summary " + Quote(info.Summary) +
                         " (--file-description, else the Name) must be one line of text");
    }
    const std::string* comments = VersionValue(Options, "Comments");
    info.Description =
        comments != nullptr && !comments->empty()
            ? *comments
            : AppName + " is a web application in a desktop window of its own, packed with vtr.";
    const std::string* copyright = VersionValue(Options, "LegalCopyright");
    info.Copyright = copyright != nullptr ? *copyright : std::string();
    for (const auto& [key, value] : Options.VersionValues) {
        if (key != "ProductVersion" && key != "FileVersion" && key != "FileDescription" &&
            key != "Comments" && key != "LegalCopyright") {
            const auto k = std::find_if(VersionKeys().begin(), VersionKeys().end(),
                                        [&key = key](const TVersionKey& v) { return v.Key == key; });
            Warnings.push_back("--" + std::string(k->Option) +
                               " sets a Windows executable's version information; a Debian package has no "
                               "place for it, so it is not used");
        }
    }

    std::string header(20, '\0');
    {
        Shared::TFileStream runtime(RuntimePath, Shared::TFileMode::OpenRead);
        header.resize(runtime.Read(header.data(), header.size()));
    }
    info.Architecture = DebArchitectureOf(header);
    if (info.Architecture.empty()) {
        throw EPackError("--deb: the runtime " + Quote(RuntimePath) +
                         " is built for a machine that has no Debian architecture vtr-pack knows");
    }

    std::vector<Shared::TIconPicture> pictures;
    try {
        pictures = IconPictures(IconBytes);
    } catch (const Shared::EIconFileError& e) {
        throw EPackError(std::string("--deb: the vtr icon cannot be read: ") + e.what());
    }
    info.ScalableIcon =
        std::any_of(pictures.begin(), pictures.end(), [](const auto& p) { return p.Scalable; });
    plan.Icons = ThemeIcons(pictures, info, Warnings);
    return plan;
}

} // namespace VtrPack
