// The console's progress line; see Progress.h.
#include "output/Progress.h"

#include "gateway/HostGateway.h"
#include "output/Console.h"
#include "output/LineOutput.h"
#include "output/TerminalText.h"

#include <cwchar>

namespace scrutel {

namespace {

// The progress line of the running command (host's thread only).
struct ProgressState {
    bool enabled = false;
    size_t shownLength = 0; // characters on the console now; 0: nothing shown
    size_t width = 80;      // columns the line may use
    DWORD quietSince = 0;   // last output, or the start of the command
    DWORD lastDraw = 0;
    DWORD hashStart = 0;
    uint64_t scanned = 0;
};
ProgressState g_progress;

void Draw(const std::wstring& text) {
    std::wstring line = text.size() > g_progress.width ? text.substr(0, g_progress.width) : text;
    std::wstring out = L"\r" + line;
    if (line.size() < g_progress.shownLength) {
        // Blanks over the rest of a longer line before, then back to the end of this one.
        out.append(g_progress.shownLength - line.size(), L' ');
        out += L"\r" + line;
    }
    Console().Write(out.c_str(), out.size());
    g_progress.shownLength = line.size();
    g_progress.lastDraw = Console().Ticks();
}

void Erase() {
    if (g_progress.shownLength == 0) return;
    std::wstring out = L"\r" + std::wstring(g_progress.shownLength, L' ') + L"\r";
    g_progress.shownLength = 0;
    Console().Write(out.c_str(), out.size());
}

bool RedrawDue(DWORD now) {
    return g_progress.shownLength == 0 || static_cast<DWORD>(now - g_progress.lastDraw) >= ProgressRedrawMs;
}

} // namespace

std::wstring HashProgressText(uint64_t done, uint64_t total) {
    if (done > total) done = total;
    const wchar_t* unit = L"KiB";
    double scale = 1024.0;
    if (total >= (1ull << 30)) {
        unit = L"GiB";
        scale = 1073741824.0;
    } else if (total >= (1ull << 20)) {
        unit = L"MiB";
        scale = 1048576.0;
    }
    unsigned percent = total ? static_cast<unsigned>(done * 100 / total) : 0;
    wchar_t text[96];
    _snwprintf(text, 95, L"hashing %.1f of %.1f %s  %u %%", static_cast<double>(done) / scale,
               static_cast<double>(total) / scale, unit, percent);
    text[95] = 0;
    return text;
}

std::wstring ScanProgressText(const std::wstring& folder, uint64_t seen, size_t width) {
    wchar_t count[48];
    _snwprintf(count, 47, L"  %I64u entries", static_cast<unsigned long long>(seen));
    count[47] = 0;
    const std::wstring head = L"scanning ";
    std::wstring shown = TerminalSafe(folder.c_str());
    size_t fixed = head.size() + wcslen(count);
    if (width > fixed + 4 && head.size() + shown.size() + wcslen(count) > width)
        shown = L"..." + shown.substr(shown.size() - (width - fixed - 3));
    return head + shown + count;
}

void BeginProgress() {
    g_progress = ProgressState{};
    ConsoleIo& console = Console();
    DWORD mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    // Only a console as standard output, and one whose width is known, gets the line.
    if (!Output().colours.conOut || !console.GetMode(ConsoleTarget::StdOut, mode) ||
        !console.GetScreenInfo(ConsoleTarget::StdOut, info))
        return;
    int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns < 20) return;
    g_progress.enabled = true;
    gateway::SetBeforeOutput(NoteOutput);
    // One column short of the window: a full-width line would wrap, and "\r" would not erase it.
    g_progress.width = static_cast<size_t>(columns - 1);
    g_progress.quietSince = console.Ticks();
}

void EndProgress() {
    if (g_progress.enabled) Erase();
    g_progress.enabled = false;
}

bool ProgressShown() {
    return g_progress.shownLength != 0;
}

void NoteOutput() {
    if (!g_progress.enabled || !gateway::OnHostThread()) return;
    Erase();
    g_progress.quietSince = Console().Ticks();
}

void ShowHashProgress(uint64_t done, uint64_t total) {
    if (!g_progress.enabled || Recording() || !gateway::OnHostThread()) return;
    DWORD now = Console().Ticks();
    if (done == 0) g_progress.hashStart = now;
    if (total == 0) {
        Erase();
        return;
    }
    if (static_cast<DWORD>(now - g_progress.hashStart) < HashProgressDelayMs || !RedrawDue(now)) return;
    Draw(HashProgressText(done, total));
}

void ShowWaitingHashProgress(uint64_t done, uint64_t total, DWORD waitedMs) {
    if (!g_progress.enabled || total == 0 || waitedMs < HashProgressDelayMs) return;
    if (!RedrawDue(Console().Ticks())) return;
    Draw(HashProgressText(done, total));
}

void NoteScanned(const std::wstring& folder) {
    if (!g_progress.enabled) return;
    // The clock is read every 64 entries: a fast walk pays next to nothing for it.
    if ((++g_progress.scanned & 63) != 0) return;
    DWORD now = Console().Ticks();
    if (static_cast<DWORD>(now - g_progress.quietSince) < ScanProgressDelayMs || !RedrawDue(now)) return;
    Draw(ScanProgressText(folder, g_progress.scanned, g_progress.width));
}

} // namespace scrutel
