// The entries of one folder by folded name; see FolderIndex.h.
#include "select/FolderIndex.h"

#include <algorithm>

namespace scrutel {

void FolderIndex::Clear() {
    text_.clear();
    entries_.clear();
}

void FolderIndex::Add(std::wstring_view folded, std::wstring_view stored) {
    Entry e{static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(folded.size()), false};
    text_.insert(text_.end(), folded.begin(), folded.end());
    text_.insert(text_.end(), stored.begin(), stored.end());
    text_.push_back(L'\0');
    entries_.push_back(e);
}

void FolderIndex::Seal() {
    std::sort(entries_.begin(), entries_.end(),
              [this](const Entry& a, const Entry& b) { return Folded(a) < Folded(b); });
    for (size_t i = 1; i < entries_.size(); ++i)
        if (Folded(entries_[i]) == Folded(entries_[i - 1]))
            entries_[i].ambiguous = entries_[i - 1].ambiguous = true;
}

const wchar_t* FolderIndex::Find(std::wstring_view folded) const {
    auto at = std::lower_bound(entries_.begin(), entries_.end(), folded,
                               [this](const Entry& e, std::wstring_view key) { return Folded(e) < key; });
    if (at == entries_.end() || at->ambiguous || Folded(*at) != folded) return nullptr;
    return text_.data() + at->at + at->length;
}

} // namespace scrutel
