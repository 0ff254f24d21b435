// Font section: name, version, manufacturer, designer and description of every font in a
// TrueType or OpenType file or collection, read from the fonts' naming tables.
#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "reports/FontNames.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"
#include "reports/VersionInfo.h"
#include "text/TextSource.h"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <new>

namespace scrutel {

namespace {

constexpr size_t FontValueCapacity = 4096;

struct FontItem {
    const wchar_t* label;
    uint32_t nameId;
};
constexpr FontItem FontItems[] = {
    {L"Name", FontCompositeName}, {L"Version", 5}, {L"Manufacturer", 8}, {L"Designer", 9},
    {L"Description", 10},
};

// Prints one font's block; 0 or ABORTED.
int ReportOneFont(const void* data, size_t size, size_t fontOffset, uint32_t width, wchar_t* value) {
    NameTableLocation table;
    if (!LocateUsableNameTable(data, size, fontOffset, &table)) return 0;
    int printed = 0;
    for (const FontItem& item : FontItems) {
        ReadFontName(data, size, table.offset, table.length, item.nameId, value, FontValueCapacity, width);
        if (!value[0]) continue;
        if (PrintLabelLine(item.label, value) == ABORTED) return ABORTED;
        ++printed;
    }
    if (printed && EndLine(1) == ABORTED) return ABORTED;
    return 0;
}

} // namespace

int FontFileKind(const wchar_t* path) {
    const wchar_t* extension = FindExtension(path);
    if (!extension) return 0;
    static const wchar_t* const kinds[] = {L".ttf", L".ttc", L".otf", L".otc"};
    for (int i = 0; i < 4; ++i)
        if (_wcsicmp(extension, kinds[i]) == 0) return i + 1;
    return 0;
}

int ReportFontsFromBytes(const void* data, size_t size, uint32_t width) {
    if (!data || size < FontMinFileSize) return 0;
    std::unique_ptr<wchar_t[]> value(new (std::nothrow) wchar_t[FontValueCapacity]);
    if (!value) return 0;
    uint32_t count = FontCollectionCount(data, size);
    if (count == 0) count = 1;
    for (uint32_t i = 0; i < count; ++i) {
        size_t offset = 0;
        if (!FontOffset(data, size, i, &offset)) continue;
        if (ReportOneFont(data, size, offset, width, value.get()) == ABORTED) return ABORTED;
    }
    return 0;
}

int FontSection(const wchar_t* path, uint32_t width) {
    if (!path || !*path) return 2;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return 2;
    // The source's destructor closes it on every path out.
    TextSource source;
    if (OpenTextSource(&source, path, TextDiskFileOnly, 0) != 0) return -2;
    if (source.cursor.size > SIZE_MAX) return 0;
    return ReportFontsFromBytes(source.cursor.data, static_cast<size_t>(source.cursor.size), width);
}

int ReadFontHeaderStrings(const wchar_t* path, wchar_t* description, wchar_t* version, wchar_t* legal) {
    if (!description || !version || !legal) return 0;
    description[0] = version[0] = legal[0] = 0;
    if (!path || !*path) return 0;
    TextSource source;
    if (OpenTextSource(&source, path, TextDiskFileOnly, 0) != 0) return 0;
    if (source.cursor.size > SIZE_MAX) return 0;
    return FontHeaderStringsFromBytes(source.cursor.data, static_cast<size_t>(source.cursor.size),
                                      description, version, legal);
}

} // namespace scrutel
