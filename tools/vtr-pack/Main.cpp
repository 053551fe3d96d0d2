// vtr-pack: packs a web application folder into one executable with the vtr runtime.

#include "Packer.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    VtrPack::TPackOptions options;
    try {
        options = VtrPack::ParseCommandLine(args);
    } catch (const VtrPack::EUsageError& e) {
        std::cerr << "vtr-pack: " << e.what() << "\n";
        return 2;
    }
    if (options.Help) {
        std::cout << VtrPack::HelpText();
        return 0;
    }
    if (options.Version) {
        std::cout << "vtr-pack " << VTR_VERSION << "\n";
        return 0;
    }
    try {
        const VtrPack::TPackResult result = VtrPack::Pack(options);
        for (const std::string& warning : result.Warnings) {
            std::cerr << "vtr-pack: warning: " << warning << "\n";
        }
        if (!options.Quiet) {
            std::cout << "vtr-pack: wrote " << result.Output << " (runtime " << result.RuntimeSize
                      << " bytes, archive " << result.ArchiveSize << " bytes, " << result.EntryCount
                      << " entries, verified)\n";
            if (!result.DebFile.empty()) {
                std::cout << "vtr-pack: wrote " << result.DebFile << "\n";
            }
        }
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "vtr-pack: error: " << e.what() << "\n";
        return 1;
    }
}
