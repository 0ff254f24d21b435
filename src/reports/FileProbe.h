// What the sections of one file's report share, each fetched at most once: the file's attribute
// data, one handle for reading, its size and last-write time at opening, its first bytes (all of
// it when small) and its version block. Sections that need the path for a system call still have
// it. Under Wine an open costs about as much as the rest of a small file's report.
#pragma once
#include "core/Owners.h"

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace scrutel {

// The file's first bytes are read into memory up to this many; a file no longer than this is
// then held whole, and the checks that would otherwise map it read these bytes instead.
inline constexpr size_t ProbeHeadBytes = 65536;

class FileProbe {
  public:
    explicit FileProbe(const wchar_t* path) : path_(path) {}
    FileProbe(const FileProbe&) = delete;
    FileProbe& operator=(const FileProbe&) = delete;

    const wchar_t* path() const { return path_; }

    // GetFileAttributesExW's answer for the path; null when it fails.
    const WIN32_FILE_ATTRIBUTE_DATA* Attributes();

    // The file opened for reading with read sharing only, as every reader of its bytes opened it;
    // null when it cannot be opened or is not a disk file (a device or pipe can block a read).
    HANDLE Handle();
    // Size and last-write time (100 ns units) taken right after opening, before any read.
    bool OpenedSnapshot(uint64_t& size, uint64_t& lastWrite);

    // The first ProbeHeadBytes bytes (fewer for a shorter file); false when the file cannot be
    // opened or read. After this the handle's position is at the end of these bytes.
    bool Head(std::span<const std::byte>& head);
    // The head holds the whole file: the read stopped short of ProbeHeadBytes at its end.
    bool HeadIsWholeFile();

    // Closes the handle (the bytes read stay), before the path goes to a system reader that may
    // open the file without sharing; a later Handle() opens it again.
    void ReleaseHandle();

    // The version block as ReadVersionBlock returns it, read on first need: its result code and
    // the block.
    int VersionBlock(const std::vector<std::byte>*& block);

  private:
    const wchar_t* path_;
    bool attributesAsked_ = false;
    bool attributesOk_ = false;
    WIN32_FILE_ATTRIBUTE_DATA attributes_{};
    bool openTried_ = false;
    FileHandle file_;
    bool snapshotOk_ = false;
    uint64_t size_ = 0;
    uint64_t lastWrite_ = 0;
    bool headTried_ = false;
    bool headOk_ = false;
    bool headWhole_ = false;
    std::vector<std::byte> head_;
    bool versionTried_ = false;
    int versionResult_ = 1;
    std::vector<std::byte> version_;
};

} // namespace scrutel
