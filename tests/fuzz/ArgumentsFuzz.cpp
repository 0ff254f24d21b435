// Splitting the command's argument text, then every switch and range parser on each argument:
// the input is UTF-16 text (two bytes a code unit). The table must describe exactly the text it
// holds, and no parser may read past the view it is given (each gets an exact-size copy).
#include "FuzzCheck.h"

#include "command/RangeParse.h"
#include "command/SplitArguments.h"
#include "command/Switches.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace scrutel;

namespace {

void ParseEveryWay(U16View argument) {
    // Exact-size heap copy: a read past the end is a sanitizer report.
    std::unique_ptr<char16_t[]> copy(new char16_t[argument.size() ? argument.size() : 1]);
    std::copy(argument.begin(), argument.end(), copy.get());
    U16View view(copy.get(), argument.size());

    uint32_t mask = 0, values = 0, walkFlags = 0, hashMask = 0, omitMask = 0, timeFlags = 0, maxWidth = 0;
    int noHighlight = 0, minDepth = 0, maxDepth = 0, showSummary = 1;
    int32_t zone = 0;
    PauseSettings pause;
    ParseAttributeOption(view, mask, values);
    ParseSuboptions(view, walkFlags, noHighlight);
    ParseSubdirOption(view, walkFlags, minDepth, maxDepth);
    ParsePauseOption(view, pause);
    ParseHashList(view, hashMask);
    ParseOmitLetters(view, omitMask, walkFlags, showSummary);
    ParseTimeLetters(view, timeFlags, zone);
    if (!ParseMaxWidth(view, maxWidth)) FUZZ_CHECK(maxWidth == 0 || (maxWidth >= 64 && maxWidth <= 2048));

    ParseContext context;
    context.dateOrder = static_cast<int>(argument.size() % 3);
    context.now = CivilTime{2026, 12, 8, 13, 14, 15};
    context.recordLimit = 4;
    RangeSet ranges;
    for (int i = 0; i < 6; ++i) {
        size_t before = ranges.records.size();
        ParseStatus status = ParseRangeOption(view, ranges, context);
        // Only an exclusion option adds more than one record: one per pattern.
        if (ranges.records.size() > before + 1)
            for (size_t k = 0; k < ranges.records.size() - before; ++k)
                FUZZ_CHECK(ranges.records[k].kind == u'!');
        FUZZ_CHECK(ranges.records.size() <= context.recordLimit);
        if (status) break;
    }
    for (bool negated : {false, true})
        for (bool strip : {false, true})
            ParseDescriptionRange(view, negated, strip, ranges, context);
    for (const RangeRecord& r : ranges.records) {
        if (r.kind == u'W') FUZZ_CHECK(r.dayMask <= 0x7F);
        if (r.kind == u'S') FUZZ_CHECK(r.low <= r.high);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char16_t> text = FuzzText(data, size, true);

    auto table = std::make_unique<ArgTable>();
    ParseStatus status = SplitArguments(text.data(), *table);
    if (status) return 0;
    FUZZ_CHECK(table->argCount >= 0 && table->argCount <= MaxArguments);
    for (int k = 0; k < table->argCount; ++k) {
        const char16_t* start = table->argPointers[k];
        FUZZ_CHECK(start >= table->argText && start < table->argText + HostExpandChars);
        FUZZ_CHECK(table->argLengths[k] >= 0 &&
                   start + table->argLengths[k] < table->argText + HostExpandChars);
        FUZZ_CHECK(start[table->argLengths[k]] == 0);
        ParseEveryWay(table->Argument(k));
    }
    // The whole text as one argument too, splitting aside.
    ParseEveryWay(U16View(text.data(), text.size() - 1));
    return 0;
}
