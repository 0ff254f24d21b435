// The entries of one folder, looked up by the name in the letter case the folder ignores: every
// name in one buffer and an open-addressing table of entry numbers, so that reading a folder of
// many thousand entries costs no allocation per entry and a lookup is one hash and, as a rule,
// one comparison.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace scrutel {

class FolderIndex {
  public:
    void Clear();
    size_t Size() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    // Adds an entry: its name folded for lookup and as the folder stores it. Returns what Find
    // now returns for folded.
    const wchar_t* Add(std::wstring_view folded, std::wstring_view stored);
    // The stored name (terminated) of the entry whose folded name is folded; null when there is
    // none, or when two entries fold alike (a folder that tells letter cases apart may hold both).
    const wchar_t* Find(std::wstring_view folded) const;

  private:
    struct Entry {
        uint32_t at;     // the folded name at text_[at], then the stored name and a terminator
        uint32_t length; // of the folded name
        uint32_t hash;
        bool ambiguous;
    };
    std::wstring_view Folded(const Entry& e) const { return {text_.data() + e.at, e.length}; }
    // The slot that holds folded's entry, or the empty slot where it would go.
    size_t Slot(std::wstring_view folded, uint32_t hash) const;
    void Grow();
    std::vector<wchar_t> text_;
    std::vector<Entry> entries_;
    std::vector<uint32_t> slots_; // entry number + 1; 0 is an empty slot
};

} // namespace scrutel
