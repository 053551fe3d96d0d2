#include "Packer.h"
#include "ExeFixtures.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ExeZip.h"
#include "shared/exe/ExeUtils.h"

#include <gtest/gtest.h>

using namespace VtrPack;
using Fixtures::TTempDir;

namespace {

using TValues = std::vector<std::pair<std::string, std::string>>;

TPackOptions Parse(std::vector<std::string> args) {
    return ParseCommandLine(args);
}

// An entry of the archive a packed executable carries.
std::string EntryOf(const std::string& executable, const std::string& name) {
    Shared::TExeUtils utils(executable);
    Shared::TMemoryStream memory;
    utils.GetZipFromExe(memory);
    Shared::TExeZip zip;
    zip.SetPassword(Shared::Archive::Password);
    zip.Open(memory);
    return zip.ExtractToString(name);
}

} // namespace

TEST(PackOptions, ReadsFilesAndKeyOptions) {
    const TPackOptions o = Parse({"site",
                                  "-o",
                                  "out/app",
                                  "--runtime=rt",
                                  "--engine",
                                  "e.so",
                                  "--id",
                                  "com.x",
                                  "--name=My App",
                                  "--dir-name",
                                  "app",
                                  "--allow-zoom",
                                  "yes",
                                  "--edge-installer",
                                  "false",
                                  "--install-form-color",
                                  "0xFF0000",
                                  "--width",
                                  "$400",
                                  "--top",
                                  "-5"});
    EXPECT_EQ(o.AppDir, "site");
    EXPECT_EQ(o.Output, "out/app");
    EXPECT_EQ(o.Runtime, "rt");
    EXPECT_EQ(o.Engine, "e.so");
    EXPECT_EQ(o.IniValues, (TValues{{"ID", "com.x"},
                                    {"Name", "My App"},
                                    {"DirName", "app"},
                                    {"AllowZoom", "1"},
                                    {"EdgeInstaller", "0"},
                                    {"InstallFormColor", "0xFF0000"},
                                    {"Width", "$400"},
                                    {"Top", "-5"}}));
    EXPECT_TRUE(Parse({"--help"}).Help);

    // Branding: the icon is a file option, version strings are kept apart from vtr.ini and
    // may be empty (an empty value clears the string).
    const TPackOptions b = Parse(
        {"site", "-o", "x", "--icon", "app.ico", "--product-name=Notes", "--comments", "", "--id", "i"});
    EXPECT_EQ(b.Icon, "app.ico");
    EXPECT_EQ(b.VersionValues, (TValues{{"ProductName", "Notes"}, {"Comments", ""}}));
    EXPECT_EQ(b.IniValues, (TValues{{"ID", "i"}}));
    EXPECT_EQ(VersionKeys().size(), 11u);
    EXPECT_EQ(Parse({"-o", "x", "--", "-dir"}).AppDir, "-dir");
    const TPackOptions d = Parse({"site", "-o", "x", "--deb=dist", "--maintainer", "A <a@b.org>"});
    EXPECT_EQ(d.DebDir, "dist");
    EXPECT_EQ(d.Maintainer, "A <a@b.org>");
}

TEST(PackOptions, RefusesWhatCannotBeUnderstood) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-o", "x"}, "no application folder given"},
        {{"site"}, "no output given"},
        {{"a", "b", "-o", "x"}, "more than one application folder"},
        {{"site", "-o", "x", "--width"}, "--width needs a value"},
        {{"site", "-o", "x", "--width", "1e3"}, "is not a whole number"},
        {{"site", "-o", "x", "--width", "99999999999"}, "is not a whole number"},
        {{"site", "-o", "x", "--install-indicator-type", "3"}, "outside 0..2"},
        {{"site", "-o", "x", "--allow-debug", "2"}, "not a yes/no value"},
        {{"site", "-o", "x", "-o", "y"}, "--output is given twice"},
        {{"site", "-o", "x", "--ini", "v.ini", "--name", "n"},
         "--ini cannot be combined with key options such as --name"},
        {{"site", "-o", "x", "--runtime="}, "--runtime needs a path"},
        {{"site", "-o", "x", "--ID", "i"}, "unknown option --ID"},
        {{"site", "-o", "x", "--icon", ""}, "--icon needs a path"},
        {{"site", "-o", "x", "--company-name", "a", "--company-name", "b"}, "--company-name is given twice"},
        {{"site", "-o", "x", "--product-name", "bad \xFF"}, "not valid UTF-8"},
        {{"site", "-o", "x", "--maintainer", "A <a@b.org>"}, "it needs --deb DIR"},
        {{"site", "-o", "x", "--deb", ""}, "--deb needs a path"},
    };
    for (const auto& [args, message] : cases) {
        try {
            Parse(args);
            ADD_FAILURE() << "accepted: " << message;
        } catch (const EUsageError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

TEST(PackOptions, WritesIniKeysInTableOrderAndChecksTheyReadBack) {
    EXPECT_EQ(BuildIniText({{"Width", "1024"}, {"ID", "com.x"}, {"Name", "Caf\u00e9"}}),
              "\xEF\xBB\xBF[App]\r\nID=com.x\r\nName=Caf\u00e9\r\nWidth=1024\r\n");
    EXPECT_THROW(BuildIniText({{"Name", " padded"}}), EUsageError);
    EXPECT_THROW(BuildIniText({{"Name", "two\nlines"}}), EUsageError);
    EXPECT_THROW(BuildIniText({{"Name", "bad \xFF byte"}}), EUsageError);
}

class Packer : public ::testing::Test {
protected:
    void SetUp() override {
        Fixtures::WriteFile(Dir / "runtime", Fixtures::MakeElf64(1000, {}, 2048));
        Fixtures::WriteFile(Dir / "site/index.html", "<h1>hi</h1>");
        Fixtures::WriteFile(Dir / "site/js/app.js", Fixtures::Pattern(50000, 5));
        std::filesystem::create_directories(Dir.Path() / "out");
        Options.AppDir = Dir / "site";
        Options.Output = Dir / "out/app";
        Options.Runtime = Dir / "runtime";
        Options.IniValues = {{"ID", "com.x"}, {"Name", "X"}, {"DirName", "web/app"}};
    }

    std::size_t OutFiles() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(Dir.Path() / "out"), {}));
    }

    TTempDir Dir;
    TPackOptions Options;
};

TEST_F(Packer, WritesAVerifiedExecutableTheRuntimeCanRead) {
    const TPackResult r = Pack(Options);
    EXPECT_EQ(r.EntryNames, (std::vector<std::string>{"vtr.ini", "web/", "web/app/", "web/app/index.html",
                                                      "web/app/js/", "web/app/js/app.js"}));
    EXPECT_EQ(r.Warnings.size(), 1u); // no engine
    EXPECT_EQ(r.RuntimeSize, 2048u + 64);
    EXPECT_EQ(std::filesystem::file_size(Options.Output), r.RuntimeSize + r.ArchiveSize);
    const auto perms = std::filesystem::status(Options.Output).permissions();
    EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);

    Shared::TExeUtils utils(Options.Output);
    ASSERT_TRUE(utils.ExeHasAttachedStub());
    Shared::TMemoryStream memory;
    utils.GetZipFromExe(memory);
    Shared::TExeZip zip;
    zip.SetPassword(Shared::Archive::Password);
    zip.Open(memory);
    EXPECT_EQ(zip.ExtractToString("WEB/APP/INDEX.HTML"), "<h1>hi</h1>");
    EXPECT_EQ(zip.ExtractToString("web/app/js/app.js"), Fixtures::Pattern(50000, 5));

    // Packing again gives the same bytes, and replaces the output.
    const std::string first = Fixtures::ReadFile(Options.Output);
    Pack(Options);
    EXPECT_EQ(Fixtures::ReadFile(Options.Output), first);
    EXPECT_EQ(OutFiles(), 1u);
}

TEST_F(Packer, RefusalsLeaveTheOutputAsItWas) {
    Fixtures::WriteFile(Options.Output, "earlier build");
    const std::vector<std::pair<std::function<void(TPackOptions&)>, std::string>> cases = {
        {[](TPackOptions& o) {
             o.IniValues.push_back({"IndexHtml", "main.html"});
         },
         "the start page \"main.html\""},
        {[](TPackOptions& o) { o.IniValues[2].second = "../up"; }, "must be a folder name"},
        {[](TPackOptions& o) { o.IniValues.pop_back(); }, "--dir-name is required"},
        {[&](TPackOptions& o) { o.Runtime = Dir / "site/index.html"; }, "is not an ELF or PE executable"},
        {[&](TPackOptions& o) { o.Output = Dir / "site/js/app"; }, "lies inside the application folder"},
        {[&](TPackOptions& o) { o.Output = Dir / "out"; }, "is a folder"},
        {[&](TPackOptions& o) { o.WebviewJs = Dir / "missing.js"; }, "--webviewjs"},
        // The application's icon is read as the runtime will read it.
        {[](TPackOptions& o) { o.Icon = VTR_ICON_FIXTURES "/broken.png"; }, "is not a PNG, SVG or ICO image"},
        {[](TPackOptions& o) { o.Icon = VTR_ICON_FIXTURES "/green.jpg"; }, "--icon"},
        {[&](TPackOptions& o) { o.Icon = Dir / "missing.png"; }, "does not exist"},
        // Version strings describe a Linux runtime's Debian package only.
        {[](TPackOptions& o) {
             o.VersionValues = {{"ProductVersion", "1.0"}};
         },
         "add --deb DIR"},
        {[&](TPackOptions& o) {
             Fixtures::WriteFile(Dir / "pe.exe", Fixtures::MakePe({{0x400, 0x200}}, 0x600));
             o.Runtime = Dir / "pe.exe";
             o.DebDir = Dir / "out";
         },
         "needs a Linux (ELF) runtime"},
        {[&](TPackOptions& o) { o.DebDir = Dir / "none"; }, "is not a folder"},
        {[&](TPackOptions& o) { o.DebDir = Dir / "out"; }, "--deb needs the application's version"},
        {[&](TPackOptions& o) {
             o.DebDir = Dir / "out";
             o.VersionValues = {{"ProductVersion", "v1"}};
         },
         "the version \"v1\" does not suit a package"},
        {[&](TPackOptions& o) {
             o.DebDir = Dir / "out";
             o.VersionValues = {{"FileVersion", "1.0"}};
         },
         "--deb needs the package's maintainer"},
        {[&](TPackOptions& o) {
             o.DebDir = Dir / "site";
             o.VersionValues = {{"FileVersion", "1.0"}};
             o.Maintainer = "A <a@b.org>";
         },
         "lies inside the application folder"},
    };
    for (const auto& [change, message] : cases) {
        TPackOptions o = Options;
        change(o);
        try {
            Pack(o);
            ADD_FAILURE() << "packed: " << message;
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
        EXPECT_EQ(Fixtures::ReadFile(Options.Output), "earlier build");
        EXPECT_EQ(OutFiles(), 1u);
    }
}

TEST_F(Packer, StoresALinuxRuntimesIconAsGiven) {
    for (const std::string name : {"red.png", "magenta.ico"}) {
        Options.Icon = std::string(VTR_ICON_FIXTURES "/") + name;
        const TPackResult r = Pack(Options);
        EXPECT_EQ(r.EntryNames[1], "vtr-icon");
        EXPECT_EQ(EntryOf(Options.Output, "vtr-icon"), Fixtures::ReadFile(Options.Icon)) << name;
    }
}

TEST_F(Packer, WarnsAboutIniValuesTheRuntimeWouldNotReadAndStoresTheFileAsGiven) {
    const std::string text = "[App]\r\nID=com.x\r\nName=X\r\nDirName=app\r\nAllowZoom=true\r\n"
                             "Width=1024px\r\nWindowBorder=7\r\nHeight=700\r\n";
    Fixtures::WriteFile(Dir / "vtr.ini", text);
    Options.IniValues.clear();
    Options.IniFile = Dir / "vtr.ini";
    const TPackResult r = Pack(Options);
    std::vector<std::string> ini;
    for (const std::string& w : r.Warnings) {
        if (w.rfind("vtr.ini: ", 0) == 0) {
            ini.push_back(w);
        }
    }
    ASSERT_EQ(ini.size(), 3u);
    EXPECT_NE(ini[0].find("AllowZoom=true"), std::string::npos);
    EXPECT_NE(ini[1].find("Width=1024px"), std::string::npos);
    EXPECT_NE(ini[2].find("WindowBorder=7"), std::string::npos);

    EXPECT_EQ(EntryOf(Options.Output, "vtr.ini"), text);
}
