#include "shared/BrowserExternalModule.h"

// The bridge's functions by id. A function whose id is missing here is not answered.

namespace Shared {

const std::map<int, TBrowserExternalModule::TFunctionEntry>& TBrowserExternalModule::FunctionTable() {
    using M = TBrowserExternalModule;
    static const std::map<int, TFunctionEntry> table = {
        {10001, {&M::Hello}},
        {10002, {&M::IsRuntime}},
        {30003, {&M::FilesWriteTextFile}},
        {50001, {&M::AppClose}},
    };
    return table;
}

} // namespace Shared
