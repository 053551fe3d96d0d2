#include "DebBuilder.h"

#include "Packer.h"
#include "TempFiles.h"

#include "platform/LastError.h"
#include "platform/RunProgram.h"

#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace VtrPack {

namespace {

namespace fs = std::filesystem;

// Every file's time, as in the archive: 1 January 2022, 12:00:00 UTC.
constexpr std::int64_t PackageTime = 1641038400;

constexpr fs::perms DirMode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
constexpr fs::perms FileMode =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms ProgramMode = DirMode;

// gzip -9n: the most compression, no name or time in the header, as Debian wants documentation.
std::string Gzip(const std::string& text) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw EPackError("--deb: cannot compress the package's documentation");
    }
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END) {
        throw EPackError("--deb: cannot compress the package's documentation");
    }
    return out;
}

// Root + an absolute package path.
fs::path InTree(const fs::path& root, const std::string& path) {
    return root / fs::path(path).relative_path();
}

void MakeFolders(const fs::path& root, const fs::path& folder) {
    if (folder == root || fs::exists(folder)) {
        return;
    }
    MakeFolders(root, folder.parent_path());
    fs::create_directory(folder);
    fs::permissions(folder, DirMode);
}

void WriteTreeFile(const fs::path& root, const std::string& path, const std::string& bytes,
                   fs::perms mode = FileMode) {
    const fs::path file = InTree(root, path);
    MakeFolders(root, file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw EPackError("cannot write " + file.string() + " for the Debian package");
    }
    fs::permissions(file, mode);
}

// What dpkg counts as Installed-Size: every file and folder in KiB, rounded up.
std::uint64_t InstalledKiB(const fs::path& root) {
    std::uint64_t kib = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_symlink() || entry.is_directory()) {
            ++kib;
        } else {
            kib += (entry.file_size() + 1023) / 1024;
        }
    }
    return kib;
}

void SetTimes(const fs::path& root) {
    const auto time =
        std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(PackageTime)));
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_symlink()) {
            fs::last_write_time(entry.path(), time);
        }
    }
    fs::last_write_time(root, time);
}

} // namespace

void BuildDebPackage(const TDebInfo& Info, const std::string& ExecutablePath,
                     const std::vector<TThemeIcon>& Icons, const std::string& Target) {
    try {
        const TTempFolder temp("vtr-pack-deb-");
        // The tree's top folder becomes the package's "/": it keeps the usual mode.
        const fs::path root = temp.Path() / "root";
        fs::create_directory(root);
        fs::permissions(root, DirMode);

        const fs::path program = InTree(root, InstalledExecutablePath(Info));
        MakeFolders(root, program.parent_path());
        fs::copy_file(ExecutablePath, program);
        fs::permissions(program, ProgramMode);
        const fs::path launcher = InTree(root, LauncherPath(Info));
        MakeFolders(root, launcher.parent_path());
        fs::create_symlink(InstalledExecutablePath(Info), launcher);

        WriteTreeFile(root, DesktopEntryPath(Info), DesktopEntryText(Info));
        for (const TThemeIcon& icon : Icons) {
            WriteTreeFile(root, icon.Path, icon.Bytes);
        }
        const std::string doc = "/usr/share/doc/" + Info.Package + "/";
        WriteTreeFile(root, doc + "copyright", DebCopyrightText(Info));
        WriteTreeFile(root, doc + DebChangelogName(Info), Gzip(DebChangelogText(Info)));
        WriteTreeFile(root, DebManPagePath(Info), Gzip(DebManPageText(Info)));
        WriteTreeFile(root, "/usr/share/lintian/overrides/" + Info.Package, LintianOverridesText(Info));

        const std::uint64_t size = InstalledKiB(root);
        WriteTreeFile(root, "/DEBIAN/control", DebControlText(Info, size));
        SetTimes(root);

        const auto run =
            Platform::RunProgram({"dpkg-deb", "--root-owner-group", "-Zxz", "--build", root.string(), Target},
                                 {{"SOURCE_DATE_EPOCH", std::to_string(PackageTime)}});
        if (!run) {
            throw EPackError("--deb: dpkg-deb cannot be started (" + Platform::LastErrorText() +
                             "); it comes with Debian's dpkg package");
        }
        if (run->ExitCode != 0) {
            throw EPackError("--deb: dpkg-deb could not build the package:\n" + run->Output);
        }
    } catch (const fs::filesystem_error& e) {
        throw EPackError(std::string("--deb: ") + e.what());
    }
}

} // namespace VtrPack
