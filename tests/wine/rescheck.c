/* Reads an executable's resources through the Windows resource, icon and version functions and
   prints what they report, one fact per line, so that the resource-editing tests can check a
   rewritten file against a reader that is not ours.

   Usage: rescheck.exe FILE

   Lines:
     resource TYPE NAME LANGUAGE SIZE CRC32     every resource the enumeration reports
     group COUNT                                the MAINICON icon group as FindResource finds it
     entry INDEX ID WIDTH HEIGHT BITS BYTES     its entries
     icon ID SIZE CRC32 ok|unusable             each listed icon, and whether an icon is made from it
     best ID                                    the icon LookupIconIdFromDirectoryEx picks for 32x32
     translation XXXXXXXX                       each entry of \VarFileInfo\Translation
     string XXXXXXXX KEY=VALUE                  each known key found under that translation
     fixed A.B.C.D                              the file version of the fixed information
   Exit code 0 when the file could be loaded as a resource image, 1 otherwise. */
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

static unsigned long Crc32(const unsigned char *data, DWORD size) {
    unsigned long crc = 0xFFFFFFFFul;
    for (DWORD i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1ul)));
        }
    }
    return crc ^ 0xFFFFFFFFul;
}

static void PrintUtf8(const WCHAR *text) {
    char buffer[4096];
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
    if (n > 0) {
        fputs(buffer, stdout);
    }
}

static void PrintId(LPCWSTR id) {
    if (IS_INTRESOURCE(id)) {
        printf("%u", (unsigned)LOWORD((ULONG_PTR)id));
    } else {
        putchar('"');
        PrintUtf8(id);
        putchar('"');
    }
}

static BOOL CALLBACK OnLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param) {
    (void)param;
    HRSRC found = FindResourceExW(module, type, name, language);
    DWORD size = found ? SizeofResource(module, found) : 0;
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const unsigned char *bytes = loaded ? (const unsigned char *)LockResource(loaded) : NULL;
    fputs("resource ", stdout);
    PrintId(type);
    putchar(' ');
    PrintId(name);
    printf(" %u %lu %08lx\n", (unsigned)language, (unsigned long)size, bytes ? Crc32(bytes, size) : 0ul);
    return TRUE;
}

static BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
    EnumResourceLanguagesW(module, type, name, OnLanguage, param);
    return TRUE;
}

static BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR param) {
    EnumResourceNamesW(module, type, OnName, param);
    return TRUE;
}

static const unsigned char *Resource(HMODULE module, LPCWSTR name, LPCWSTR type, DWORD *size) {
    HRSRC found = FindResourceW(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    *size = found ? SizeofResource(module, found) : 0;
    return loaded ? (const unsigned char *)LockResource(loaded) : NULL;
}

static void PrintIcons(HMODULE module) {
    DWORD size = 0;
    const unsigned char *group = Resource(module, L"MAINICON", (LPCWSTR)RT_GROUP_ICON, &size);
    if (!group || size < 6) {
        puts("group none");
        return;
    }
    const unsigned count = group[4] | group[5] << 8;
    printf("group %u\n", count);
    for (unsigned i = 0; i < count && 6 + 14 * (i + 1) <= size; ++i) {
        const unsigned char *e = group + 6 + 14 * i;
        const unsigned id = e[12] | e[13] << 8;
        const unsigned long bytes = e[8] | e[9] << 8 | (unsigned long)e[10] << 16 | (unsigned long)e[11] << 24;
        printf("entry %u %u %u %u %u %lu\n", i, id, e[0], e[1], e[6] | e[7] << 8, bytes);
        DWORD iconSize = 0;
        const unsigned char *icon = Resource(module, MAKEINTRESOURCEW(id), (LPCWSTR)RT_ICON, &iconSize);
        HICON made = icon ? CreateIconFromResourceEx((PBYTE)icon, iconSize, TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR) : NULL;
        printf("icon %u %lu %08lx %s\n", id, (unsigned long)iconSize, icon ? Crc32(icon, iconSize) : 0ul,
               made ? "ok" : "unusable");
        if (made) {
            DestroyIcon(made);
        }
    }
    printf("best %d\n", LookupIconIdFromDirectoryEx((PBYTE)group, TRUE, 32, 32, LR_DEFAULTCOLOR));
}

static void PrintVersion(const WCHAR *path) {
    static const WCHAR *const keys[] = {L"CompanyName",     L"FileDescription", L"FileVersion",    L"InternalName",
                                        L"LegalCopyright",  L"LegalTrademarks", L"OriginalFilename", L"ProgramID",
                                        L"ProductName",     L"ProductVersion",  L"Comments",       L"PrivateBuild"};
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) {
        puts("version none");
        return;
    }
    void *block = HeapAlloc(GetProcessHeap(), 0, size);
    if (!block || !GetFileVersionInfoW(path, 0, size, block)) {
        puts("version unreadable");
        return;
    }
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    if (VerQueryValueW(block, L"\\", (void **)&fixed, &length) && fixed) {
        printf("fixed %u.%u.%u.%u\n", (unsigned)HIWORD(fixed->dwFileVersionMS), (unsigned)LOWORD(fixed->dwFileVersionMS),
               (unsigned)HIWORD(fixed->dwFileVersionLS), (unsigned)LOWORD(fixed->dwFileVersionLS));
    }
    WORD *translations = NULL;
    if (!VerQueryValueW(block, L"\\VarFileInfo\\Translation", (void **)&translations, &length)) {
        length = 0;
    }
    for (UINT t = 0; t + 4 <= length; t += 4) {
        const unsigned language = translations[t / 2];
        const unsigned codePage = translations[t / 2 + 1];
        printf("translation %04X%04X\n", language, codePage);
        for (size_t k = 0; k < sizeof keys / sizeof keys[0]; ++k) {
            WCHAR query[128];
            swprintf(query, 128, L"\\StringFileInfo\\%04X%04X\\%ls", language, codePage, keys[k]);
            WCHAR *value = NULL;
            UINT chars = 0;
            if (VerQueryValueW(block, query, (void **)&value, &chars) && value) {
                printf("string %04X%04X ", language, codePage);
                PrintUtf8(keys[k]);
                putchar('=');
                PrintUtf8(value);
                putchar('\n');
            }
        }
    }
    HeapFree(GetProcessHeap(), 0, block);
}

int wmain(int argc, WCHAR **argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc != 2) {
        fputs("usage: rescheck FILE\n", stderr);
        return 2;
    }
    HMODULE module = LoadLibraryExW(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        printf("load failed %lu\n", (unsigned long)GetLastError());
        return 1;
    }
    EnumResourceTypesW(module, OnType, 0);
    PrintIcons(module);
    FreeLibrary(module);
    PrintVersion(argv[1]);
    fflush(stdout);
    return 0;
}
