// The command's help texts.
#include "command/HelpTexts.h"

#include "core/HashKinds.h"
#include "core/OmitFeatures.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace scrutel {

namespace {

// Writes text at out[n] (when out is given) and advances n: the texts made from the core's
// tables are measured with a null out first, then written into an array of that size.
constexpr void Put(wchar_t* out, size_t& n, std::wstring_view text) {
    for (wchar_t c : text) {
        if (out) out[n] = c;
        ++n;
    }
}
constexpr void Put(wchar_t* out, size_t& n, U16View text) {
    for (char16_t c : text) {
        if (out) out[n] = static_cast<wchar_t>(c);
        ++n;
    }
}

// /C?: the names of the kinds the help lists, three to a line. The length with the terminator.
constexpr size_t WriteHashHelp(wchar_t* out) {
    size_t n = 0;
    Put(out, n, L"SCRUTEL /C:  \u2014 checksum/hash algorithms\n\n");
    size_t column = 0;
    for (const HashKindRow& kind : HashKinds) {
        if (!kind.inHelp) continue;
        Put(out, n, column == 0 ? L"\t" : L"\t\t");
        Put(out, n, kind.name);
        if (++column == 3) {
            Put(out, n, L"\n");
            column = 0;
        }
    }
    if (column != 0) Put(out, n, L"\n");
    Put(out, n,
        L"\nYou can specify more than one, separated by commas.\n"
        L"If no /C: is given, the default is /C:CRC32,MD5.\n");
    if (out) out[n] = 0;
    return n + 1;
}

// /O?: one line per letter.
constexpr size_t WriteOmitHelp(wchar_t* out) {
    size_t n = 0;
    Put(out, n, L"SCRUTEL /O:  \u2014 omit features\n\n");
    for (const OmitLetterRow& row : OmitLetterRows) {
        Put(out, n, L"\t");
        Put(out, n, U16View(&row.letter, 1));
        Put(out, n, L"\t");
        Put(out, n, row.help);
        Put(out, n, L"\n");
    }
    if (out) out[n] = 0;
    return n + 1;
}

template <size_t Length, size_t (*Write)(wchar_t*)> constexpr std::array<wchar_t, Length> MakeText() {
    std::array<wchar_t, Length> text{};
    Write(text.data());
    return text;
}

constexpr auto HashHelp = MakeText<WriteHashHelp(nullptr), WriteHashHelp>();
constexpr auto OmitHelp = MakeText<WriteOmitHelp(nullptr), WriteOmitHelp>();

} // namespace

const wchar_t* const HelpText =
    L"Display information about files.\n\nSCRUTEL /A: /C: /D /L: /N: /O: /P /S /T: /V: file...\r\n\n"
    L"\t/A:\tattributes\n\t/C:\tchecksums/hashes    /C? for more info  \n\t/D\tno highlight\n"
    L"\t/L:\twrite a digest list /L? for more info\n"
    L"\t/N:\tdisable features    /N? for more info\n\t/O:\tomit features       /O? for more info\n"
    L"\t/P\tpage output\n\t/S\tsearch in subdirectories\n\t/T:\ttime display mode   /T? for more info\n"
    L"\t/V:\tcheck a digest list /V? for more info\n\n"
    L"If no filespecs are given, * is the default.  \n";

const wchar_t* const HelpTextNoFeatures =
    L"SCRUTEL /N:  \u2014 disable features\n\n\tC\tno highlight\n\tD\tdo not search into hidden directories\n"
    L"\tF\tsuppress file-not-found error\n\tJ\tdo not search into junctions\n"
    L"\tZ\tdo not search into system directories\n";

const wchar_t* const HelpTextHashes = HashHelp.data();

const wchar_t* const HelpTextOmit = OmitHelp.data();

const wchar_t* const HelpTextTimes =
    L"SCRUTEL /T:  \u2014 time display mode\n\n\tA\tshow last-access time\n\tC\tshow creation time\n"
    L"\tM\tshow last-modification time\n\tD\tdefault:  localize times as TCC and CMD do\n"
    L"\tL\tlocal times, taking DST time changes into account\n\tU\tCoordinated Universal Time\n"
    L"\tF\tshow fractional seconds\n\nThe default is to show all three stamps, localized as TCC\nand CMD "
    L"do.\n";

const wchar_t* const HelpTextDigestLists =
    L"SCRUTEL /V: /L:  \u2014 digest lists\n\n"
    L"/V:list\tcheck the files a digest list names (relative names start in the\n"
    L"\tlist's folder), one line each:\n"
    L"\t\tname: OK\t\tname: FAILED\n\t\tname: missing\t\tname: unreadable\n"
    L"\tthen the count, as in:\n"
    L"  3 files checked: 2 OK, 1 FAILED, 0 missing, 0 unreadable; 0 malformed lines.\n"
    L"\tMalformed lines are named by number on standard error. The result is\n"
    L"\t0 when every file is OK and every line was read, 2 otherwise.\n"
    L"\tThe lines, the kind taken from the tag or the digest's length (8 CRC32,\n"
    L"\t32 MD5, 40 SHA1, 64 SHA256, 96 SHA384, 128 SHA512 hex digits):\n"
    L"\t\thex  name   or   hex *name\n\t\tSHA256 (name) = hex\n"
    L"\t\tname crc32\t(SFV; lines starting with ; or # are comments)\n"
    L"\t\tcrc size name\t(cksum)\n\n"
    L"/L:kind\twrite a digest list of the selected files, one line per file:\n"
    L"\t\thex  name\t(CRC32, MD5, SHA1, SHA256, SHA384, SHA512)\n"
    L"\t\tcrc size name\t(CKSUM)\n"
    L"\tin lower-case hex, names relative to the current folder where they\n"
    L"\tare below it, with / between folders. /L alone is /L:SHA256.\n";

} // namespace scrutel
