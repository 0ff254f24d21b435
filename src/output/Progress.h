// A progress line on the console while long work prints nothing: how far the hashing of a large
// file has come, or which folder a quiet walk is scanning. It is drawn only when standard output
// is the console itself, straight to the console device, rewritten in place, and erased before
// anything else is written (report text, messages, the pause prompt): no redirected output and no
// line count ever sees it. Host's thread only; a worker's progress reaches it through its record.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace scrutel {

// "hashing 1.2 of 4.0 GiB  30 %" (KiB, MiB or GiB, as the total's size).
std::wstring HashProgressText(uint64_t done, uint64_t total);
// "scanning FOLDER  N entries", the folder shortened from its left to fit width columns.
std::wstring ScanProgressText(const std::wstring& folder, uint64_t seen, size_t width);

// Hashing shows its progress after this long; a walk that printed nothing for this long shows
// what it scans; the line is redrawn at most this often.
inline constexpr DWORD HashProgressDelayMs = 500;
inline constexpr DWORD ScanProgressDelayMs = 1000;
inline constexpr DWORD ProgressRedrawMs = 100;

// For one command: on when standard output is the console; EndProgress erases and turns it off.
void BeginProgress();
void EndProgress();
bool ProgressShown();
// Something is about to be written: the line goes, and the walk's quiet time starts again.
void NoteOutput();
// Hashing on this thread (done 0 when it starts, total 0 when it ends).
void ShowHashProgress(uint64_t done, uint64_t total);
// The printer has waited waitedMs for a report whose worker hashes: draws done of total.
void ShowWaitingHashProgress(uint64_t done, uint64_t total, DWORD waitedMs);
// The walk looks at an entry of folder.
void NoteScanned(const std::wstring& folder);

// BeginProgress and EndProgress for the length of one command.
class ProgressScope {
  public:
    ProgressScope() { BeginProgress(); }
    ~ProgressScope() { EndProgress(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
};

} // namespace scrutel
