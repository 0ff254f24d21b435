// The per-file probe: each fact about the file fetched on first need and kept for the other
// sections of the same report.
#include "reports/FileProbe.h"

#include "files/UntrustedFile.h"
#include "reports/VersionInfo.h"

namespace scrutel {

const WIN32_FILE_ATTRIBUTE_DATA* FileProbe::Attributes() {
    if (!attributesAsked_) {
        attributesAsked_ = true;
        attributesOk_ = path_ && *path_ && GetFileAttributesExW(path_, GetFileExInfoStandard, &attributes_);
    }
    return attributesOk_ ? &attributes_ : nullptr;
}

HANDLE FileProbe::Handle() {
    if (!openTried_) {
        openTried_ = true;
        if (!path_ || !*path_) return nullptr;
        file_ = OpenUntrustedFile(path_, UntrustedSharing::ReadOnly).file;
        if (file_) {
            LARGE_INTEGER size;
            FILETIME lastWrite;
            snapshotOk_ =
                GetFileSizeEx(file_.get(), &size) && GetFileTime(file_.get(), nullptr, nullptr, &lastWrite);
            if (snapshotOk_) {
                size_ = static_cast<uint64_t>(size.QuadPart);
                lastWrite_ =
                    (static_cast<uint64_t>(lastWrite.dwHighDateTime) << 32) | lastWrite.dwLowDateTime;
            }
        }
    }
    return file_ ? file_.get() : nullptr;
}

bool FileProbe::OpenedSnapshot(uint64_t& size, uint64_t& lastWrite) {
    if (!Handle() || !snapshotOk_) return false;
    size = size_;
    lastWrite = lastWrite_;
    return true;
}

bool FileProbe::Head(std::span<const std::byte>& head) {
    if (!headTried_) {
        headTried_ = true;
        HANDLE file = Handle();
        if (file) {
            // No more than the file holds, so that a small file costs a small buffer.
            size_t want = ProbeHeadBytes;
            if (snapshotOk_ && size_ < want) want = static_cast<size_t>(size_) + 1;
            head_.resize(want);
            size_t total = 0;
            headOk_ = true;
            // A read may return less than asked before the end: read until full or the end.
            while (total < want) {
                DWORD got = 0;
                if (!ReadFile(file, head_.data() + total, static_cast<DWORD>(want - total), &got, nullptr)) {
                    headOk_ = false;
                    break;
                }
                if (got == 0) {
                    headWhole_ = true;
                    break;
                }
                total += got;
            }
            head_.resize(headOk_ ? total : 0);
            if (!headOk_) headWhole_ = false;
        }
    }
    head = std::span<const std::byte>(head_.data(), head_.size());
    return headOk_;
}

bool FileProbe::HeadIsWholeFile() {
    std::span<const std::byte> head;
    return Head(head) && headWhole_;
}

void FileProbe::ReleaseHandle() {
    file_.reset();
    openTried_ = false;
}

int FileProbe::VersionBlock(const std::vector<std::byte>*& block) {
    if (!versionTried_) {
        versionTried_ = true;
        versionResult_ = ReadVersionBlock(*this, version_);
    }
    block = &version_;
    return versionResult_;
}

} // namespace scrutel
