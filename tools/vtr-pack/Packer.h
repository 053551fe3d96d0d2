#pragma once

#include "PackOptions.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace VtrPack {

// Packing was refused or failed; nothing was written at the output path.
class EPackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TPackResult {
    std::string Output;
    std::string Runtime;
    std::uint64_t RuntimeSize = 0;
    std::uint64_t ArchiveSize = 0;
    std::size_t EntryCount = 0;
    std::vector<std::string> EntryNames; // in archive order
    std::vector<std::string> Warnings;
    std::string DebFile; // the Debian package written with --deb
};

// Builds the packaged executable described by Options: checks every input first, writes a
// temporary file beside the output (runtime copy, then the archive), reopens it the way the
// runtime does and checks every entry's CRC, makes it executable and renames it over the
// output. Raises EPackError (or EUsageError for an unusable vtr.ini) and then leaves no file.
TPackResult Pack(const TPackOptions& Options);

// The runtime vtr-pack uses without --runtime: "vtr" in vtr-pack's own folder.
std::string DefaultRuntimePath();
// The engine library beside vtr-pack, packed when no --engine is given.
std::string DefaultEnginePath();

} // namespace VtrPack
