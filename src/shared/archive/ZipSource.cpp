#include "shared/archive/ZipSource.h"

#include <cstring>

namespace Shared {

bool TZipMemorySource::ReadAt(std::uint64_t Offset, void* Target, std::size_t Count) const {
    if (!RangeInside(Offset, Count, FBytes.size())) {
        return false;
    }
    if (Count > 0) {
        std::memcpy(Target, FBytes.data() + Offset, Count);
    }
    return true;
}

} // namespace Shared

namespace Shared {

TZipFileSource::TZipFileSource(std::unique_ptr<Platform::TRandomAccessFile> File, std::uint64_t Offset,
                               std::uint64_t Size)
    : FFile(std::move(File)), FOffset(Offset), FSize(Size) {}

TZipFileSource::~TZipFileSource() = default;

std::unique_ptr<TZipFileSource> TZipFileSource::Open(const std::string& Path, std::uint64_t Offset,
                                                     std::uint64_t Size) {
    std::unique_ptr<Platform::TRandomAccessFile> file = Platform::TRandomAccessFile::Open(Path);
    if (!file || !RangeInside(Offset, Size, file->Size())) {
        return nullptr;
    }
    return std::unique_ptr<TZipFileSource>(new TZipFileSource(std::move(file), Offset, Size));
}

bool TZipFileSource::ReadAt(std::uint64_t Offset, void* Target, std::size_t Count) const {
    return RangeInside(Offset, Count, FSize) &&
           (Count == 0 || FFile->ReadAt(FOffset + Offset, Target, Count));
}

} // namespace Shared
