#include "shared/exe/PeResources.h"

#include "base/Ascii.h"
#include "base/LittleEndian.h"

#include <algorithm>
#include <set>

namespace Shared {

namespace {

constexpr std::uint32_t HighBit = 0x80000000u;
constexpr std::size_t TableHeaderSize = 16;
constexpr std::size_t EntrySize = 8;
constexpr std::size_t DataEntrySize = 16;
// Windows' tree has three levels; a little more is kept as found, deeper is damage.
constexpr int MaxDepth = 8;

class TTreeReader {
public:
    TTreeReader(const TPeImage& image, TDataDirectory directory)
        : FImage(image), FBase(directory.VirtualAddress),
          FDataBudget(std::min<std::uint64_t>(image.SizeOfImage(), image.Bytes().size())) {}

    void ReadTable(std::uint32_t offset, int depth, TResourceDirectory& out) {
        if (depth > MaxDepth) {
            throw EResourceFormatError("the resource tree is too deep");
        }
        if (!FTables.insert(offset).second) {
            throw EResourceFormatError("a resource table is reached twice");
        }
        const std::string header = Read(offset, TableHeaderSize, "a resource table");
        out.Characteristics = GetU32(header, 0);
        out.TimeDateStamp = GetU32(header, 4);
        out.MajorVersion = GetU16(header, 8);
        out.MinorVersion = GetU16(header, 10);
        const std::size_t named = GetU16(header, 12);
        const std::size_t count = named + GetU16(header, 14);
        const std::string entries =
            Read(offset + static_cast<std::uint64_t>(TableHeaderSize), count * EntrySize, "a resource table");
        out.Entries.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            TResourceEntry& e = out.Entries[i];
            const std::uint32_t key = GetU32(entries, i * EntrySize);
            const std::uint32_t target = GetU32(entries, i * EntrySize + 4);
            if (key & HighBit) {
                e.Id = TResourceId::FromName(ReadName(key & ~HighBit));
            } else {
                e.Id = TResourceId::FromId(key);
            }
            if (target & HighBit) {
                e.IsDirectory = true;
                ReadTable(target & ~HighBit, depth + 1, e.Directory);
            } else {
                ReadData(target, e);
            }
        }
    }

private:
    std::string Read(std::uint64_t offset, std::uint64_t size, const char* what) {
        const std::uint64_t rva = FBase + offset;
        if (rva + size > 0xFFFFFFFFu) {
            throw EResourceFormatError(std::string(what) + " lies outside the image");
        }
        auto bytes = FImage.ReadRva(static_cast<std::uint32_t>(rva), static_cast<std::uint32_t>(size));
        if (!bytes) {
            throw EResourceFormatError(std::string(what) + " lies outside the image");
        }
        return std::move(*bytes);
    }

    std::u16string ReadName(std::uint32_t offset) {
        const std::string length = Read(offset, 2, "a resource name");
        const std::string chars = Read(offset + 2ull, GetU16(length, 0) * 2ull, "a resource name");
        std::u16string name;
        for (std::size_t i = 0; i < chars.size(); i += 2) {
            name.push_back(static_cast<char16_t>(GetU16(chars, i)));
        }
        return name;
    }

    void ReadData(std::uint32_t offset, TResourceEntry& e) {
        if (!FDataEntries.insert(offset).second) {
            throw EResourceFormatError("a resource data entry is reached twice");
        }
        const std::string entry = Read(offset, DataEntrySize, "a resource data entry");
        const std::uint32_t rva = GetU32(entry, 0);
        const std::uint32_t size = GetU32(entry, 4);
        // Distinct resources cannot hold more bytes than the file and the image have; this also
        // keeps a damaged tree from asking for gigabytes.
        if (size > FDataBudget) {
            throw EResourceFormatError("the resources hold more data than the image");
        }
        FDataBudget -= size;
        auto data = FImage.ReadRva(rva, size);
        if (!data) {
            throw EResourceFormatError("resource data lies outside the image");
        }
        e.Data = std::move(*data);
        e.CodePage = GetU32(entry, 8);
        e.Reserved = GetU32(entry, 12);
    }

    const TPeImage& FImage;
    std::uint64_t FBase;
    std::uint64_t FDataBudget;
    std::set<std::uint32_t> FTables;
    std::set<std::uint32_t> FDataEntries;
};

// Look-ups search by binary search: names before IDs, each in ascending order.
std::vector<const TResourceEntry*> Sorted(const TResourceDirectory& dir) {
    std::vector<const TResourceEntry*> out;
    for (const TResourceEntry& e : dir.Entries) {
        out.push_back(&e);
    }
    std::stable_sort(out.begin(), out.end(), [](const TResourceEntry* a, const TResourceEntry* b) {
        if (a->Id.IsName != b->Id.IsName) {
            return a->Id.IsName;
        }
        return a->Id.IsName ? a->Id.Name < b->Id.Name : a->Id.Id < b->Id.Id;
    });
    return out;
}

class TTreeWriter {
public:
    std::string Build(const TResourceDirectory& root, std::uint32_t rva) {
        // First pass: offsets of every table (breadth first), then data entries, names, data.
        std::vector<const TResourceDirectory*> tables{&root};
        for (std::size_t i = 0; i < tables.size(); ++i) {
            for (const TResourceEntry* e : Sorted(*tables[i])) {
                if (e->IsDirectory) {
                    tables.push_back(&e->Directory);
                }
            }
        }
        std::uint64_t size = 0;
        std::vector<std::uint64_t> tableAt;
        for (const TResourceDirectory* t : tables) {
            tableAt.push_back(size);
            size += TableHeaderSize + t->Entries.size() * EntrySize;
        }
        std::vector<const TResourceEntry*> leaves;
        std::vector<const TResourceEntry*> named;
        for (const TResourceDirectory* t : tables) {
            for (const TResourceEntry* e : Sorted(*t)) {
                if (!e->IsDirectory) {
                    leaves.push_back(e);
                }
                if (e->Id.IsName) {
                    named.push_back(e);
                }
            }
        }
        const std::uint64_t dataEntriesAt = size;
        size += leaves.size() * DataEntrySize;
        std::vector<std::uint64_t> nameAt;
        for (const TResourceEntry* e : named) {
            nameAt.push_back(size);
            size += 2 + 2 * static_cast<std::uint64_t>(e->Id.Name.size());
        }
        std::vector<std::uint64_t> dataAt;
        for (const TResourceEntry* e : leaves) {
            size = AlignUp(size, 8);
            dataAt.push_back(size);
            size += e->Data.size();
        }
        if (size + rva > 0xFFFFFFFFu || size > 0x7FFFFFFFu) {
            throw EResourceFormatError("the resources are too large for an image");
        }

        std::string out(static_cast<std::size_t>(size), '\0');
        std::size_t leaf = 0;
        std::size_t name = 0;
        std::size_t next = 1; // index of the next sub-table, in the order they were listed
        for (std::size_t t = 0; t < tables.size(); ++t) {
            const TResourceDirectory& d = *tables[t];
            auto at = static_cast<std::size_t>(tableAt[t]);
            const auto sorted = Sorted(d);
            const auto namedCount = std::count_if(sorted.begin(), sorted.end(),
                                                  [](const TResourceEntry* e) { return e->Id.IsName; });
            PutU32(out, at, d.Characteristics);
            PutU32(out, at + 4, d.TimeDateStamp);
            PutU16(out, at + 8, d.MajorVersion);
            PutU16(out, at + 10, d.MinorVersion);
            PutU16(out, at + 12, static_cast<std::uint16_t>(namedCount));
            PutU16(out, at + 14,
                   static_cast<std::uint16_t>(sorted.size() - static_cast<std::size_t>(namedCount)));
            at += TableHeaderSize;
            for (const TResourceEntry* e : sorted) {
                if (e->Id.IsName) {
                    PutU32(out, at, static_cast<std::uint32_t>(nameAt[name]) | HighBit);
                    const auto n = static_cast<std::size_t>(nameAt[name]);
                    PutU16(out, n, static_cast<std::uint16_t>(e->Id.Name.size()));
                    for (std::size_t c = 0; c < e->Id.Name.size(); ++c) {
                        PutU16(out, n + 2 + 2 * c, static_cast<std::uint16_t>(e->Id.Name[c]));
                    }
                    ++name;
                } else {
                    PutU32(out, at, e->Id.Id);
                }
                if (e->IsDirectory) {
                    PutU32(out, at + 4, static_cast<std::uint32_t>(tableAt[next++]) | HighBit);
                } else {
                    const auto entry = static_cast<std::size_t>(dataEntriesAt + leaf * DataEntrySize);
                    PutU32(out, at + 4, static_cast<std::uint32_t>(entry));
                    PutU32(out, entry, static_cast<std::uint32_t>(rva + dataAt[leaf]));
                    PutU32(out, entry + 4, static_cast<std::uint32_t>(e->Data.size()));
                    PutU32(out, entry + 8, e->CodePage);
                    PutU32(out, entry + 12, e->Reserved);
                    out.replace(static_cast<std::size_t>(dataAt[leaf]), e->Data.size(), e->Data);
                    ++leaf;
                }
                at += EntrySize;
            }
        }
        return out;
    }
};

void CheckLimits(const TResourceDirectory& d) {
    std::size_t named = 0;
    for (const TResourceEntry& e : d.Entries) {
        named += e.Id.IsName ? 1 : 0;
        if (e.Id.IsName && e.Id.Name.size() > 0xFFFF) {
            throw EResourceFormatError("a resource name is too long");
        }
        if (!e.Id.IsName && (e.Id.Id & HighBit)) {
            throw EResourceFormatError("a resource ID is out of range");
        }
        if (e.IsDirectory) {
            CheckLimits(e.Directory);
        }
    }
    if (named > 0xFFFF || d.Entries.size() - named > 0xFFFF) {
        throw EResourceFormatError("a resource table has too many entries");
    }
}

} // namespace

bool TResourceId::Matches(const TResourceId& Other) const {
    if (IsName != Other.IsName) {
        return false;
    }
    if (!IsName) {
        return Id == Other.Id;
    }
    return Base::EqualsIgnoreAsciiCase(Name, Other.Name);
}

TResourceEntry* TResourceDirectory::Find(const TResourceId& Id) {
    for (TResourceEntry& e : Entries) {
        if (e.Id.Matches(Id)) {
            return &e;
        }
    }
    return nullptr;
}

const TResourceEntry* TResourceDirectory::Find(const TResourceId& Id) const {
    return const_cast<TResourceDirectory*>(this)->Find(Id);
}

TResourceTree TResourceTree::Read(const TPeImage& Image) {
    TResourceTree tree;
    const TDataDirectory directory = Image.Directory(TPeImage::ResourceDirectory);
    if (directory.VirtualAddress == 0 || directory.Size == 0) {
        return tree;
    }
    TTreeReader(Image, directory).ReadTable(0, 1, tree.Root);
    return tree;
}

std::string TResourceTree::Build(std::uint32_t Rva) const {
    CheckLimits(Root);
    return TTreeWriter().Build(Root, Rva);
}

const TResourceEntry* TResourceTree::FindName(const TResourceId& Type, const TResourceId& Name) const {
    const TResourceEntry* type = Root.Find(Type);
    if (type == nullptr || !type->IsDirectory) {
        return nullptr;
    }
    const TResourceEntry* name = type->Directory.Find(Name);
    return name != nullptr && name->IsDirectory ? name : nullptr;
}

std::vector<const TResourceEntry*> TResourceTree::Languages(const TResourceId& Type,
                                                            const TResourceId& Name) const {
    std::vector<const TResourceEntry*> out;
    if (const TResourceEntry* name = FindName(Type, Name)) {
        for (const TResourceEntry& e : name->Directory.Entries) {
            if (!e.IsDirectory && !e.Id.IsName) {
                out.push_back(&e);
            }
        }
    }
    return out;
}

const TResourceEntry* TResourceTree::FindData(const TResourceId& Type, const TResourceId& Name,
                                              std::uint32_t Language) const {
    for (const TResourceEntry* e : Languages(Type, Name)) {
        if (e->Id.Id == Language) {
            return e;
        }
    }
    return nullptr;
}

std::optional<TResourceLocation> TResourceTree::FindVersion() const {
    const TResourceId type = TResourceId::FromId(ResourceType::Version);
    const TResourceEntry* versions = Root.Find(type);
    if (versions == nullptr || !versions->IsDirectory) {
        return std::nullopt;
    }
    std::vector<const TResourceEntry*> names;
    if (const TResourceEntry* first = versions->Directory.Find(TResourceId::FromId(1))) {
        names.push_back(first);
    }
    for (const TResourceEntry& e : versions->Directory.Entries) {
        names.push_back(&e);
    }
    for (const TResourceEntry* name : names) {
        if (const auto languages = Languages(type, name->Id); !languages.empty()) {
            return TResourceLocation{type, name->Id, languages.front()->Id.Id};
        }
    }
    return std::nullopt;
}

void TResourceTree::SetData(const TResourceId& Type, const TResourceId& Name, std::uint32_t Language,
                            std::string Data, std::uint32_t CodePage) {
    const auto child = [](TResourceDirectory& dir, const TResourceId& id) -> TResourceDirectory& {
        TResourceEntry* e = dir.Find(id);
        if (e == nullptr || !e->IsDirectory) {
            TResourceEntry added;
            added.Id = id;
            added.IsDirectory = true;
            dir.Entries.push_back(std::move(added));
            e = &dir.Entries.back();
        }
        return e->Directory;
    };
    TResourceDirectory& languages = child(child(Root, Type), Name);
    TResourceEntry* leaf = languages.Find(TResourceId::FromId(Language));
    if (leaf == nullptr || leaf->IsDirectory) {
        TResourceEntry added;
        added.Id = TResourceId::FromId(Language);
        languages.Entries.push_back(std::move(added));
        leaf = &languages.Entries.back();
    }
    leaf->Data = std::move(Data);
    leaf->CodePage = CodePage;
}

bool TResourceTree::Remove(const TResourceId& Type, const TResourceId& Name, std::uint32_t Language) {
    TResourceEntry* type = Root.Find(Type);
    TResourceEntry* name = type != nullptr && type->IsDirectory ? type->Directory.Find(Name) : nullptr;
    if (name == nullptr || !name->IsDirectory) {
        return false;
    }
    auto& langs = name->Directory.Entries;
    const auto leaf = std::find_if(langs.begin(), langs.end(), [&](const TResourceEntry& e) {
        return !e.IsDirectory && !e.Id.IsName && e.Id.Id == Language;
    });
    if (leaf == langs.end()) {
        return false;
    }
    langs.erase(leaf);
    const auto erase = [](TResourceDirectory& dir, const TResourceEntry* gone) {
        dir.Entries.erase(dir.Entries.begin() + (gone - dir.Entries.data()));
    };
    if (langs.empty()) {
        erase(type->Directory, name);
        if (type->Directory.Entries.empty()) {
            erase(Root, type);
        }
    }
    return true;
}

} // namespace Shared
