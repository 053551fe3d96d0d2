#include "Packer.h"

#include "DebBuilder.h"
#include "DebPlan.h"
#include "DefaultInstaller.h"
#include "IniWarnings.h"
#include "TempFiles.h"

#include "base/Ascii.h"
#include "base/RegularFile.h"
#include "platform/ExecutablePath.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ExeZip.h"
#include "shared/archive/ZipWriter.h"
#include "shared/config/AppIdentity.h"
#include "shared/config/IniDocument.h"
#include "shared/exe/ExeHeaders.h"
#include "shared/exe/ExeUtils.h"
#include "shared/exe/IconFile.h"
#include "shared/exe/IconPictures.h"
#include "shared/exe/PeImage.h"
#include "shared/exe/PeResources.h"
#include "shared/exe/VersionInfo.h"
#include "shared/text/StrUtils.h"
#include "shared/text/Unicode.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

namespace VtrPack {

namespace fs = std::filesystem;
using namespace Shared;

namespace {

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

// One entry of the archive to be written.
struct TSource {
    std::string Name;
    bool IsFolder = false;
    std::string Bytes; // used when Path is empty
    fs::path Path;     // a file read while writing
    std::uint64_t Size = 0;
};

// Counts what it is given and keeps nothing: the verify step only needs sizes and CRCs.
class TCountingStream final : public TStream {
public:
    std::size_t Read(void*, std::size_t) override { return 0; }
    void Write(const void*, std::size_t Count) override { FCount += Count; }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return static_cast<std::int64_t>(FCount); }
    std::uint64_t Count() const { return FCount; }

private:
    std::uint64_t FCount = 0;
};

// A readable regular file, or a refusal that says which option named it.
std::uint64_t CheckInputFile(const std::string& what, const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        throw EPackError(what + " " + Quote(path) + " does not exist");
    }
    if (fs::is_directory(status)) {
        throw EPackError(what + " " + Quote(path) + " is a folder, not a file");
    }
    if (!fs::is_regular_file(status)) {
        throw EPackError(what + " " + Quote(path) + " is not a regular file");
    }
    try {
        TFileStream probe(path, TFileMode::OpenRead);
    } catch (const EStreamError& e) {
        throw EPackError(std::string(what) + ": " + e.what());
    }
    return fs::file_size(path);
}

// The whole of an input file that CheckInputFile accepted; one that changed since raises.
std::string ReadInputFile(const std::string& path) {
    std::string bytes;
    if (Base::ReadRegularFile(path, bytes) != Base::TFileRead::Read) {
        RaiseFileError("open file", path);
    }
    return bytes;
}

// The name with every byte of a malformed sequence shown as \xHH, so the message stays text.
std::string Printable(std::string_view name) {
    std::string out;
    std::size_t pos = 0;
    while (pos < name.size()) {
        const std::size_t start = pos;
        const char32_t cp = DecodeUtf8(name, pos);
        const std::string_view piece = name.substr(start, pos - start);
        if (cp == ReplacementCharacter && piece != "\xEF\xBF\xBD") {
            const auto b = static_cast<unsigned char>(piece[0]);
            out += "\\x";
            out += Base::HexDigit(b >> 4);
            out += Base::HexDigit(b);
        } else {
            out += piece;
        }
    }
    return out;
}

void CheckName(const std::string& relative) {
    if (MakeValidUtf8(relative) != relative) {
        throw EPackError("the file name " + Quote(Printable(relative)) +
                         " is not valid UTF-8; pages could not name it in a URL. Rename it");
    }
    if (relative.find('\\') != std::string::npos) {
        throw EPackError("the file name " + Quote(relative) +
                         " holds a backslash, which archive readers take for a folder separator. Rename it");
    }
}

// Every folder and file below dir, links followed; a link that leads back into one of its own
// parent folders is refused rather than followed for ever.
void Walk(const fs::path& dir, const std::string& prefix, std::vector<fs::path>& parents,
          std::vector<TSource>& out) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) {
        throw EPackError("cannot read the folder " + Quote(dir.string()) + ": " + ec.message());
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path path = it->path();
        const std::string name = prefix + path.filename().string();
        CheckName(name);
        const fs::file_status status = fs::status(path, ec);
        if (ec || !fs::exists(status)) {
            throw EPackError(Quote(path.string()) + (fs::is_symlink(fs::symlink_status(path, ec))
                                                         ? " is a symbolic link to nothing"
                                                         : " cannot be read: " + ec.message()));
        }
        if (fs::is_directory(status)) {
            const fs::path real = fs::canonical(path, ec);
            if (ec || std::find(parents.begin(), parents.end(), real) != parents.end()) {
                throw EPackError(Quote(path.string()) +
                                 " leads back into a folder that holds it (a link loop)");
            }
            out.push_back({name + "/", true, {}, {}, 0});
            parents.push_back(real);
            Walk(path, name + "/", parents, out);
            parents.pop_back();
        } else if (fs::is_regular_file(status)) {
            const std::uint64_t size = fs::file_size(path, ec);
            if (ec) {
                throw EPackError(Quote(path.string()) + " cannot be read: " + ec.message());
            }
            out.push_back({name, false, {}, path, size});
        } else {
            throw EPackError(Quote(path.string()) + " is not a regular file (a device, socket or pipe)");
        }
    }
    if (ec) {
        throw EPackError("cannot read the folder " + Quote(dir.string()) + ": " + ec.message());
    }
}

void CheckDirName(const std::string& dirName) {
    const auto parts = TStrUtils::ExplodeStrings("/", dirName);
    const bool bad = dirName.find('\\') != std::string::npos ||
                     std::any_of(parts.begin(), parts.end(),
                                 [](const std::string& p) { return p.empty() || p == "." || p == ".."; });
    if (bad) {
        throw EPackError("DirName " + Quote(dirName) +
                         " must be a folder name such as app or web/app: no leading or trailing \"/\", "
                         "no \".\" or \"..\", no backslash");
    }
}

// The runtime refuses an ID that is not one plain folder name, so refuse to pack it.
void CheckID(const std::string& where, const std::string& id) {
    if (const std::string fault = CheckAppID(id); !fault.empty()) {
        throw EPackError(where + ": " + fault);
    }
}

// The vtr.ini text, and the identity the runtime will read from it.
struct TIni {
    std::string Text;
    std::string ID;
    std::string Name;
    std::string DirName;
    std::string IndexHtml;
    std::vector<std::string> Warnings; // what a given file holds that the runtime will not read
};

TIni LoadIni(const TPackOptions& o) {
    TIni ini;
    const bool fromFile = !o.IniFile.empty();
    if (fromFile) {
        CheckInputFile("--ini", o.IniFile);
        ini.Text = ReadInputFile(o.IniFile);
    } else {
        for (const auto& [key, value] : o.IniValues) {
            if (key == "ID" && !value.empty()) {
                CheckID("--id", value);
            }
        }
        ini.Text = BuildIniText(o.IniValues);
    }
    TIniDocument doc;
    doc.LoadFromBytes(ini.Text);
    // The runtime ends without a word when one of these is empty, so say it here.
    const std::pair<const char*, const char*> required[] = {
        {"ID", "--id"}, {"Name", "--name"}, {"DirName", "--dir-name"}};
    for (const auto& [key, option] : required) {
        if (doc.ReadString("App", key, "").empty()) {
            throw EPackError(
                fromFile ? Quote(o.IniFile) + " gives no " + key + " in section [App]; the runtime needs it"
                         : std::string(option) + " is required: the runtime does not start without " + key);
        }
    }
    CheckID(fromFile ? Quote(o.IniFile) : std::string("--id"), doc.ReadString("App", "ID", ""));
    ini.ID = doc.ReadString("App", "ID", "");
    ini.Name = doc.ReadString("App", "Name", "");
    ini.DirName = doc.ReadString("App", "DirName", "");
    ini.IndexHtml = doc.ReadString("App", "IndexHtml", "index.html");
    CheckDirName(ini.DirName);
    // Options are checked as they are read; a given file is stored as it is, so say what in it
    // the runtime will read otherwise.
    if (fromFile) {
        ini.Warnings = IniWarnings(doc);
    }
    return ini;
}

void CheckStartPage(const TIni& ini, const std::vector<TSource>& sources, const std::string& appDir) {
    if (ini.IndexHtml.empty()) {
        throw EPackError("IndexHtml is empty: the runtime would open no page");
    }
    // The page is requested as a URL: a fragment never reaches the archive and "%20" is a blank.
    std::string page = ini.IndexHtml.substr(0, ini.IndexHtml.find('#'));
    page = TStrUtils::ReplaceAll(page, "%20", " ");
    const std::string entry = ini.DirName + "/" + page;
    const bool found = std::any_of(sources.begin(), sources.end(), [&](const TSource& s) {
        return !s.IsFolder && Base::EqualsIgnoreAsciiCase(s.Name, entry);
    });
    if (!found) {
        throw EPackError("the start page " + Quote(ini.IndexHtml) + " is not in the application folder " +
                         Quote(appDir) + "; add it or choose another with --index-html");
    }
}

bool WantsBranding(const TPackOptions& o) {
    return !o.Icon.empty() || !o.VersionValues.empty();
}

bool IsPeFile(const std::string& path) {
    TFileStream file(path, TFileMode::OpenRead);
    char magic[2] = {};
    return file.Read(magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

// What branding a Windows runtime allows, checked before anything is written: for version
// strings a version block with translations. Keys the block does not hold are warned about,
// since nothing adds them.
void CheckBranding(const TPackOptions& o, const std::string& runtimePath,
                   std::vector<std::string>& warnings) {
    if (!o.Icon.empty()) {
        CheckInputFile("--icon", o.Icon);
    }
    const std::string bytes = ReadInputFile(runtimePath);
    std::optional<TResourceTree> tree;
    try {
        tree = TResourceTree::Read(TPeImage(bytes));
    } catch (const EPeFormatError& e) {
        throw EPackError("the runtime " + Quote(runtimePath) + " cannot be branded: " + e.what());
    }
    if (o.VersionValues.empty()) {
        return;
    }
    const auto where = tree->FindVersion();
    std::optional<TVersionInfo> info;
    if (where) {
        try {
            info = TVersionInfo::Parse(tree->FindData(where->Type, where->Name, where->Language)->Data);
        } catch (const EVersionInfoError&) {
        }
    }
    if (!info) {
        throw EPackError("the runtime " + Quote(runtimePath) +
                         " has no readable version information, so there are no version strings to set");
    }
    const auto translations = info->Translations();
    if (translations.empty()) {
        throw EPackError("the runtime's version information lists no translation, so none of its strings "
                         "can be set");
    }
    for (const auto& [key, value] : o.VersionValues) {
        const bool present = std::any_of(translations.begin(), translations.end(), [&, &k = key](auto t) {
            return info->QueryString(t, k).has_value();
        });
        if (!present) {
            warnings.push_back("the runtime's version information has no " + key + "; it is not added");
        }
    }
}

// The application's icon for a Linux runtime, checked the way the runtime will read it.
std::string ReadAppIcon(const std::string& path) {
    const std::uint64_t size = CheckInputFile("--icon", path);
    if (size > TIconPictures::MaxFileSize) {
        throw EPackError("--icon " + Quote(path) + ": the file is larger than 1 MiB, too large for an icon");
    }
    TFileStream file(path, TFileMode::OpenRead);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.ReadBuffer(bytes.data(), bytes.size());
    try {
        TIconPictures::Read(bytes);
    } catch (const EIconFileError& e) {
        throw EPackError("--icon " + Quote(path) + ": " + e.what());
    }
    return bytes;
}

// Sets the icon and version strings of the runtime copy at path.
void Brand(const TPackOptions& o, const fs::path& path) {
    if (!o.Icon.empty()) {
        try {
            TExeUtils::ChangeExeIcon(path.string(), o.Icon);
        } catch (const EExeResourceError& e) {
            throw EPackError("--icon " + Quote(o.Icon) + ": " + e.what());
        }
    }
    if (!o.VersionValues.empty()) {
        TExeVersionStrings values;
        for (const auto& [key, value] : o.VersionValues) {
            values.Set(key, value);
        }
        if (!TExeUtils::UpdateExeInfo(path.string(), values)) {
            throw EPackError("the version information of the runtime copy could not be rewritten");
        }
    }
}

void Verify(const fs::path& path, std::uint64_t runtimeSize, const std::vector<TSource>& sources) {
    const auto fail = [](const std::string& why) {
        throw EPackError("verifying the written file failed: " + why);
    };
    TExeUtils utils(path.string());
    if (utils.GetAttachedStubOffset() != static_cast<std::int64_t>(runtimeSize) ||
        !utils.ExeHasAttachedStub()) {
        fail("the runtime's headers do not end where the archive begins");
    }
    TMemoryStream memory;
    utils.GetZipFromExe(memory);
    TExeZip zip;
    zip.SetPassword(Archive::Password);
    zip.Open(memory);
    if (zip.FileCount() != static_cast<std::int64_t>(sources.size())) {
        fail("the archive holds " + std::to_string(zip.FileCount()) + " entries instead of " +
             std::to_string(sources.size()));
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const TSource& s = sources[i];
        if (zip.FileNames()[i] != s.Name) {
            fail("entry " + std::to_string(i) + " is " + Quote(zip.FileNames()[i]) + " instead of " +
                 Quote(s.Name));
        }
        TCountingStream counted;
        zip.ExtractToStream(s.Name, counted);
        if (!zip.LastCrcOk() || counted.Count() != s.Size) {
            fail(Quote(s.Name) + " does not read back intact");
        }
    }
}

} // namespace

std::string DefaultRuntimePath() {
    const std::string self = Platform::GetExecutablePath();
    return self.empty() ? std::string() : (fs::path(self).parent_path() / "vtr").string();
}

std::string DefaultEnginePath() {
    const std::string self = Platform::GetExecutablePath();
    return self.empty() ? std::string()
                        : (fs::path(self).parent_path() / "libvtr-engine-webkitgtk.so").string();
}

TPackResult Pack(const TPackOptions& Options) {
    TPackResult result;
    std::error_code ec;

    // ---- Inputs ----
    if (!fs::exists(Options.AppDir, ec)) {
        throw EPackError("the application folder " + Quote(Options.AppDir) + " does not exist");
    }
    if (!fs::is_directory(Options.AppDir, ec)) {
        throw EPackError(Quote(Options.AppDir) +
                         " is not a folder; give the folder that holds the application");
    }
    const fs::path appDir = fs::canonical(Options.AppDir);

    result.Runtime = Options.Runtime;
    if (result.Runtime.empty()) {
        result.Runtime = DefaultRuntimePath();
        if (result.Runtime.empty() || !fs::exists(result.Runtime, ec)) {
            throw EPackError("no runtime: give --runtime PATH (there is no vtr beside vtr-pack)");
        }
    }
    result.RuntimeSize = CheckInputFile("the runtime", result.Runtime);
    {
        TFileStream runtime(result.Runtime, TFileMode::OpenRead);
        const auto end = TExeHeaders::GetImageEnd(runtime);
        if (!end) {
            throw EPackError("the runtime " + Quote(result.Runtime) + " is not an ELF or PE executable");
        }
        if (*end > result.RuntimeSize) {
            throw EPackError("the runtime " + Quote(result.Runtime) +
                             " is shorter than its headers claim (damaged)");
        }
        if (*end < result.RuntimeSize) {
            throw EPackError("the runtime " + Quote(result.Runtime) + " already carries " +
                             std::to_string(result.RuntimeSize - *end) +
                             " bytes behind its image (a packed application?); give the plain runtime");
        }
    }

    // A Windows runtime carries its icon and version strings as resources; a Linux one carries
    // the icon in its archive, and the version strings only describe a Debian package.
    const bool windowsRuntime = IsPeFile(result.Runtime);
    if (windowsRuntime) {
        if (!Options.DebDir.empty()) {
            throw EPackError(
                "--deb writes a Debian package, which needs a Linux (ELF) runtime; the runtime " +
                Quote(result.Runtime) + " is a Windows (PE) executable");
        }
        if (WantsBranding(Options)) {
            CheckBranding(Options, result.Runtime, result.Warnings);
        }
    } else if (!Options.VersionValues.empty() && Options.DebDir.empty()) {
        throw EPackError(
            "the version options set a Windows executable's version information, but the runtime " +
            Quote(result.Runtime) +
            " is not a Windows (PE) executable; for a Linux runtime they describe the Debian "
            "package: add --deb DIR, or leave them out");
    }
    const std::string appIcon = !windowsRuntime && !Options.Icon.empty() ? ReadAppIcon(Options.Icon) : "";

    TIni ini = LoadIni(Options);
    result.Warnings.insert(result.Warnings.end(), ini.Warnings.begin(), ini.Warnings.end());

    std::string engine = Options.Engine;
    if (engine.empty()) {
        const std::string beside = DefaultEnginePath();
        if (!beside.empty() && fs::exists(beside, ec)) {
            engine = beside;
        }
    }

    if (Options.DefaultInstaller && !Options.Installer.empty()) {
        throw EUsageError("--installer and --default-installer both name the installer; give one of them");
    }
    std::vector<TSource> sources;
    sources.push_back({std::string(Archive::IniEntry), false, ini.Text, {}, ini.Text.size()});
    const std::pair<const std::string*, std::pair<const char*, std::string_view>> files[] = {
        {&engine, {"--engine", Archive::EngineEntry}},
        {&Options.Installer, {"--installer", Archive::InstallerEntry}},
        {&Options.WebviewJs, {"--webviewjs", Archive::WebviewJsEntry}},
    };
    for (const auto& [path, what] : files) {
        if (!path->empty()) {
            const std::uint64_t size = CheckInputFile(what.first, *path);
            sources.push_back({std::string(what.second), false, {}, *path, size});
        }
        if (what.second == Archive::InstallerEntry && Options.DefaultInstaller) {
            const std::string script(DefaultInstallerScript());
            sources.push_back({std::string(Archive::InstallerEntry), false, script, {}, script.size()});
        }
    }
    if (!appIcon.empty()) {
        sources.push_back({std::string(Archive::IconEntry), false, appIcon, {}, appIcon.size()});
    }
    if (engine.empty()) {
        result.Warnings.push_back("no --engine given: the packaged application cannot show its pages "
                                  "until an engine library is packed with it");
    }

    // The application's folder entries: the parents of a nested DirName, DirName, then the tree.
    std::string folder;
    for (const std::string& part : TStrUtils::ExplodeStrings("/", ini.DirName)) {
        folder += part + "/";
        sources.push_back({folder, true, {}, {}, 0});
    }
    std::vector<TSource> tree;
    std::vector<fs::path> parents{appDir};
    Walk(appDir, folder, parents, tree);
    std::sort(tree.begin(), tree.end(), [](const TSource& a, const TSource& b) { return a.Name < b.Name; });
    sources.insert(sources.end(), std::make_move_iterator(tree.begin()), std::make_move_iterator(tree.end()));
    CheckStartPage(ini, sources, Options.AppDir);

    std::map<std::string, std::string> folded;
    for (const TSource& s : sources) {
        const auto [it, added] = folded.try_emplace(TStrUtils::LowerCaseAscii(s.Name), s.Name);
        if (!added) {
            result.Warnings.push_back(Quote(it->second) + " and " + Quote(s.Name) +
                                      " differ only in letter case; the runtime finds names ignoring case "
                                      "and serves only the first");
        }
    }

    // ---- Output ----
    const fs::path output = fs::absolute(Options.Output);
    if (fs::is_directory(output, ec)) {
        throw EPackError("the output " + Quote(Options.Output) + " is a folder; give a file name");
    }
    const fs::path outDir = output.parent_path();
    if (!fs::is_directory(outDir, ec)) {
        throw EPackError("the folder of the output " + Quote(Options.Output) + " does not exist");
    }
    const fs::path realOut = fs::weakly_canonical(output, ec);
    const std::string inside = appDir.string() + "/";
    if (realOut.string().rfind(inside, 0) == 0) {
        throw EPackError("the output " + Quote(Options.Output) +
                         " lies inside the application folder; it would be packed into the next build");
    }
    if (fs::exists(output, ec) && fs::equivalent(output, result.Runtime, ec)) {
        throw EPackError("the output " + Quote(Options.Output) + " is the runtime itself");
    }
    std::optional<TDebPlan> deb;
    if (!Options.DebDir.empty()) {
        deb = PlanDebPackage(Options, ini.ID, ini.Name, result.Runtime, output.filename().string(), appIcon,
                             result.Warnings);
        if ((fs::weakly_canonical(deb->Folder, ec).string() + "/").rfind(inside, 0) == 0) {
            throw EPackError("--deb " + Quote(Options.DebDir) +
                             " lies inside the application folder; the package would be packed into the next "
                             "build");
        }
    }

    TTempFile temp(outDir / ("." + output.filename().string() + ".vtr-pack-" + RandomSuffix()));
    try {
        {
            TFileStream out(temp.Path().string(), TFileMode::Create);
            TFileStream runtime(result.Runtime, TFileMode::OpenRead);
            TExeUtils copier(result.Runtime);
            copier.CopyChunks(runtime, out, static_cast<std::int64_t>(result.RuntimeSize));
            out.Close();
        }
        if (windowsRuntime && WantsBranding(Options)) {
            Brand(Options, temp.Path());
            result.RuntimeSize = fs::file_size(temp.Path());
        }
        TFileStream out(temp.Path().string(), TFileMode::OpenReadWrite);
        out.Seek(0, TSeekOrigin::End);
        TZipWriter writer(out, Archive::Password);
        for (const TSource& s : sources) {
            if (s.IsFolder) {
                writer.AddFolder(s.Name);
            } else if (s.Path.empty()) {
                writer.AddFile(s.Name, s.Bytes);
            } else {
                TFileStream source(s.Path.string(), TFileMode::OpenRead);
                writer.AddFile(s.Name, source, s.Size);
            }
        }
        writer.Finish();
        result.ArchiveSize = writer.Size();
        out.Close();

        Verify(temp.Path(), result.RuntimeSize, sources);

        // Executable by whoever may read it, like the runtime it was copied from.
        fs::perms perms =
            fs::status(result.Runtime).permissions() | fs::perms::owner_read | fs::perms::owner_write;
        const std::pair<fs::perms, fs::perms> exec[] = {{fs::perms::owner_read, fs::perms::owner_exec},
                                                        {fs::perms::group_read, fs::perms::group_exec},
                                                        {fs::perms::others_read, fs::perms::others_exec}};
        for (const auto& [read, run] : exec) {
            if ((perms & read) != fs::perms::none) {
                perms |= run;
            }
        }
        fs::permissions(temp.Path(), perms);

        // The package is built from the verified executable, and both appear only when both
        // are complete.
        std::optional<TTempFile> debTemp;
        if (deb) {
            result.DebFile = (deb->Folder / DebFileName(deb->Info)).string();
            debTemp.emplace(deb->Folder / ("." + DebFileName(deb->Info) + ".vtr-pack-" + RandomSuffix()));
            BuildDebPackage(deb->Info, temp.Path().string(), deb->Icons, debTemp->Path().string());
        }
        fs::rename(temp.Path(), output);
        temp.Commit();
        if (debTemp) {
            fs::rename(debTemp->Path(), result.DebFile);
            debTemp->Commit();
        }
    } catch (const EPackError&) {
        throw;
    } catch (const EUsageError&) {
        throw;
    } catch (const std::exception& e) {
        throw EPackError(e.what());
    }

    result.Output = output.string();
    result.EntryCount = sources.size();
    for (const TSource& s : sources) {
        result.EntryNames.push_back(s.Name);
    }
    return result;
}

} // namespace VtrPack
