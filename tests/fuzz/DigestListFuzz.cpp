// Digest lists over arbitrary bytes, read as the check reads them: split into lines in blocks of
// a size the input chooses, each line read as an entry. Line numbers count up by one, a line too
// long has no text, every entry has a name and a digest of its kind's length, and the list
// output's line for an entry reads back as the same entry.
#include "FuzzCheck.h"

#include "reports/DigestList.h"

#include <algorithm>

using namespace scrutel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t block = 1 + data[0] % 64;
    const DigestLineForm ambiguousAs = (data[0] & 0x80) ? DigestLineForm::Cksum : DigestLineForm::Sfv;
    std::vector<std::byte> bytes = FuzzBytes(data + 1, size - 1);
    DigestListReader reader(1252);
    U16String line;
    bool tooLong = false;
    uint64_t lines = 0;
    auto drain = [&] {
        while (reader.Next(line, tooLong)) {
            FUZZ_CHECK(reader.LineNumber() == ++lines);
            FUZZ_CHECK(!tooLong || line.empty());
            DigestLine parsed = ParseDigestLine(line, ambiguousAs);
            if (parsed.status != DigestLineStatus::Entry) continue;
            const DigestEntry& e = parsed.entry;
            FUZZ_CHECK(!e.name.empty() && e.name.size() <= line.size() &&
                       e.name.find(u'\0') == U16String::npos);
            FUZZ_CHECK(e.digestLength != 0 && e.digestLength == DigestLengthOfKind(e.kind));
            std::span<const uint8_t> digest(e.digest.data(), e.digestLength);
            DigestLine again =
                ParseDigestLine(DigestListLineText(e.kind, digest, e.size, e.name), DigestLineForm::Cksum);
            FUZZ_CHECK(again.status == DigestLineStatus::Entry && again.entry.kind == e.kind);
            FUZZ_CHECK(again.entry.name == e.name && again.entry.size == e.size);
            FUZZ_CHECK(std::equal(digest.begin(), digest.end(), again.entry.digest.begin()));
            FUZZ_CHECK(DigestListName(e.name, u"Z:\\list").find(u'\\') == U16String::npos);
        }
    };
    for (size_t at = 0; at < bytes.size(); at += block) {
        // An exact-size copy of each block, so that a read past it is a sanitizer report.
        std::vector<std::byte> piece(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                     bytes.begin() +
                                         static_cast<std::ptrdiff_t>(std::min(at + block, bytes.size())));
        reader.Feed(piece);
        drain();
    }
    reader.Finish();
    drain();
    // Every line holds at least one byte: its line end, or the last line's text.
    FUZZ_CHECK(lines <= bytes.size());
    return 0;
}
