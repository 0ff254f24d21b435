// Image section: pixel size and colour depth of an image through GDI+, and the photo metadata it
// carries (date taken, artist, copyright, software). The file's own header is read first: an
// image whose decoded pixels would exceed the budget shows the header's size and is not decoded.
#include "reports/ImageInfo.h"

#include "core/Calendar.h"
#include "core/ScanSettings.h"
#include "output/LineOutput.h"
#include "gateway/HostGateway.h"
#include "core/Owners.h"
#include "files/UntrustedFile.h"
#include "reports/ImageCheck.h"
#include "reports/ImageHeader.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"
#include "reports/VersionInfo.h"
#include "files/PathResolve.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>
#include <span>

// The GDI+ headers expect min and max, which NOMINMAX keeps out of the Windows headers.
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

namespace scrutel {

namespace {

using namespace Gdiplus::DllExports;

constexpr uint32_t TagDateTaken = 0x9003;
constexpr uint32_t TagArtist = 0x013B;
constexpr uint32_t TagCopyright = 0x8298;
constexpr uint32_t TagSoftware = 0x0131;
constexpr WORD PropertyTypeAscii = 2;

// Disposes of the image on every path out of the section.
struct ImageOwner {
    Gdiplus::GpImage* image = nullptr;
    ImageOwner() = default;
    ImageOwner(const ImageOwner&) = delete;
    ImageOwner& operator=(const ImageOwner&) = delete;
    ~ImageOwner() {
        if (image) GdipDisposeImage(image);
    }
};

// Property item memory from GdipAlloc.
struct GdipMemory {
    void* p = nullptr;
    GdipMemory() = default;
    GdipMemory(const GdipMemory&) = delete;
    GdipMemory& operator=(const GdipMemory&) = delete;
    ~GdipMemory() {
        if (p) GdipFree(p);
    }
};

void SetNotAvailable(wchar_t* output) {
    wcscpy(output, L"N/A");
}

// A read-only stream over the section's open file, handed to the decoder instead of the file's
// name. The section keeps the handle and closes it on every path; the decoder only ever holds
// this small object. Under Wine the BMP and TIFF decoders keep a reference to the stream of a
// file they refuse: with a stream they opened themselves, each refused file stayed open for the
// life of the process. After Detach every read fails, so a reference kept past the section
// reaches nothing.
class FileReadStream final : public IStream {
  public:
    FileReadStream(HANDLE file, uint64_t size) : file_(file), size_(size) {}
    FileReadStream(const FileReadStream&) = delete;
    FileReadStream& operator=(const FileReadStream&) = delete;

    void Detach() { file_ = INVALID_HANDLE_VALUE; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // Reads at the stream's position; S_FALSE when fewer bytes than asked remain.
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
        if (read) *read = 0;
        if (!buffer) return STG_E_INVALIDPOINTER;
        if (file_ == INVALID_HANDLE_VALUE) return STG_E_REVERTED;
        if (position_ >= size_) return size == 0 ? S_OK : S_FALSE;
        ULONG wanted = static_cast<ULONG>(std::min<uint64_t>(size, size_ - position_));
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position_);
        at.OffsetHigh = static_cast<DWORD>(position_ >> 32);
        DWORD got = 0;
        if (!ReadFile(file_, buffer, wanted, &got, &at)) return STG_E_READFAULT;
        position_ += got;
        if (read) *read = got;
        return got == size ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
        if (written) *written = 0;
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        if (file_ == INVALID_HANDLE_VALUE) return STG_E_REVERTED;
        int64_t base = 0;
        if (origin == STREAM_SEEK_CUR)
            base = static_cast<int64_t>(position_);
        else if (origin == STREAM_SEEK_END)
            base = static_cast<int64_t>(size_);
        else if (origin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        if (move.QuadPart > 0 && base > INT64_MAX - move.QuadPart) return STG_E_INVALIDFUNCTION;
        int64_t target = base + move.QuadPart; // base is not negative: a negative move cannot wrap
        if (target < 0) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<uint64_t>(target);
        if (position) position->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = size_;
        stat->grfMode = STGM_READ | STGM_SHARE_DENY_WRITE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override {
        if (copy) *copy = nullptr;
        return E_NOTIMPL;
    }

  private:
    ~FileReadStream() = default; // only Release deletes

    volatile LONG references_ = 1;
    HANDLE file_;
    uint64_t size_;
    uint64_t position_ = 0;
};

// The section's reference to its stream: detached from the file, then released.
struct StreamOwner {
    FileReadStream* stream = nullptr;
    StreamOwner() = default;
    StreamOwner(const StreamOwner&) = delete;
    StreamOwner& operator=(const StreamOwner&) = delete;
    ~StreamOwner() {
        if (!stream) return;
        stream->Detach();
        stream->Release();
    }
};

// Opens the file, checks its structure and reads its header before the decoder sees it, and
// says what to do with it. The handle shares reading only and stays open while the image is
// decoded from it, so the checked bytes are the decoded ones.
ImagePlan OpenCheckedImage(const wchar_t* path, FileHandle& file, uint64_t& fileSize, ImageHeader& header) {
    file = OpenUntrustedFile(path, UntrustedSharing::ReadOnly).file;
    if (!file) return ImagePlan::Skip;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
        return ImagePlan::Skip;
    fileSize = static_cast<uint64_t>(size.QuadPart);
    // A read-only view: only the pages the checks touch are read, whatever the file size.
    FileMapping mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return ImagePlan::Skip;
    MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return ImagePlan::Skip;
    std::span<const std::byte> bytes(static_cast<const std::byte*>(view.get()),
                                     static_cast<size_t>(fileSize));
    if (CheckImage(bytes) != ImageFault::None) return ImagePlan::Skip;
    header = ReadImageHeader(bytes);
    return PlanImage(header);
}

// The size line: width x height, and the depth when known.
int PrintImageSize(unsigned width, unsigned height, unsigned depth) {
    wchar_t size[128];
    if (depth)
        _snwprintf(size, 128, L"%u \u00D7 %u    %u BPP", width, height, depth);
    else
        _snwprintf(size, 128, L"%u \u00D7 %u", width, height);
    size[127] = 0;
    return PrintLabelLine(L"Image size", size);
}

} // namespace

int ImageFileKind(const wchar_t* path) {
    const wchar_t* extension = FindExtension(path);
    if (!extension) return 0;
    static const struct {
        const wchar_t* extension;
        int kind;
    } kinds[] = {{L".bmp", 1}, {L".jpg", 2},  {L".jpeg", 2}, {L".png", 3}, {L".gif", 4},
                 {L".tif", 5}, {L".tiff", 5}, {L".ico", 6},  {L".emf", 7}, {L".wmf", 8}};
    for (const auto& k : kinds)
        if (_wcsicmp(extension, k.extension) == 0) return k.kind;
    return 0;
}

void DecodePropertyText(const uint8_t* bytes, size_t length, wchar_t* output, size_t capacity) {
    if (!output || capacity == 0) return;
    output[0] = 0;
    if (!bytes) return;
    const uint8_t* nul = static_cast<const uint8_t*>(memchr(bytes, 0, length));
    if (nul) length = static_cast<size_t>(nul - bytes);
    // Each byte gives at most one UTF-16 unit in UTF-8 and in the ANSI code pages, so cutting
    // the input keeps the result within the output.
    length = std::min(length, capacity - 1);
    if (length == 0) return;
    const char* text = reinterpret_cast<const char*>(bytes);
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), output,
                                static_cast<int>(capacity - 1));
    if (n <= 0) {
        output[0] = 0;
        n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), output,
                                static_cast<int>(capacity - 1));
    }
    output[n > 0 ? n : 0] = 0;
}

int ImageTextProperty(Gdiplus::GpImage* image, uint32_t tag, wchar_t* output) {
    if (!output) return -1;
    SetNotAvailable(output);
    if (!image) return 0;
    UINT size = 0;
    if (GdipGetPropertyItemSize(image, tag, &size) != Gdiplus::Ok || size < sizeof(Gdiplus::PropertyItem))
        return 0;
    GdipMemory memory;
    memory.p = GdipAlloc(size);
    if (!memory.p) return 0;
    auto* item = static_cast<Gdiplus::PropertyItem*>(memory.p);
    if (GdipGetPropertyItem(image, tag, size, item) != Gdiplus::Ok || item->type != PropertyTypeAscii)
        return 0;
    // The value must lie inside the buffer that GDI+ filled.
    const auto* start = static_cast<const uint8_t*>(memory.p);
    const auto* value = static_cast<const uint8_t*>(item->value);
    if (!value || value < start || value > start + size) return 0;
    size_t length = std::min<size_t>(item->length, static_cast<size_t>(start + size - value));
    DecodePropertyText(value, length, output, ImageTextCapacity);
    return 1;
}

int ImageSection(const wchar_t* path) {
    if (!path || !*path) return -1;
    std::unique_ptr<wchar_t[]> resolved(new (std::nothrow) wchar_t[PathChars]);
    std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[ImageTextCapacity]);
    if (!resolved || !text) return 0;
    resolved[0] = 0;
    if (ResolvePath(path, resolved.get(), ResolveHome) != 0) return 0;
    if (!gateway::QueryIsFile(resolved.get())) return 0;

    // A file that fails the checks is one the decoder cannot load: no lines. One too large to
    // decode shows the size its header declares, and nothing that only the decoder could tell.
    FileHandle file;
    uint64_t fileSize = 0;
    ImageHeader header;
    ImagePlan plan = OpenCheckedImage(resolved.get(), file, fileSize, header);
    if (plan == ImagePlan::Skip) return 0;
    if (plan == ImagePlan::SizeFromHeader) {
        if (PrintImageSize(header.width, header.height, header.depth) == ABORTED) return ABORTED;
        return EndLine(1) == ABORTED ? ABORTED : 0;
    }

    // Declared in this order so that the image goes first, then the stream, then the handle.
    StreamOwner stream;
    stream.stream = new (std::nothrow) FileReadStream(file.get(), fileSize);
    if (!stream.stream) return 0;
    ImageOwner owner;
    if (GdipLoadImageFromStream(stream.stream, &owner.image) != Gdiplus::Ok || !owner.image) return 0;
    UINT width = 0, height = 0;
    Gdiplus::PixelFormat format = 0;
    GdipGetImageWidth(owner.image, &width);
    GdipGetImageHeight(owner.image, &height);
    GdipGetImagePixelFormat(owner.image, &format);
    if (width == 0 || height == 0) return 0;

    unsigned depth = (static_cast<unsigned>(format) >> 8) & 0xFF;
    if (PrintImageSize(width, height, depth) == ABORTED) return ABORTED;

    ImageTextProperty(owner.image, TagDateTaken, text.get());
    wchar_t date[64];
    if (FormatDateTaken(text.get(), date, 64) != 0 && PrintLabelLine(L"Date taken", date) == ABORTED)
        return ABORTED;

    static const struct {
        uint32_t tag;
        const wchar_t* label;
    } texts[] = {{TagArtist, L"Artist"}, {TagCopyright, L"Copyright"}, {TagSoftware, L"Software"}};
    for (const auto& t : texts) {
        ImageTextProperty(owner.image, t.tag, text.get());
        if (!HasVisibleText(text.get()) || wcscmp(text.get(), L"N/A") == 0) continue;
        if (PrintLabelLine(t.label, text.get()) == ABORTED) return ABORTED;
    }
    if (EndLine(1) == ABORTED) return ABORTED;
    return 0;
}

} // namespace scrutel
