// Recognising a folder the walk is already inside by its volume and file identity.
#include "select/FolderLoop.h"

namespace scrutel {

FolderIdentity MakeFolderIdentity(uint32_t volumeSerial, uint32_t indexHigh, uint32_t indexLow) {
    FolderIdentity folder;
    folder.volume = volumeSerial;
    folder.index = (static_cast<uint64_t>(indexHigh) << 32) | indexLow;
    folder.known = folder.index != 0;
    return folder;
}

bool FolderOnPath(std::span<const FolderIdentity> path, const FolderIdentity& folder) {
    if (!folder.known) return false;
    for (const FolderIdentity& outer : path)
        if (outer.known && outer.volume == folder.volume && outer.index == folder.index) return true;
    return false;
}

} // namespace scrutel
