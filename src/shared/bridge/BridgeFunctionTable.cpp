#include "shared/bridge/BrowserExternalModule.h"

// The bridge's functions by id. A function whose id is missing here is not answered.

namespace Shared {

const std::map<int, TBrowserExternalModule::TFunctionEntry>& TBrowserExternalModule::FunctionTable() {
    using M = TBrowserExternalModule;
    static const std::map<int, TFunctionEntry> table = {
        {10001, {&M::Hello}},
        {10002, {&M::IsRuntime}},
        {11001, {&M::SystemLogoff, "Calls to vtr.system.logoff() works only at runtime."}},
        {11002, {&M::SystemReboot, "Calls to vtr.system.reboot() works only at runtime."}},
        {11003, {&M::SystemShutdown, "Calls to vtr.system.shutdown() works only at runtime."}},
        {12001, {&M::MainMenuSetItems, "Calls to vtr.mainMenu.setItems() works only at runtime."}},
        {12002, {&M::MainMenuUpdateItem, "Calls to vtr.mainMenu.updateItem() works only at runtime."}},
        {20001, {&M::DialogsOpenFile}},
        {20002, {&M::DialogsSaveFile}},
        {30001, {&M::FilesFileExists}},
        {30002, {&M::FilesDeleteFile}},
        {30003, {&M::FilesWriteTextFile}},
        {30004, {&M::FilesExtractFile, "Calls to vtr.files.extractFile() works only at runtime."}},
        {40001, {&M::FoldersDirExists}},
        {40002, {&M::FoldersDeleteDir}},
        {40003, {&M::FoldersGetTempDir}},
        {40004, {&M::FoldersGetUserDocumentsDir}},
        {40005, {&M::FoldersGetUserDesktopDir}},
        {40006, {&M::FoldersGetAppExecutableDir}},
        {40007, {&M::FoldersGetAppDataDir}},
        {50001, {&M::AppClose}},
        {50002, {&M::AppInFullscreen}},
        {50003, {&M::AppEnterFullscreen, "Calls to vtr.app.enterFullscreen() works only at runtime."}},
        {50004, {&M::AppExitFullscreen, "Calls to vtr.app.exitFullscreen() works only at runtime."}},
        {50005, {&M::AppGetArgs, "Calls to vtr.app.getArgs() works only at runtime."}},
        {60001, {&M::WindowGetStyle}},
        {60002, {&M::WindowSetStyle}},
        {60003, {&M::WindowGetState}},
        {60004, {&M::WindowSetState}},
        {60005, {&M::WindowGetTitle}},
        {60006, {&M::WindowSetTitle}},
        {60007, {&M::WindowGetZoom}},
        {60008, {&M::WindowSetZoom}},
        {70001, {&M::ShellExecute}},
        {70002, {&M::ShellExplore}},
        {70003, {&M::ShellCommand}},
        {70004, {&M::ShellWindows}},
        {80001, {&M::ThemesGetTheme, "Calls to vtr.themes.getTheme() works only at runtime."}},
        {80002, {&M::ThemesGetThemes, "Calls to vtr.themes.getThemes() works only at runtime."}},
        {80003, {&M::ThemesSetTheme, "Calls to vtr.themes.setTheme() works only at runtime."}},
        {90001, {&M::Base64DecodeToFile}},
    };
    return table;
}

} // namespace Shared
