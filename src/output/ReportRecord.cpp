// One file's report kept as its pieces; see ReportRecord.h.
#include "output/ReportRecord.h"

namespace scrutel {

void ReportRecord::AddText(const wchar_t* data, size_t length) {
    // The host prints text up to its first null character: keep no more, so that text joined
    // after it is not lost.
    for (size_t i = 0; i < length; ++i)
        if (data[i] == 0) {
            length = i;
            break;
        }
    if (length == 0) {
        // An empty piece still counts as report text for the section that wrote it.
        pieces.push_back(ReportPiece{ReportPiece::Text, 0, text.size(), 0});
        return;
    }
    // Consecutive text joins the piece before it: one host write instead of several.
    if (!pieces.empty() && pieces.back().kind == ReportPiece::Text &&
        pieces.back().offset + pieces.back().length == text.size()) {
        text.append(data, length);
        pieces.back().length += length;
        return;
    }
    pieces.push_back(ReportPiece{ReportPiece::Text, 0, text.size(), length});
    text.append(data, length);
}

void ReportRecord::AddLineEnds(uint32_t count) {
    pieces.push_back(ReportPiece{ReportPiece::LineEnds, count, text.size(), 0});
}

void ReportRecord::AddHeading(const wchar_t* data, size_t length, uint32_t count) {
    pieces.push_back(ReportPiece{ReportPiece::Heading, count, text.size(), length});
    text.append(data, length);
}

void ReportRecord::AddNumber(const wchar_t* data, size_t length, uint32_t capacity) {
    pieces.push_back(ReportPiece{ReportPiece::Number, capacity, text.size(), length});
    text.append(data, length);
}

void ReportRecord::Append(const ReportRecord& other) {
    const size_t base = text.size();
    text += other.text;
    for (ReportPiece piece : other.pieces) {
        piece.offset += base;
        pieces.push_back(piece);
    }
}

ReportRecord ReportRecord::Slice(size_t first, size_t last) const {
    ReportRecord slice;
    if (last > pieces.size()) last = pieces.size();
    for (size_t i = first; i < last; ++i) {
        ReportPiece piece = pieces[i];
        const size_t offset = slice.text.size();
        slice.text.append(text, piece.offset, piece.length);
        piece.offset = offset;
        slice.pieces.push_back(piece);
    }
    return slice;
}

std::wstring ReportRecord::Plain() const {
    std::wstring out;
    for (const ReportPiece& piece : pieces) {
        if (piece.kind != ReportPiece::LineEnds) out.append(text, piece.offset, piece.length);
        if (piece.kind == ReportPiece::LineEnds || piece.kind == ReportPiece::Heading)
            for (uint32_t i = 0; i < piece.count; ++i)
                out += L"\r\n";
    }
    return out;
}

} // namespace scrutel
