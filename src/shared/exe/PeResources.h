#pragma once

#include "shared/exe/PeImage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Shared {

// The resource directory of an image is damaged: an offset outside the image, a table that
// is cut off, a table reached twice, or more data than the image can hold.
class EResourceFormatError : public EPeFormatError {
public:
    using EPeFormatError::EPeFormatError;
};

// Resource types the executable editing works with.
namespace ResourceType {
constexpr std::uint32_t Icon = 3;
constexpr std::uint32_t GroupIcon = 14;
constexpr std::uint32_t Version = 16;
} // namespace ResourceType

// A key of a resource directory entry: a 16-bit ID or a UTF-16 name.
struct TResourceId {
    bool IsName = false;
    std::uint32_t Id = 0;
    std::u16string Name;

    static TResourceId FromId(std::uint32_t Value) { return {false, Value, {}}; }
    static TResourceId FromName(std::u16string Value) { return {true, 0, std::move(Value)}; }
    // Names compare ignoring the case of ASCII letters, as resource look-ups do.
    bool Matches(const TResourceId& Other) const;
    bool operator==(const TResourceId& Other) const = default;
};

struct TResourceEntry;

// One table of the resource tree, with the fields of its header kept for the rewrite.
struct TResourceDirectory {
    std::uint32_t Characteristics = 0;
    std::uint32_t TimeDateStamp = 0;
    std::uint16_t MajorVersion = 0;
    std::uint16_t MinorVersion = 0;
    std::vector<TResourceEntry> Entries;

    TResourceEntry* Find(const TResourceId& Id);
    const TResourceEntry* Find(const TResourceId& Id) const;
};

// An entry leads to a sub-table or holds data (the leaves of the language level).
struct TResourceEntry {
    TResourceId Id;
    bool IsDirectory = false;
    TResourceDirectory Directory;
    std::string Data;
    std::uint32_t CodePage = 0;
    std::uint32_t Reserved = 0;
};

// Where one resource's data sits in the tree.
struct TResourceLocation {
    TResourceId Type;
    TResourceId Name;
    std::uint32_t Language = 0;
};

// The resources of an image as type, name and language tables, read whole into memory and
// written back as one new resource section.
class TResourceTree {
public:
    TResourceDirectory Root;

    // Reads the resource directory of Image; an image without one gives an empty tree.
    // Raises EResourceFormatError when the directory is damaged.
    static TResourceTree Read(const TPeImage& Image);

    // The bytes of a resource section loaded at Rva: tables, data entries, names and data,
    // entries sorted as look-ups expect (names first, by UTF-16 code units, then IDs).
    std::string Build(std::uint32_t Rva) const;

    // The name table of Type / Name, or nothing.
    const TResourceEntry* FindName(const TResourceId& Type, const TResourceId& Name) const;
    // The language entries of Type / Name (empty when there are none).
    std::vector<const TResourceEntry*> Languages(const TResourceId& Type, const TResourceId& Name) const;
    const TResourceEntry* FindData(const TResourceId& Type, const TResourceId& Name,
                                   std::uint32_t Language) const;

    // The version resource as the version functions find it: ID 1 (VS_VERSION_INFO) or else
    // the first name, in its first language.
    std::optional<TResourceLocation> FindVersion() const;

    // Adds or replaces the data of Type / Name / Language, making the tables it needs.
    void SetData(const TResourceId& Type, const TResourceId& Name, std::uint32_t Language, std::string Data,
                 std::uint32_t CodePage = 0);
    // Removes one language entry; a name or type table left empty by it goes too. False when
    // there was no such entry.
    bool Remove(const TResourceId& Type, const TResourceId& Name, std::uint32_t Language);
};

} // namespace Shared
