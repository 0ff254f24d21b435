// Ending report lines: paging, the pause prompt, interruption by Ctrl-C / Ctrl-Break / Esc,
// and headings in the highlight colour.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace scrutel {

struct KeyPress;
struct ReportRecord;
struct RecordShare;

struct PagingState {
    uint32_t pageLength = 0;     // lines per page; 0 = no paging
    uint32_t linesLeft = 0;      // line ends before the next pause prompt; 0 = no countdown
    uint32_t pauseTimeoutMs = 0; // the prompt continues by itself after this long; 0 = wait for a key
    // Set by the console's control handler (its own thread) and read by the digest workers between
    // blocks: atomic, not merely volatile.
    std::atomic<LONG> interrupted{0};

    PagingState() = default;
    PagingState(const PagingState& other) { *this = other; }
    PagingState& operator=(const PagingState& other) {
        pageLength = other.pageLength;
        linesLeft = other.linesLeft;
        pauseTimeoutMs = other.pauseTimeoutMs;
        interrupted.store(other.interrupted.load());
        return *this;
    }
};

struct ConsoleColours {
    uint8_t normalAttr = 0; // 0 = colour output off
    uint8_t highlightAttr = 0;
    bool vtTerminal = false;
    HANDLE conOut = nullptr;
};

// Reports that workers finished but the printer has not printed yet come before anything else
// the command writes. The walker and the list-file reader call PrintPendingReports before their
// own messages; the report pipeline sets the printer while it runs (host thread only).
using PendingPrinter = int (*)(void* context);

// Report text gathered for the host; see BeginGatheredOutput.
struct GatheredOutput {
    bool on = false;
    std::wstring text;
    ULONGLONG since = 0; // tick count when text stopped being empty
};

// Everything the output of one command keeps: the paging countdown and the interruption, the
// colours and the console device, the gathered text and the printer of pending reports. The
// command driver starts one for each command (NewCommandOutput) and makes it the current one for
// the command's length (OutputScope); outside a command, the plugin's own state is current, which
// start-up fills with the console device and terminal kind.
struct OutputState {
    PagingState paging;
    ConsoleColours colours;
    GatheredOutput gathered;
    PendingPrinter pendingPrinter = nullptr;
    void* pendingContext = nullptr;
};

// The current output state. Host's thread only: another thread is refused (and ends a strict
// build) and gets a scratch state of its own that nothing prints from. The one exception is the
// interruption flag, which the console's control handler sets and the digest threads read:
// StopRequested and CtrlHandler reach it from any thread.
OutputState& Output();
// The state of the command now starting: the console device and terminal kind of the current
// state, and nothing else of any command before. It is one slot that outlives the command, so that a
// control handler still running as the command ends sets a flag that is still there.
OutputState& NewCommandOutput();
// Makes state the current output state for its life, then the one before it again.
class OutputScope {
  public:
    explicit OutputScope(OutputState& state);
    ~OutputScope();
    OutputScope(const OutputScope&) = delete;
    OutputScope& operator=(const OutputScope&) = delete;

  private:
    OutputState* previous_;
};

// First, second and third choice of an attribute that stands out on each background (0..15).
extern const uint8_t ContrastColours[3][16];
// The first choice of ContrastColours for background that differs from avoid.
uint8_t ContrastFor(unsigned background, unsigned avoid);

// Report text on its way to the host. While a command runs with standard output neither paged nor
// coloured (a file or a pipe), the report's text gathers here and reaches the host in one call
// per file instead of two per line: under Wine every host write also asks the console for its
// mode. Anything that writes elsewhere (standard error, the console device) flushes it first, so
// the order of everything written stays as it was.
void BeginGatheredOutput();
// Hands the gathered text to the host.
void FlushOutput();
// Flushes when the oldest gathered text has waited WaitingLimitMs: called between files, so a
// reader at the other end of a pipe sees each slow file's report as it ends, while fast files
// still go out many at a time.
void FlushOutputWhenWaiting();
inline constexpr unsigned long WaitingLimitMs = 50;
// Flushes and stops gathering.
void EndGatheredOutput();
bool GatheringOutput();
// The host's Printf and QPuts for report text: gathered while gathering is on, else passed on.
int ReportPrintf(const wchar_t* format, ...);
void ReportPuts(const wchar_t* text);
// A number text with the host's thousands separators (as it is when they do not fit capacity
// characters, terminator included). While recording, the number is kept as it is and given its
// separators when the record is printed, on the host's thread.
void ReportNumber(const wchar_t* number, size_t capacity);
// How many pieces of report text (line ends included) were written so far: a section that leaves
// it unchanged printed nothing.
uint64_t ReportOutputCount();
// Whether this thread's report text ends in a line that is still waiting for its end: a section
// stopped by a fault half-way through a line leaves it so.
bool ReportLineOpen();

// While a RecordingScope lives on a thread, the report functions of that thread (ReportPrintf,
// ReportPuts, EndLine, PrintHeading) add to its record instead of printing, and the flushes do
// nothing: a report worker prepares a file's report without touching the console, the host or
// any state of the printer. EndLine answers ABORTED once *stop is set, so that a worker leaves a
// report nobody will print.
class RecordingScope {
  public:
    // share, when given, lets the printer read the record's finished lines while it is written.
    RecordingScope(ReportRecord& record, const std::atomic<LONG>* stop = nullptr,
                   RecordShare* share = nullptr);
    ~RecordingScope();
    RecordingScope(const RecordingScope&) = delete;
    RecordingScope& operator=(const RecordingScope&) = delete;

  private:
    ReportRecord* previous_;
    const std::atomic<LONG>* previousStop_;
    RecordShare* previousShare_;
};
bool Recording();
// Whether long work (hashing, reading a document) is to stop: on a recording thread its stop
// flag, elsewhere the console's interruption. A worker never reads the interruption itself: the
// printer turns it into the workers' stop flag, and may clear it at the pause prompt.
bool StopRequested();
// How far this thread's long work has come (done of total bytes; 0, 0 when it ends): shown on
// the console's progress line, directly on the host's thread, through the record on a worker.
void ReportWorkProgress(uint64_t done, uint64_t total);
// Long work over total bytes: started when made, ended (the line erased) on every way out.
class WorkProgress {
  public:
    explicit WorkProgress(uint64_t total) : total_(total) { ReportWorkProgress(0, total); }
    ~WorkProgress() { ReportWorkProgress(0, 0); }
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;
    void Done(uint64_t done) { ReportWorkProgress(done, total_); }

  private:
    uint64_t total_;
};
// Adds record's pieces to this thread's record while recording (ABORTED once told to stop), or
// prints them (PrintRecord) when not.
int AddRecord(const ReportRecord& record);
// Prints a recorded report on the host's thread: 0, or ABORTED when output is to stop.
int PrintRecord(const ReportRecord& record);

// The printer of pending reports (see PendingPrinter) of the current command.
void SetPendingPrinter(PendingPrinter printer, void* context);
// 0, or ABORTED when printing them stopped the command.
int PrintPendingReports();

// Gathers report text for the length of one command; ends gathering on every path.
class GatheredOutputScope {
  public:
    GatheredOutputScope() { BeginGatheredOutput(); }
    ~GatheredOutputScope() { EndGatheredOutput(); }
    GatheredOutputScope(const GatheredOutputScope&) = delete;
    GatheredOutputScope& operator=(const GatheredOutputScope&) = delete;
};

// Shows the interruption mark in a contrast colour and answers ABORTED, as EndLine does when it
// finds the command interrupted.
int StopForInterruption();
// Writes count line ends; 0, or ABORTED when output is to stop.
int EndLine(unsigned count);
// Writes text in the highlight colour, then EndLine(count) when count is non-zero.
int PrintHeading(const wchar_t* text, uint8_t count);
BOOL WINAPI CtrlHandler(DWORD event);

// Installs CtrlHandler unless it is installed already; RemoveCtrlHandler undoes that.
void InstallCtrlHandler();
void RemoveCtrlHandler();
bool CtrlHandlerInstalled();

// Waits at the pause prompt: the key's code, 3 after an interruption, 32 after the time-out.
// Extended keys come back as their scan code plus 0x10000.
uint32_t WaitForKey();
// Switches the console output device to a contrast colour; returns the attribute before.
WORD ShowInterrupt();
// NO_COLOR is set (non-empty) and Highlight is not.
bool ColourSuppressed();

// The code WaitForKey returns for a key-down event, or -1 for keys that do not count as a key
// press on their own (Shift, Ctrl, Alt, the lock keys, the Windows keys).
int KeyCodeFor(const KeyPress& key);
// Whether the tick count now has reached start + timeoutMs, across the 32-bit wrap.
bool TimeoutReached(DWORD start, DWORD timeoutMs, DWORD now);
// Reads an environment variable into buffer (TextOutputChars characters); its length, or 0 when it is unset,
// empty or does not fit.
unsigned ReadEnvironment(const wchar_t* name, wchar_t* buffer);

} // namespace scrutel
