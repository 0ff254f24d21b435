// One file's report kept as what it will print: pieces of text, line ends and headings, in order.
// A report worker fills one while it runs the sections; the printer on the host's thread replays
// it through ReportPuts, EndLine and PrintHeading, so paging, the pause prompt, colours and the
// interruption act on it exactly as on text printed directly.
#pragma once
#include "core/Sync.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace scrutel {

// A Number is a number text that is given the host's thousands separators when the record is
// printed: only the host's thread may ask the host, and the separators are the user's.
struct ReportPiece {
    enum Kind : uint8_t { Text, LineEnds, Heading, Number } kind = Text;
    uint32_t count = 0; // line ends (LineEnds, Heading); the room for the separated text (Number)
    size_t offset = 0;  // the piece's text in ReportRecord::text (Text, Heading, Number)
    size_t length = 0;
};

struct ReportRecord {
    std::wstring text;
    std::vector<ReportPiece> pieces;

    void AddText(const wchar_t* data, size_t length);
    void AddLineEnds(uint32_t count);
    void AddHeading(const wchar_t* data, size_t length, uint32_t count);
    // A number text that prints with separators when it fits capacity characters (terminator
    // included), as it is otherwise.
    void AddNumber(const wchar_t* data, size_t length, uint32_t capacity);
    // Appends every piece of other.
    void Append(const ReportRecord& other);
    void Clear() {
        text.clear();
        pieces.clear();
    }
    bool Empty() const { return pieces.empty(); }
    // Pieces first to last (not included), with their text.
    ReportRecord Slice(size_t first, size_t last) const;
    // What the pieces print on a plain output: headings and text as they are, line ends as "\r\n",
    // numbers without separators.
    std::wstring Plain() const;
};

// A record that the printer reads while its worker still writes it, so that a report waiting on
// long work shows its finished lines: the worker changes the record only under lock, and after
// each line end marks how many pieces are finished (committed); the printer copies those.
// The worker also tells how far the long work of the moment has come (bytes hashed of a total;
// total 0: none), which the printer shows on the console while it waits.
struct RecordShare {
    Mutex lock;
    size_t committed = 0;
    std::atomic<uint64_t> workDone{0};
    std::atomic<uint64_t> workTotal{0};
};

} // namespace scrutel
