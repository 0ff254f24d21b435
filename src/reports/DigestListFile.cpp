// Checking files against a digest list and writing one: the list is read in fixed blocks and
// parsed line by line (reports/DigestList.h), so a list of any length costs one block and one
// line of memory; each file is hashed once through the checksum engine (ChecksumSet.h), with
// threads for large files as the checksum section has them.
#include "reports/DigestListFile.h"

#include "core/HashKinds.h"
#include "core/Limits.h"
#include "core/Owners.h"
#include "files/UntrustedFile.h"
#include "gateway/HostGateway.h"
#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "output/ErrorReport.h"
#include "reports/ChecksumSet.h"
#include "reports/DigestList.h"
#include "reports/FileProbe.h"
#include "reports/ReportFile.h"
#include "core/ReportMemo.h"
#include "files/PathResolve.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace scrutel {

namespace {

constexpr DWORD ListBlockBytes = 65536;
// Consecutive lines naming one file share its read; a list repeating a name endlessly still
// holds no more than this many at a time.
constexpr size_t GroupLimit = 16;

HANDLE StdErr() {
    return GetStdHandle(STD_ERROR_HANDLE);
}

enum class CheckOutcome { Ok, Failed, Missing, Unreadable };

const wchar_t* OutcomeWord(CheckOutcome outcome) {
    switch (outcome) {
    case CheckOutcome::Ok:
        return L"OK";
    case CheckOutcome::Failed:
        return L"FAILED";
    case CheckOutcome::Missing:
        return L"missing";
    default:
        return L"unreadable";
    }
}

struct CheckCounts {
    uint64_t ok = 0;
    uint64_t failed = 0;
    uint64_t missing = 0;
    uint64_t unreadable = 0;
    uint64_t malformed = 0;
    uint64_t Files() const { return ok + failed + missing + unreadable; }
};

// What the check of one list works with.
struct ListCheck {
    std::wstring listName; // the list's full name, for messages
    std::wstring folder;   // relative names start here
    ScanSettings& settings;
    CheckCounts counts;
    std::vector<wchar_t> path = std::vector<wchar_t>(PathChars, 0);
};

// Consecutive entries that name the same file.
struct FileGroup {
    U16String name;
    std::vector<DigestEntry> entries;
};

bool IsRooted(U16View name) {
    if (!name.empty() && (name[0] == u'\\' || name[0] == u'/')) return true;
    return name.size() >= 2 && name[1] == u':' &&
           ((name[0] >= u'A' && name[0] <= u'Z') || (name[0] >= u'a' && name[0] <= u'z'));
}

// The full path of a name from the list into check.path; false when it cannot be one.
bool ResolveListedName(ListCheck& check, U16View name) {
    std::wstring joined;
    if (!IsRooted(name)) {
        joined = check.folder;
        if (!joined.empty() && joined.back() != L'\\') joined += L'\\';
    }
    joined += Wide(name);
    if (joined.size() >= PathChars || joined.find(L'\0') != std::wstring::npos) return false;
    check.path[0] = 0;
    if (ResolvePath(joined.c_str(), check.path.data(), 0) != 0 || check.path[0] == 0) return false;
    AddLongPathPrefix(check.path.data(), PathChars);
    return true;
}

bool EntryMatches(const DigestEntry& entry, const ChecksumResults& results, uint64_t size, bool& computed) {
    std::array<uint8_t, 64> value{};
    size_t length = ResultDigest(results, entry.kind, value);
    computed = length != 0;
    if (!computed || length != entry.digestLength) return false;
    if (entry.kind == HashCksum && entry.size != size) return false;
    return std::memcmp(value.data(), entry.digest.data(), length) == 0;
}

HCRYPTPROV ProviderFor(uint32_t mask, ScanSettings& settings) {
    if (!(mask & ProviderHashMask)) return 0;
    if (!settings.memo) settings.memo = std::make_shared<ReportMemo>();
    return CommandDigestProvider(*settings.memo);
}

// Hashes the group's file once with every kind its entries name: the outcome, or ABORTED in rc.
CheckOutcome CheckGroup(ListCheck& check, const FileGroup& group, int& rc) {
    rc = 0;
    if (!ResolveListedName(check, group.name) || !gateway::QueryIsFileOrDirectory(check.path.data()))
        return CheckOutcome::Missing;
    uint32_t mask = 0;
    for (const DigestEntry& entry : group.entries)
        mask |= entry.kind;
    FileProbe probe(check.path.data());
    ChecksumResults results;
    rc = ComputeFileChecksums(probe, mask, ProviderFor(mask, check.settings), results,
                              check.settings.threadBudget);
    if (rc != 0) {
        if (rc != ABORTED) rc = 0;
        return CheckOutcome::Unreadable;
    }
    uint64_t size = 0, lastWrite = 0;
    probe.OpenedSnapshot(size, lastWrite);
    bool failed = false;
    for (const DigestEntry& entry : group.entries) {
        bool computed = false;
        if (!EntryMatches(entry, results, size, computed)) failed = true;
        if (!computed) return CheckOutcome::Unreadable;
    }
    return failed ? CheckOutcome::Failed : CheckOutcome::Ok;
}

// Checks the group and prints its line; 0 or ABORTED. The group is empty afterwards.
int FlushGroup(ListCheck& check, FileGroup& group) {
    if (group.entries.empty()) return 0;
    if (StopRequested()) return StopForInterruption();
    int rc = 0;
    CheckOutcome outcome = CheckGroup(check, group, rc);
    if (rc == ABORTED) return StopForInterruption();
    switch (outcome) {
    case CheckOutcome::Ok:
        ++check.counts.ok;
        break;
    case CheckOutcome::Failed:
        ++check.counts.failed;
        break;
    case CheckOutcome::Missing:
        ++check.counts.missing;
        break;
    case CheckOutcome::Unreadable:
        ++check.counts.unreadable;
        break;
    }
    // The name is the list's text: no character of it may act on the terminal.
    ReportPrintf(L"%s: %s", Wide(TerminalSafe(group.name.c_str()).c_str()), OutcomeWord(outcome));
    group.entries.clear();
    group.name.clear();
    if (EndLine(1) == ABORTED) return ABORTED;
    FlushOutputWhenWaiting();
    return 0;
}

std::wstring Counted(uint64_t count, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

int PrintCounts(const CheckCounts& counts) {
    std::wstring text = Counted(counts.Files(), L"file checked: ", L"files checked: ") +
                        std::to_wstring(counts.ok) + L" OK, " + std::to_wstring(counts.failed) +
                        L" FAILED, " + std::to_wstring(counts.missing) + L" missing, " +
                        std::to_wstring(counts.unreadable) + L" unreadable; " +
                        Counted(counts.malformed, L"malformed line.", L"malformed lines.");
    ReportPuts(text.c_str());
    return EndLine(1);
}

// Reads the list to its end, checking each file as its lines end: 0, 2 when a read failed, or
// ABORTED. A read failure ends the list where it happened.
int ReadAndCheck(ListCheck& check, HANDLE list) {
    std::unique_ptr<std::byte[]> block(new std::byte[ListBlockBytes]);
    DigestListReader reader(GetOEMCP());
    FileGroup group;
    DigestLineForm ambiguousAs = DigestLineForm::Sfv;
    U16String line;
    bool tooLong = false;
    bool finished = false;
    while (!finished) {
        if (StopRequested()) return StopForInterruption();
        DWORD got = 0;
        if (!ReadFile(list, block.get(), ListBlockBytes, &got, nullptr)) {
            if (FlushGroup(check, group) == ABORTED) return ABORTED;
            PrintErrorPrefix();
            gateway::Qprintf(StdErr(), L"Error reading digest list \"%s\"\r\n", check.listName.c_str());
            return 2;
        }
        if (got == 0) {
            reader.Finish();
            finished = true;
        } else {
            reader.Feed(std::span<const std::byte>(block.get(), got));
        }
        while (reader.Next(line, tooLong)) {
            if (StopRequested()) return StopForInterruption();
            DigestLine parsed;
            if (!tooLong) parsed = ParseDigestLine(line, ambiguousAs);
            if (tooLong || parsed.status == DigestLineStatus::Malformed) {
                // The files of the lines before it are shown before its message.
                if (FlushGroup(check, group) == ABORTED) return ABORTED;
                ++check.counts.malformed;
                PrintErrorPrefix();
                gateway::Qprintf(StdErr(), L"Malformed digest line %s in \"%s\"\r\n",
                                 std::to_wstring(reader.LineNumber()).c_str(), check.listName.c_str());
                continue;
            }
            if (parsed.status != DigestLineStatus::Entry) continue;
            DigestEntry& entry = parsed.entry;
            if (entry.form == DigestLineForm::Cksum || entry.form == DigestLineForm::Sfv)
                ambiguousAs = entry.form;
            if (!group.entries.empty() && (group.name != entry.name || group.entries.size() == GroupLimit))
                if (FlushGroup(check, group) == ABORTED) return ABORTED;
            if (group.entries.empty()) group.name = entry.name;
            group.entries.push_back(std::move(entry));
        }
    }
    return FlushGroup(check, group);
}

} // namespace

size_t ResultDigest(const ChecksumResults& results, uint32_t kind, std::array<uint8_t, 64>& digest) {
    auto bigEndian = [&digest](uint32_t value) {
        for (size_t i = 0; i < 4; ++i)
            digest[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
        return size_t{4};
    };
    if (kind == HashCrc32) return results.crc32Ok ? bigEndian(results.crc32) : 0;
    if (kind == HashCksum) return results.cksumOk ? bigEndian(results.cksum) : 0;
    for (size_t i = 0; i < results.digestCount && i < std::size(results.digests); ++i) {
        const DigestResult& d = results.digests[i];
        if (d.bit != kind || !d.ok || d.length == 0 || d.length > digest.size()) continue;
        std::memcpy(digest.data(), d.value, d.length);
        return d.length;
    }
    return 0;
}

int CheckDigestList(const wchar_t* listName, ScanSettings& settings) {
    if (!listName || !*listName) return -1;
    std::vector<wchar_t> listPath(PathChars, 0);
    FileHandle list;
    if (ResolvePath(listName, listPath.data(), ResolveHome) == 0) {
        AddLongPathPrefix(listPath.data(), PathChars);
        list = OpenUntrustedFile(listPath.data(), UntrustedSharing::ReadOnly).file;
    }
    if (!list) {
        PrintErrorPrefix();
        gateway::Qprintf(StdErr(), L"Error opening digest list \"%s\"\r\n", listName);
        return 2;
    }
    ListCheck check{HeadingName(listPath.data()), {}, settings, {}};
    std::wstring full = listPath.data();
    size_t slash = full.find_last_of(L"\\/");
    check.folder = slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);

    int rc = ReadAndCheck(check, list.get());
    if (rc == ABORTED) return ABORTED;
    if (PrintCounts(check.counts) == ABORTED) return ABORTED;
    const CheckCounts& c = check.counts;
    bool allOk = rc == 0 && c.ok > 0 && c.ok == c.Files() && c.malformed == 0;
    return allOk ? 0 : 2;
}

int WriteDigestListLine(const wchar_t* path, uint32_t, ScanSettings& settings) {
    if (!path || !*path) return -1;
    const uint32_t kind = settings.hashMask;
    if (DigestLengthOfKind(kind) == 0) return -1;
    if (!gateway::QueryIsFile(path)) return 2;
    FileProbe probe(path);
    ChecksumResults results;
    int rc = ComputeFileChecksums(probe, kind, ProviderFor(kind, settings), results, settings.threadBudget);
    if (rc == ABORTED) return StopForInterruption();
    std::array<uint8_t, 64> digest{};
    size_t length = rc == 0 ? ResultDigest(results, kind, digest) : 0;
    uint64_t size = 0, lastWrite = 0;
    if (length == 0 || !probe.OpenedSnapshot(size, lastWrite)) {
        PrintErrorPrefix();
        gateway::Qprintf(StdErr(), L"Error reading \"%s\"\r\n", HeadingName(path));
        return 2;
    }
    U16String name = DigestListName(U16(path), U16(settings.listFolder ? settings.listFolder : L""));
    U16String line = DigestListLineText(kind, std::span<const uint8_t>(digest.data(), length), size, name);
    ReportPuts(Wide(line.c_str()));
    ++settings.matchCount;
    if (EndLine(1) == ABORTED) return ABORTED;
    FlushOutputWhenWaiting();
    return 0;
}

} // namespace scrutel
