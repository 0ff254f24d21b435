// The hand-over rules for checked compound files: a sound structure, no malformed property set
// the reader parses, and code pages the platform can convert.
#include "reports/CompoundFileFit.h"

namespace scrutel {

namespace {

constexpr uint16_t UnicodeCodePage = 1200;

bool CodePageFit(uint16_t codePage, bool (*isValidCodePage)(uint16_t)) {
    // 0: the set records no code page and the reader takes its default.
    return codePage == 0 || codePage == UnicodeCodePage || isValidCodePage(codePage);
}

} // namespace

bool CompoundFileFitFor(const CompoundFileCheck& check, CompoundFileReader reader,
                        bool (*isValidCodePage)(uint16_t codePage)) {
    if (!check.structureSound || !isValidCodePage) return false;
    if (check.summary == PropertySetState::Malformed || !CodePageFit(check.summaryCodePage, isValidCodePage))
        return false;
    if (reader == CompoundFileReader::SummaryProperties) return true;
    return check.documentSummary != PropertySetState::Malformed &&
           CodePageFit(check.documentSummaryCodePage, isValidCodePage);
}

bool SummaryReaderMayFindAnything(bool compoundSignature, bool otherStreams) {
    return compoundSignature || otherStreams;
}

} // namespace scrutel
