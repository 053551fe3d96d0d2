// TSysUtils::CheckEdgeIsInstalled on real engine libraries (copies of the test engine, each
// loaded afresh, whose reported version each case chooses).

#include "ExeFixtures.h"
#include "shared/system/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using Shared::TSysUtils;

TEST(CheckEdgeIsInstalled, OnlyALoadableEngineThatReportsABrowserCounts) {
    Fixtures::TTempDir dir;
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(""));
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(dir / "missing.so"));
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(dir.Path().string())) << "a folder";
    Fixtures::WriteFile(dir / "empty.so", "");
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(dir / "empty.so")) << "an archive without the engine";
    Fixtures::WriteFile(dir / "text.so", "not a library");
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(dir / "text.so"));
    EXPECT_FALSE(TSysUtils::LastErrorMessage().empty());

    // Each copy is a library of its own, which reads the version to report when first asked.
    const auto engine = [&](const std::string& Name) {
        const std::string path = dir / Name;
        std::filesystem::copy_file(VTR_TEST_ENGINE_PATH, path);
        return path;
    };
    setenv("VTR_TEST_ENGINE_VERSION", "none", 1);
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(engine("none.so")));
    setenv("VTR_TEST_ENGINE_VERSION", "2.42.1", 1);
    EXPECT_TRUE(TSysUtils::CheckEdgeIsInstalled(engine("installed.so")));
    unsetenv("VTR_TEST_ENGINE_VERSION");
}
