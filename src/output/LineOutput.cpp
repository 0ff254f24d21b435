// Line ends with paging and the pause prompt, interruption by Ctrl-C / Ctrl-Break / Esc, and
// headings in the highlight colour. Console access goes through ConsoleIo.
#include "output/LineOutput.h"

#include "core/Limits.h"
#include "core/ScanSettings.h"
#include "output/Console.h"
#include "output/Progress.h"
#include "output/ReportRecord.h"
#include "gateway/HostGateway.h"

#include <cstdarg>
#include <cwchar>
#include <algorithm>
#include <string>
#include <vector>

namespace scrutel {

const uint8_t ContrastColours[3][16] = {
    {0x0F, 0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x70, 0x8F, 0x9F, 0xA0, 0xB0, 0xCF, 0xD0, 0xE0, 0xF2},
    {0x0E, 0x1B, 0x2B, 0x3E, 0x4B, 0x5B, 0x6B, 0x79, 0x8B, 0x9B, 0xA9, 0xB9, 0xC0, 0xDE, 0xEC, 0xF0},
    {0x0B, 0x16, 0x20, 0x30, 0x40, 0x50, 0x60, 0x74, 0x80, 0x90, 0xAF, 0xBF, 0xCD, 0xD6, 0xE4, 0xF4},
};

namespace {

constexpr const wchar_t* PausePrompt = L"\r   \u2500\u2500 Press a key to continue \u2500\u2500 ";
// Sixty blanks between two carriage returns: wider than the prompt, so nothing of it remains.
constexpr const wchar_t* PromptWipe = L"\r                                                            \r";
constexpr const wchar_t* InterruptMark = L"\r ^C \n";
// No italics, no underline: VT terminals may keep these from output of other programs.
constexpr const wchar_t* PlainStyle = L"\x1b[23;24m";

constexpr uint32_t KeyCtrlC = 3;
constexpr uint32_t KeyEscape = 27;
constexpr uint32_t KeyBlank = 32;

bool g_handlerInstalled = false;

// Report text and line ends this thread wrote or recorded so far; sections compare it before and
// after they run.
thread_local uint64_t t_reportOutputCount = 0;
// Whether this thread's last report text is a line still waiting for its end.
thread_local bool t_lineOpen = false;

void NoteReportText(const wchar_t* text, size_t length) {
    if (length > 0) t_lineOpen = text[length - 1] != L'\n';
}

// The record this thread's report text goes to, and when to stop filling it.
thread_local ReportRecord* t_record = nullptr;
thread_local const std::atomic<LONG>* t_stop = nullptr;
thread_local RecordShare* t_share = nullptr;

// Changes this thread's record, under its share's lock when the printer may be reading it; commit
// marks every piece so far as finished.
template <typename Change> void ChangeRecord(Change&& change, bool commit = false) {
    if (!t_share) {
        change(*t_record);
        return;
    }
    std::lock_guard<Mutex> lock(t_share->lock);
    change(*t_record);
    if (commit) t_share->committed = t_record->pieces.size();
}

// The plugin's own output state, current outside commands; the slot every command's state is
// made in (from the console fields of the state current when it starts); and the current one. The pointer is
// atomic because the console's control handler reads it on a thread of its own.
OutputState g_pluginOutput;
OutputState g_commandOutput;
std::atomic<OutputState*> g_currentOutput{&g_pluginOutput};
// A report that grows past this many characters goes out before it ends.
constexpr size_t GatherFlushChars = 32768;

// The mark of an interruption in a contrast colour, then the console's colour as it was.
int StopWithMark() {
    FlushOutput();
    WORD before = ShowInterrupt();
    WriteConsoleText(InterruptMark);
    Console().SetAttribute(ConsoleTarget::ConOut, before);
    gateway::SetColors(before);
    return ABORTED;
}

void WriteThroughHost(const wchar_t* text) {
    ReportPuts(text);
}

// The output state (paging, colours, the gathered text, the pending printer) belongs to the host's
// thread; a worker only ever records. A call from elsewhere is refused (and ends a strict build).
bool OnPrinterThread(const char* what) {
    return gateway::RequireHostThread(what);
}

void Gather(const wchar_t* text, size_t length) {
    if (!OnPrinterThread("the gathered output")) return;
    GatheredOutput& gathered = Output().gathered;
    if (gathered.text.empty()) gathered.since = GetTickCount64();
    gathered.text.append(text, length);
    if (gathered.text.size() >= GatherFlushChars) FlushOutput();
}

// A number text with the host's separators, or as it is when they do not fit capacity characters.
std::wstring SeparatedNumber(const std::wstring& number, size_t capacity) {
    std::vector<wchar_t> buffer(std::max(capacity, number.size() + 1), L'\0');
    wmemcpy(buffer.data(), number.data(), number.size());
    FormatWithCommas(buffer.data(), capacity);
    return buffer.data();
}

bool HasSurrogate(const wchar_t* text) {
    for (const wchar_t* p = text; *p; ++p)
        if (*p >= 0xD800 && *p <= 0xDFFF) return true;
    return false;
}

} // namespace

OutputState& Output() {
    if (!OnPrinterThread("the output state")) {
        thread_local OutputState scratch;
        return scratch;
    }
    return *g_currentOutput.load(std::memory_order_acquire);
}

OutputState& NewCommandOutput() {
    const ConsoleColours plugin = Output().colours;
    g_commandOutput.paging = PagingState();
    g_commandOutput.colours = ConsoleColours{0, 0, plugin.vtTerminal, plugin.conOut};
    g_commandOutput.gathered = GatheredOutput();
    g_commandOutput.pendingPrinter = nullptr;
    g_commandOutput.pendingContext = nullptr;
    return g_commandOutput;
}

OutputScope::OutputScope(OutputState& state) : previous_(g_currentOutput.load(std::memory_order_acquire)) {
    g_currentOutput.store(&state, std::memory_order_release);
}

OutputScope::~OutputScope() {
    g_currentOutput.store(previous_, std::memory_order_release);
}

void BeginGatheredOutput() {
    if (!OnPrinterThread("the gathered output")) return;
    Output().gathered.text.clear();
    // Paging counts and colours act line by line: only plain output is gathered.
    Output().gathered.on =
        Output().colours.normalAttr == 0 && Output().paging.pageLength == 0 && Output().paging.linesLeft == 0;
}

RecordingScope::RecordingScope(ReportRecord& record, const std::atomic<LONG>* stop, RecordShare* share)
    : previous_(t_record), previousStop_(t_stop), previousShare_(t_share) {
    t_record = &record;
    t_stop = stop;
    t_share = share;
}

RecordingScope::~RecordingScope() {
    t_record = previous_;
    t_stop = previousStop_;
    t_share = previousShare_;
}

bool Recording() {
    return t_record != nullptr;
}

bool StopRequested() {
    if (t_record) return t_stop && t_stop->load() != 0;
    return g_currentOutput.load(std::memory_order_acquire)->paging.interrupted.load() != 0;
}

int PrintRecord(const ReportRecord& record) {
    // Text and numbers between two line ends go to the host as one piece: one host write.
    std::wstring line;
    bool pending = false;
    auto flush = [&] {
        if (pending) ReportPuts(line.c_str());
        line.clear();
        pending = false;
    };
    for (const ReportPiece& p : record.pieces) {
        switch (p.kind) {
        case ReportPiece::Text:
            line.append(record.text, p.offset, p.length);
            pending = true;
            break;
        case ReportPiece::Number:
            line += SeparatedNumber(std::wstring(record.text, p.offset, p.length), p.count);
            pending = true;
            break;
        case ReportPiece::LineEnds:
            flush();
            if (EndLine(p.count) == ABORTED) return ABORTED;
            break;
        case ReportPiece::Heading: {
            flush();
            std::wstring heading(record.text, p.offset, p.length);
            if (PrintHeading(heading.c_str(), static_cast<uint8_t>(p.count)) == ABORTED) return ABORTED;
            break;
        }
        }
    }
    flush();
    return 0;
}

int AddRecord(const ReportRecord& record) {
    if (!t_record) return PrintRecord(record);
    ChangeRecord([&](ReportRecord& r) { r.Append(record); }, true);
    for (const ReportPiece& piece : record.pieces)
        t_reportOutputCount += (piece.kind == ReportPiece::Text || piece.kind == ReportPiece::Number)
                                   ? 1
                                   : piece.count + (piece.kind == ReportPiece::Heading);
    return t_stop && t_stop->load() ? ABORTED : 0;
}

void ReportWorkProgress(uint64_t done, uint64_t total) {
    if (t_record) {
        if (t_share) {
            t_share->workDone.store(done, std::memory_order_relaxed);
            t_share->workTotal.store(total, std::memory_order_relaxed);
        }
        return;
    }
    ShowHashProgress(done, total);
}

int StopForInterruption() {
    return StopWithMark();
}

void SetPendingPrinter(PendingPrinter printer, void* context) {
    if (!OnPrinterThread("the pending printer")) return;
    Output().pendingPrinter = printer;
    Output().pendingContext = context;
}

int PrintPendingReports() {
    if (t_record || !OnPrinterThread("the pending printer") || !Output().pendingPrinter) return 0;
    return Output().pendingPrinter(Output().pendingContext);
}

void FlushOutput() {
    if (t_record || !OnPrinterThread("the gathered output") || Output().gathered.text.empty()) return;
    std::wstring text;
    text.swap(Output().gathered.text);
    gateway::QPuts(text.c_str());
}

void FlushOutputWhenWaiting() {
    if (t_record || !OnPrinterThread("the gathered output")) return;
    if (!Output().gathered.text.empty() && GetTickCount64() - Output().gathered.since >= WaitingLimitMs)
        FlushOutput();
}

void EndGatheredOutput() {
    FlushOutput();
    Output().gathered.on = false;
    Output().gathered.text = std::wstring();
}

bool GatheringOutput() {
    return Output().gathered.on;
}

uint64_t ReportOutputCount() {
    return t_reportOutputCount;
}

bool ReportLineOpen() {
    return t_lineOpen;
}

int ReportPrintf(const wchar_t* format, ...) {
    if (!format) return 0;
    ++t_reportOutputCount;
    // Formatted here as the host formats, so that the text is the same whether it is recorded,
    // gathered or passed on.
    va_list args;
    va_start(args, format);
    std::wstring text = FormatLikeHost(format, args);
    va_end(args);
    NoteReportText(text.data(), text.size());
    if (t_record)
        ChangeRecord([&](ReportRecord& r) { r.AddText(text.data(), text.size()); });
    else if (Output().gathered.on)
        Gather(text.data(), text.size());
    else
        gateway::QPuts(text.c_str());
    return static_cast<int>(text.size());
}

void ReportPuts(const wchar_t* text) {
    if (!text) return;
    ++t_reportOutputCount;
    NoteReportText(text, wcslen(text));
    if (t_record)
        ChangeRecord([&](ReportRecord& r) { r.AddText(text, wcslen(text)); });
    else if (Output().gathered.on)
        Gather(text, wcslen(text));
    else
        gateway::QPuts(text);
}

void ReportNumber(const wchar_t* number, size_t capacity) {
    if (!number) return;
    if (t_record) {
        ++t_reportOutputCount;
        NoteReportText(number, wcsnlen(number, HostExpandChars));
        ChangeRecord([&](ReportRecord& r) {
            r.AddNumber(number, wcsnlen(number, HostExpandChars), static_cast<uint32_t>(capacity));
        });
        return;
    }
    ReportPuts(SeparatedNumber(number, capacity).c_str());
}

uint8_t ContrastFor(unsigned background, unsigned avoid) {
    background &= 0x0F;
    for (const auto& choice : ContrastColours)
        if (choice[background] != avoid) return choice[background];
    return ContrastColours[0][background];
}

unsigned ReadEnvironment(const wchar_t* name, wchar_t* buffer) {
    buffer[0] = 0;
    DWORD n = GetEnvironmentVariableW(name, buffer, static_cast<DWORD>(TextOutputChars));
    if (n == 0 || n >= TextOutputChars) {
        buffer[0] = 0;
        return 0;
    }
    return n;
}

bool ColourSuppressed() {
    wchar_t buffer[TextOutputChars];
    if (ReadEnvironment(L"NO_COLOR", buffer) == 0) return false;
    return ReadEnvironment(L"Highlight", buffer) == 0;
}

int KeyCodeFor(const KeyPress& key) {
    switch (key.virtualKey) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
    case VK_LWIN:
    case VK_RWIN:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
        return -1;
    case VK_ESCAPE:
        // Some consoles deliver Esc with no character, only its virtual key.
        return static_cast<int>(KeyEscape);
    default:
        break;
    }
    if (key.character != 0) return key.character;
    return 0x10000 | key.scanCode;
}

bool TimeoutReached(DWORD start, DWORD timeoutMs, DWORD now) {
    // Unsigned difference: correct across the wrap of the tick counter, also when the deadline
    // lies just before the wrap and the next look at the counter comes after it.
    return static_cast<DWORD>(now - start) >= timeoutMs;
}

uint32_t WaitForKey() {
    ConsoleIo& console = Console();
    const DWORD timeout = Output().paging.pauseTimeoutMs;
    const DWORD start = timeout ? console.Ticks() : 0;
    Output().paging.interrupted = 0;
    for (;;) {
        KeyPress key;
        KeyWait waited = console.WaitKey(10, key);
        if (waited == KeyWait::Key) {
            int code = KeyCodeFor(key);
            if (code >= 0) return static_cast<uint32_t>(code);
        } else if (waited == KeyWait::NoInput) {
            // Nobody can answer the prompt: carry on as after a time-out instead of waiting forever.
            return KeyBlank;
        }
        if (Output().paging.interrupted) return KeyCtrlC;
        if (timeout && TimeoutReached(start, timeout, console.Ticks())) return KeyBlank;
    }
}

WORD ShowInterrupt() {
    ConsoleIo& console = Console();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    WORD before = 0;
    if (console.GetScreenInfo(ConsoleTarget::ConOut, info)) before = info.wAttributes & 0xFF;
    if (before == 0) before = 0x07;
    uint8_t contrast = ContrastFor(before >> 4, before);
    console.SetAttribute(ConsoleTarget::ConOut, contrast);
    gateway::SetColors(contrast);
    return before;
}

int EndLine(unsigned count) {
    if (count > 0) t_lineOpen = false;
    if (t_record) {
        ChangeRecord([&](ReportRecord& r) { r.AddLineEnds(count); }, true);
        t_reportOutputCount += count;
        return t_stop && t_stop->load() ? ABORTED : 0;
    }
    if (!OnPrinterThread("the paging state")) return ABORTED;
    OutputState& out = Output();
    ConsoleIo& console = Console();
    if (out.colours.normalAttr) {
        console.SetAttribute(ConsoleTarget::StdOut, out.colours.normalAttr);
        gateway::SetColors(out.colours.normalAttr);
        if (out.colours.vtTerminal && !ColourSuppressed()) WriteConsoleText(PlainStyle);
        gateway::tty_yield(0);
    }
    for (unsigned i = 0; i < count; ++i) {
        ReportPuts(L"\r\n");
        if (out.paging.interrupted) return StopWithMark();
        if (out.paging.linesLeft == 0) continue;
        if (--out.paging.linesLeft != 0) continue;

        out.paging.linesLeft = out.paging.pageLength;
        WriteConsoleText(PausePrompt);
        uint32_t key = WaitForKey();
        WriteConsoleText(PromptWipe);
        switch (key) {
        case L'c':
        case L'C':
        case L'a':
        case L'A':
            out.paging.linesLeft = 0;
            out.paging.pageLength = 0;
            break;
        case L'/':
            // Half a page, but never 0, which would end paging for a one-line page.
            out.paging.linesLeft =
                out.paging.pageLength > 1 ? out.paging.pageLength >> 1 : out.paging.pageLength;
            break;
        case L'0':
            out.paging.linesLeft = 10;
            break;
        case KeyCtrlC:
            return StopWithMark();
        case KeyEscape:
            return ABORTED;
        default:
            if (key >= L'1' && key <= L'9') out.paging.linesLeft = key - L'0';
            break;
        }
    }
    return 0;
}

int PrintHeading(const wchar_t* text, uint8_t count) {
    if (!text) text = L"";
    NoteReportText(text, wcslen(text));
    if (t_record) {
        if (count > 0) t_lineOpen = false;
        ChangeRecord([&](ReportRecord& r) { r.AddHeading(text, wcslen(text), count); }, count != 0);
        t_reportOutputCount += 1 + count;
        return t_stop && t_stop->load() ? ABORTED : 0;
    }
    if (!OnPrinterThread("the colours")) return ABORTED;
    OutputState& out = Output();
    if (out.colours.normalAttr == 0) {
        ReportPuts(text);
    } else {
        ConsoleIo& console = Console();
        console.SetAttribute(ConsoleTarget::StdOut, out.colours.highlightAttr);
        // Without the console output device the heading still goes out, through the host.
        void (*write)(const wchar_t*) = out.colours.conOut ? WriteConsoleText : WriteThroughHost;
        write(text);
        // A blank and a backspace after a surrogate pair make the console finish drawing the
        // wide character before the colour changes back.
        if (HasSurrogate(text)) write(L" \b");
        console.SetAttribute(ConsoleTarget::StdOut, out.colours.normalAttr);
        gateway::SetColors(out.colours.normalAttr);
    }
    return count ? EndLine(count) : 0;
}

BOOL WINAPI CtrlHandler(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        g_currentOutput.load(std::memory_order_acquire)->paging.interrupted = 1;
        return TRUE;
    }
    return FALSE;
}

void InstallCtrlHandler() {
    if (!g_handlerInstalled && SetConsoleCtrlHandler(CtrlHandler, TRUE)) g_handlerInstalled = true;
}

void RemoveCtrlHandler() {
    if (!g_handlerInstalled) return;
    SetConsoleCtrlHandler(CtrlHandler, FALSE);
    g_handlerInstalled = false;
}

bool CtrlHandlerInstalled() {
    return g_handlerInstalled;
}

} // namespace scrutel
