#include "IniWarnings.h"

#include <gtest/gtest.h>

using namespace VtrPack;

namespace {

std::vector<std::string> WarningsOf(const std::string& app) {
    Shared::TIniDocument ini;
    ini.LoadFromBytes("[App]\nID=x\nName=X\nDirName=app\n" + app + "[Other]\nWidth=wide\nMine=1\n");
    return IniWarnings(ini);
}

} // namespace

TEST(IniWarnings, OneWarningPerKeyTheRuntimeWouldReadOtherwise) {
    struct TCase {
        std::string Lines;
        std::string Says; // empty: no warning
    };
    const TCase cases[] = {
        {"AllowZoom=true\n", "vtr.ini: AllowZoom=true is not a number, so the runtime reads the default, 0 "
                             "(no); write 1 for yes"},
        {"EdgeInstaller=no\n", "EdgeInstaller=no is not a number, so the runtime reads the default, 1 (yes)"},
        {"Width=1024px\n",
         "vtr.ini: Width=1024px is not a whole number, so the runtime reads the default, 800"},
        {"InstallFormColor=#FF0000\n", "InstallFormColor=#FF0000 is not a whole number"},
        {"WindowBorder=7\n", "vtr.ini: WindowBorder=7 is outside 0..5, which the runtime does not support; "
                             "it uses the default, 2"},
        {"InstallIndicatorType=-1\n", "InstallIndicatorType=-1 is outside 0..2"},
        {"Height=\n", "vtr.ini: Height has no value, so the runtime reads the default, 600"},
        {"AllowDebug\n", "AllowDebug has no value"},
        {"Widht=1024\n", "vtr.ini: the runtime reads no key \"Widht\" in [App]; did you mean Width?"},
        {"Titel=Notes\n", "the runtime reads no key \"Titel\" in [App]"},
        {"Width 1024\n", "no key \"Width 1024\" in [App] (the line has no \"=\", so it gives no value)"},
        {"Width=640\nwidth=1024\n", "vtr.ini: Width is given 2 times with different values; the runtime "
                                    "reads only the last, Width=1024"},
        // What the runtime reads as written: no warning.
        {"AllowZoom=-5\nWidth = 1024\nInstallFormColor=0xFF0000\nTop=$10\nWindowBorder=5\n", ""},
        {"WindowState=2\nWindowStyle=9\nTheme=Anything\nPassword=\n", ""},
        {"Width=800\nWidth=800\n", ""},
    };
    for (const TCase& c : cases) {
        const auto warnings = WarningsOf(c.Lines);
        if (c.Says.empty()) {
            EXPECT_TRUE(warnings.empty()) << c.Lines << ": " << (warnings.empty() ? "" : warnings[0]);
            continue;
        }
        ASSERT_EQ(warnings.size(), 1u) << c.Lines;
        EXPECT_NE(warnings[0].find(c.Says), std::string::npos) << warnings[0];
    }
    // Several keys, one warning each, in the order of the file.
    const auto several = WarningsOf("WindowBorder=9\nAllowZoom=yes\nAllowZoom=on\n");
    ASSERT_EQ(several.size(), 3u);
    EXPECT_NE(several[0].find("WindowBorder=9"), std::string::npos);
    EXPECT_NE(several[1].find("given 2 times"), std::string::npos);
    EXPECT_NE(several[2].find("AllowZoom=on is not a number"), std::string::npos);
}
