// The entries of one folder by folded name; see FolderIndex.h.
#include "select/FolderIndex.h"

namespace scrutel {

namespace {

uint32_t HashOf(std::wstring_view text) {
    uint32_t hash = 2166136261u;
    for (wchar_t c : text) {
        hash ^= static_cast<uint32_t>(c);
        hash *= 16777619u;
    }
    return hash;
}

} // namespace

void FolderIndex::Clear() {
    text_.clear();
    entries_.clear();
    slots_.clear();
}

size_t FolderIndex::Slot(std::wstring_view folded, uint32_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        uint32_t n = slots_[i];
        if (n == 0) return i;
        const Entry& e = entries_[n - 1];
        if (e.hash == hash && Folded(e) == folded) return i;
    }
}

void FolderIndex::Grow() {
    // At most half the slots in use, so that a probe ends soon at an empty one.
    size_t size = slots_.empty() ? 64 : slots_.size() * 2;
    slots_.assign(size, 0);
    for (size_t n = 0; n < entries_.size(); ++n) {
        const Entry& e = entries_[n];
        size_t i = Slot(Folded(e), e.hash);
        if (slots_[i] == 0) slots_[i] = static_cast<uint32_t>(n + 1);
    }
}

const wchar_t* FolderIndex::Add(std::wstring_view folded, std::wstring_view stored) {
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    const uint32_t hash = HashOf(folded);
    const size_t i = Slot(folded, hash);
    Entry e{static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(folded.size()), hash, false};
    text_.insert(text_.end(), folded.begin(), folded.end());
    text_.insert(text_.end(), stored.begin(), stored.end());
    text_.push_back(L'\0');
    entries_.push_back(e);
    if (slots_[i] == 0) {
        slots_[i] = static_cast<uint32_t>(entries_.size());
        return text_.data() + e.at + e.length;
    }
    // A second entry of that folded name: the name is no longer found.
    entries_[slots_[i] - 1].ambiguous = true;
    return nullptr;
}

const wchar_t* FolderIndex::Find(std::wstring_view folded) const {
    if (slots_.empty()) return nullptr;
    const uint32_t n = slots_[Slot(folded, HashOf(folded))];
    if (n == 0) return nullptr;
    const Entry& e = entries_[n - 1];
    return e.ambiguous ? nullptr : text_.data() + e.at + e.length;
}

} // namespace scrutel
