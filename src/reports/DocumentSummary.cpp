// Document summary section: the summary-information property set of OLE compound documents
// (title, author, dates, counts, the creating application and so on).
#include "reports/DocumentSummary.h"

#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "core/Owners.h"
#include "reports/CompoundFileGate.h"
#include "reports/FileProbe.h"
#include "reports/ReportText.h"
#include "reports/ReportSections.h"
#include "reports/VersionInfo.h"

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

#include <cwchar>
#include <cwctype>

namespace scrutel {

namespace {

// {F29F85E0-4FF9-1068-AB91-08002B27B3D9}
constexpr FMTID SummaryInformationFormat = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};
// {0000013A-0000-0000-C000-000000000046}
constexpr IID PropertySetStorageInterface = {
    0x0000013A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr PROPID EditTimeProperty = 10;

struct SummaryItem {
    PROPID id;
    const wchar_t* label;
};
constexpr SummaryItem SummaryItems[] = {
    {2, L"Title"},       {3, L"Subject"},       {4, L"Author"},      {5, L"Keywords"},
    {6, L"Comments"},    {7, L"Template"},      {8, L"Last Author"}, {9, L"Revision Number"},
    {10, L"Edit Time"},  {11, L"Last Printed"}, {12, L"Created"},    {13, L"Last Saved"},
    {14, L"Page Count"}, {15, L"Word Count"},   {16, L"Char Count"}, {18, L"App Name"},
};

} // namespace

void FormatEditTime(uint64_t units, wchar_t* output, size_t capacity) {
    if (!output || capacity == 0) return;
    uint64_t seconds = units / 10000000u;
    uint64_t minutes = seconds / 60;
    uint64_t hours = minutes / 60;
    _snwprintf(output, capacity, L"%02I64u:%02I64u:%02I64u", hours, minutes % 60, seconds % 60);
    output[capacity - 1] = 0;
}

void FormatSummaryValue(const PROPVARIANT& value, PROPID id, wchar_t* output, size_t capacity) {
    if (!output || capacity == 0) return;
    output[0] = 0;
    switch (value.vt) {
    case VT_I2:
        _snwprintf(output, capacity, L"%d", static_cast<int>(value.iVal));
        break;
    case VT_I4:
        _snwprintf(output, capacity, L"%d", static_cast<int>(value.lVal));
        break;
    case VT_UI2:
        _snwprintf(output, capacity, L"%u", static_cast<unsigned>(value.uiVal));
        break;
    case VT_UI4:
        _snwprintf(output, capacity, L"%u", static_cast<unsigned>(value.ulVal));
        break;
    case VT_LPSTR: {
        if (!value.pszVal || capacity < 2) break;
        int n =
            MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, value.pszVal, -1, output, static_cast<int>(capacity));
        if (n <= 0) output[0] = 0; // does not fit, or cannot be converted
        break;
    }
    case VT_LPWSTR: {
        if (!value.pwszVal) break;
        size_t length = wcslen(value.pwszVal);
        if (length < capacity) wmemcpy(output, value.pwszVal, length + 1);
        break;
    }
    case VT_FILETIME: {
        uint64_t units =
            (static_cast<uint64_t>(value.filetime.dwHighDateTime) << 32) | value.filetime.dwLowDateTime;
        if (id == EditTimeProperty) {
            FormatEditTime(units, output, capacity);
            break;
        }
        FILETIME local;
        SYSTEMTIME time;
        if (!FileTimeToLocalFileTime(&value.filetime, &local) || !FileTimeToSystemTime(&local, &time)) break;
        _snwprintf(output, capacity, L"%04u-%02u-%02u %02u:%02u.%02u", time.wYear, time.wMonth, time.wDay,
                   time.wHour, time.wMinute, time.wSecond);
        break;
    }
    default:
        break;
    }
    output[capacity - 1] = 0;
}

int PrintSummaryProperty(IPropertyStorage* storage, PROPID id, const wchar_t* label) {
    if (!storage || !label) return -1;
    if (StopRequested()) return ABORTED;
    PROPSPEC spec;
    spec.ulKind = PRSPEC_PROPID;
    spec.propid = id;
    PropVariantOwner value;
    if (FAILED(storage->ReadMultiple(1, &spec, &value.value))) return 1;
    wchar_t text[SummaryTextCapacity];
    FormatSummaryValue(value.value, id, text, SummaryTextCapacity);
    if (!HasVisibleText(text)) return 2;
    return PrintLabelLine(label, text);
}

int DocumentSummarySection(FileProbe& probe) {
    const wchar_t* path = probe.path();
    if (!path || !*path) return -1;
    int printed = 0;
    // A damaged compound file can crash or exhaust the platform's reader: such a file prints
    // what a file without summary information prints. So does a file in which the reader can
    // find nothing, without asking it.
    if (MayHandToSummaryReader(probe)) {
        // The reader opens the file without sharing: the probe's handle must not be open.
        probe.ReleaseHandle();
        ComPtr<IUnknown> opened;
        HRESULT hr = StgOpenStorageEx(path, STGM_READ | STGM_SHARE_EXCLUSIVE, STGFMT_ANY, 0, nullptr, nullptr,
                                      PropertySetStorageInterface, opened.put_void());
        // Some implementations hand back an object that is not the property-set storage asked
        // for; asking it for the interface keeps the calls below on the right one.
        ComPtr<IPropertySetStorage> sets;
        if (hr == S_OK && opened &&
            opened->QueryInterface(PropertySetStorageInterface, sets.put_void()) == S_OK && sets) {
            ComPtr<IPropertyStorage> summary;
            if (sets->Open(SummaryInformationFormat, STGM_READ | STGM_SHARE_EXCLUSIVE, summary.put()) ==
                    S_OK &&
                summary) {
                for (const SummaryItem& item : SummaryItems) {
                    int result = PrintSummaryProperty(summary.get(), item.id, item.label);
                    if (result == ABORTED) return ABORTED;
                    if (result == 0) ++printed;
                }
            }
        }
    }
    if (StopRequested()) return ABORTED;
    if (printed) return EndLine(1);
    return 0;
}

} // namespace scrutel
