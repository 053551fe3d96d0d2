#include "shared/BrowserExternalModule.h"

// The bridge's functions by id. A function whose id is missing here is not answered.

namespace Shared {

const std::map<int, TBrowserExternalModule::TFunctionEntry>& TBrowserExternalModule::FunctionTable() {
    using M = TBrowserExternalModule;
    static const std::map<int, TFunctionEntry> table = {
        {10001, {&M::Hello}},
        {10002, {&M::IsRuntime}},
        {12001, {&M::MainMenuSetItems, "Calls to vtr.mainMenu.setItems() works only at runtime."}},
        {12002, {&M::MainMenuUpdateItem, "Calls to vtr.mainMenu.updateItem() works only at runtime."}},
        {30003, {&M::FilesWriteTextFile}},
        {50001, {&M::AppClose}},
        {80001, {&M::ThemesGetTheme, "Calls to vtr.themes.getTheme() works only at runtime."}},
        {80002, {&M::ThemesGetThemes, "Calls to vtr.themes.getThemes() works only at runtime."}},
        {80003, {&M::ThemesSetTheme, "Calls to vtr.themes.setTheme() works only at runtime."}},
    };
    return table;
}

} // namespace Shared
