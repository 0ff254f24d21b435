// Windows-properties section: title, comment, album, artist, genre, duration and track number
// of a file, as the Windows property system's handler for its type reports them.
#include "reports/Properties.h"

#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "core/Owners.h"
#include "reports/CompoundFileGate.h"
#include "reports/ReportText.h"
#include "reports/ReportSections.h"
#include "reports/VersionInfo.h"

#include <windows.h>
#include <propidl.h>
#include <propsys.h>
#include <propvarutil.h>
#include <shobjidl.h>

#include <cwchar>
#include <cwctype>

namespace scrutel {

namespace {

constexpr size_t PropertyTextCapacity = 1024;

// {F29F85E0-4FF9-1068-AB91-08002B27B3D9}
constexpr GUID SummaryFormat = {0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};
// {56A3372E-CE9C-11D2-9F0E-006097C686F6}
constexpr GUID MusicFormat = {0x56A3372E, 0xCE9C, 0x11D2, {0x9F, 0x0E, 0x00, 0x60, 0x97, 0xC6, 0x86, 0xF6}};
// {64440490-4C8B-11D1-8B70-080036B11A03}
constexpr GUID MediaFormat = {0x64440490, 0x4C8B, 0x11D1, {0x8B, 0x70, 0x08, 0x00, 0x36, 0xB1, 0x1A, 0x03}};
// {886D8EEB-8CF2-4446-8D02-CDBA1DBDCF99}
constexpr IID PropertyStoreInterface = {
    0x886D8EEB, 0x8CF2, 0x4446, {0x8D, 0x02, 0xCD, 0xBA, 0x1D, 0xBD, 0xCF, 0x99}};

struct TextProperty {
    const wchar_t* label;
    PROPERTYKEY key;
};
const TextProperty TextProperties[] = {
    {L"Title", {SummaryFormat, 2}},     {L"Subtitle", {MusicFormat, 38}},
    {L"Comment", {SummaryFormat, 6}},   {L"Album artist", {MusicFormat, 13}},
    {L"Album title", {MusicFormat, 4}}, {L"Artist", {MusicFormat, 2}},
    {L"Genre", {MusicFormat, 11}},
};
const PROPERTYKEY DurationKey = {MediaFormat, 3};
const PROPERTYKEY TrackNumberKey = {MusicFormat, 7};

} // namespace

void FormatDuration(uint64_t units, wchar_t* output, size_t capacity) {
    if (!output || capacity == 0) return;
    uint64_t seconds = units / 10000000u;
    uint64_t minutes = 0, hours = 0;
    if (seconds >= 60) {
        minutes = seconds / 60;
        seconds %= 60;
        if (minutes >= 60) {
            hours = minutes / 60;
            minutes %= 60;
        }
    }
    _snwprintf(output, capacity, L"%I64u:%02I64u:%02I64u", hours, minutes, seconds);
    output[capacity - 1] = 0;
}

void FormatTrackNumber(uint32_t number, wchar_t* output, size_t capacity) {
    if (!output || capacity == 0) return;
    _snwprintf(output, capacity, L"%u", number);
    output[capacity - 1] = 0;
}

int PrintPropertyStore(IPropertyStore* store) {
    if (!store) return -1;
    wchar_t text[PropertyTextCapacity];
    int printed = 0;
    int last = 0;
    for (const TextProperty& property : TextProperties) {
        text[0] = 0;
        PropVariantOwner value;
        if (SUCCEEDED(store->GetValue(property.key, &value.value)) &&
            FAILED(PropVariantToString(value.value, text, PropertyTextCapacity)))
            text[0] = 0;
        text[PropertyTextCapacity - 1] = 0;
        if (!HasVisibleText(text)) continue;
        last = PrintLabelLine(property.label, text);
        if (last == ABORTED) return ABORTED;
        ++printed;
    }
    {
        PropVariantOwner value;
        if (SUCCEEDED(store->GetValue(DurationKey, &value.value)) && value.value.vt == VT_UI8) {
            FormatDuration(value.value.uhVal.QuadPart, text, PropertyTextCapacity);
            last = PrintLabelLine(L"Duration", text);
            if (last == ABORTED) return ABORTED;
            ++printed;
        }
    }
    {
        PropVariantOwner value;
        if (SUCCEEDED(store->GetValue(TrackNumberKey, &value.value)) && value.value.vt == VT_UI4) {
            FormatTrackNumber(value.value.ulVal, text, PropertyTextCapacity);
            last = PrintLabelLine(L"Track number", text);
            if (last == ABORTED) return ABORTED;
            ++printed;
        }
    }
    if (printed) last = EndLine(1);
    return printed ? last : 0;
}

namespace {

long OpenSystemPropertyStore(const wchar_t* path, void** store) {
    return SHGetPropertyStoreFromParsingName(path, nullptr, GPS_DEFAULT, PropertyStoreInterface, store);
}

} // namespace

int PropertiesSectionWith(const wchar_t* path, int32_t& propertySystem, PropertyStoreOpener open) {
    if (!path || !*path || !open) return -1;
    if (propertySystem < 0) return 0;
    // The property system parses compound files with the same reader as structured storage.
    if (!MayHandToCompoundFileReader(path, CompoundFileReader::PropertyStore)) return 0;
    ComPtr<IPropertyStore> store;
    HRESULT hr = open(path, store.put_void());
    if (hr == E_NOTIMPL) {
        propertySystem = -1;
        return 0;
    }
    if (FAILED(hr) || !store) return 0;
    propertySystem = 1;
    return PrintPropertyStore(store.get());
}

int PropertiesSection(const wchar_t* path, int32_t& propertySystem) {
    return PropertiesSectionWith(path, propertySystem, OpenSystemPropertyStore);
}

} // namespace scrutel
