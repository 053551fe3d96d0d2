#include "runtime/StartupGates.h"

#include "forms/Application.h"
#include "forms/ApplicationWindow.h"
#include "runtime/EdgeInstallerForm.h"
#include "runtime/ExeZipLoader.h"
#include "runtime/LocalizedMessages.h"
#include "runtime/RequirePasswordForm.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/Stream.h"
#include "shared/config/AppIdentity.h"
#include "shared/config/ProgramParams.h"
#include "shared/host/EdgeEx.h"
#include "shared/system/SysUtils.h"

#include <filesystem>
#include <stdexcept>

namespace Runtime {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void EndApplication() {
    throw EApplicationExit{0};
}

// The gate removes the application's own data folder and nothing else: the folder named by the
// ID directly inside the user's data home, itself no link (through a link, or with an ID such as
// "..", the removal would reach folders of the user's that are not the application's).
bool IsOwnDataFolder(const std::string& path) {
    std::error_code ec;
    fs::path folder(path);
    if (!folder.has_filename()) {
        folder = folder.parent_path();
    }
    if (!Shared::CheckAppID(AppID).empty() || folder.filename() != AppID ||
        !fs::is_directory(fs::symlink_status(folder, ec))) {
        return false;
    }
    const fs::path home = fs::canonical(Shared::TSysUtils::GetLocalAppDataDirPath(), ec);
    if (ec) {
        return false;
    }
    const fs::path real = fs::canonical(folder, ec);
    return !ec && real.parent_path() == home && real.filename() == AppID;
}

void DeleteRuntimeDataDir() {
    if (IsOwnDataFolder(RuntimeDataDirPath)) {
        Shared::TSysUtils::DeleteDirectory(RuntimeDataDirPath);
    }
}

// The installer as the archive holds it; a file left by an earlier start is used as it is.
std::string PrepareInstaller() {
    const std::string path = RuntimeDataDirPath + std::string(Shared::Archive::InstallerEntry);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) {
        // A missing entry still leaves an (empty) file: starting it then fails visibly.
        Shared::TMemoryStream bytes;
        ExeZip->ExtractToStream(Shared::Archive::InstallerEntry, bytes);
        Shared::TFileStream file(path, Shared::TFileMode::Create);
        file.Write(bytes.View());
        file.Close();
    }
    // Archive entries carry no permissions: the installer may be run by whoever may read it.
    fs::perms perms = fs::status(path, ec).permissions();
    if (!ec) {
        perms |= fs::perms::owner_exec;
        if ((perms & fs::perms::group_read) != fs::perms::none) {
            perms |= fs::perms::group_exec;
        }
        if ((perms & fs::perms::others_read) != fs::perms::none) {
            perms |= fs::perms::others_exec;
        }
        fs::permissions(path, perms, ec);
    }
    return path;
}

void PassEdgeRuntimeGate() {
    const std::string loader = Shared::LoaderLibraryPath();
    if (Shared::TSysUtils::CheckEdgeIsInstalled(loader)) {
        return;
    }
    if (!ProjectINI->ReadBool("App", "EdgeInstaller", true)) {
        ShowLocalizedError(lmRuntimeRequired);
        EndApplication();
    }
    const int answer = ShowMessageDialog(
        GetLocalizedMessage(lmRuntimeInstallQuestion), Forms::mtConfirmation, Forms::mbYes | Forms::mbCancel,
        {GetLocalizedMessage(lmButtonAccept), GetLocalizedMessage(lmButtonCancel)},
        GetLocalizedMessage(lmTitleConfirm));
    if (answer == Forms::mrCancel) {
        DeleteRuntimeDataDir();
        ShowLocalizedError(lmCannotContinue);
        EndApplication();
    }

    const std::string installer = PrepareInstaller();

    TEdgeInstallerForm splash;
    splash.SetBackgroundColor(ProjectINI->ReadInteger("App", "InstallFormColor", Forms::clHotLight));
    splash.SetIndicatorColor(ProjectINI->ReadInteger("App", "InstallIndicatorColor", 1));
    splash.SetIndicatorType(ProjectINI->ReadInteger("App", "InstallIndicatorType", 0));
    splash.Show();
    Forms::HideApplicationWindow();

    // The exit code says nothing reliable about the result: the check after it does.
    Shared::TSysUtils::ShellExecAsAdminAndWait(Forms::Application().ActiveForm(), installer,
                                               "/silent /install");

    if (Shared::TSysUtils::CheckEdgeIsInstalled(loader)) {
        std::error_code ec;
        fs::remove(installer, ec);
        // The new process starts from the beginning and finds the runtime in place.
        Shared::TSysUtils::ShellExec(Shared::TProgramParams::ParamStr(0), "");
        EndApplication();
    }
    DeleteRuntimeDataDir();
    ShowLocalizedError(lmInstallationCancelled);
    EndApplication();
}

void PassPasswordGate() {
    // A launch by a running instance of the application is not asked again.
    if (Shared::TProgramParams::ParamCount() >= 1 && Shared::TProgramParams::ParamStr(1) == AppID) {
        return;
    }
    const std::string password = ProjectINI->ReadString("App", "Password", "");
    if (password.empty()) {
        return;
    }
    if (!Forms::Application().Initialized()) {
        throw std::runtime_error(
            "Cannot open the display: the application asks for its password in a window.");
    }
    TRequirePasswordForm form;
    form.SetCaption(AppName);
    form.SetPassword(password);
    if (form.ShowModal() != Forms::mrOk) {
        EndApplication();
    }
}

} // namespace

void PassStartupGates() {
    PassEdgeRuntimeGate();
    PassPasswordGate();
}

} // namespace Runtime
