// Telling a folder the walk is already inside: a folder is known by its volume and file identity,
// so a link or junction that leads back to a folder on the current path is recognised whatever
// name reaches it.
#pragma once
#include <cstdint>
#include <span>

namespace scrutel {

// A folder as the system identifies it: the volume's serial number and the 64-bit file index of
// an open handle. known is false when the folder could not be opened or asked, or when the file
// system gives no index (some redirectors report 0 for every file).
struct FolderIdentity {
    uint32_t volume = 0;
    uint64_t index = 0;
    bool known = false;
};

// The identity from the fields of BY_HANDLE_FILE_INFORMATION; unknown for a file index of 0.
FolderIdentity MakeFolderIdentity(uint32_t volumeSerial, uint32_t indexHigh, uint32_t indexLow);

// True when folder is known and equals a known identity in path (the folders the walk is inside).
// An unknown identity is never on the path: a folder that cannot be asked is walked as before.
bool FolderOnPath(std::span<const FolderIdentity> path, const FolderIdentity& folder);

} // namespace scrutel
