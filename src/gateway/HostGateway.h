// The one way from the plugin into the host command processor. Every host operation is called here
// and nowhere else, and only on the host's thread: the host is a single-threaded program, and a
// call from a second thread while its own thread is inside it can corrupt it. A report worker's
// queries are handed to the host's thread (HostRequests) and answered there; anything else called
// from another thread is refused.
#pragma once
#include "core/Sync.h"

#include <windows.h>

#include <condition_variable>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace scrutel {

namespace gateway {

// ---- The host's operations, with the host's own names and results.
// Output and colours: host's thread only; refused elsewhere (nothing written).
int Printf(const wchar_t* format, ...);
int Qprintf(HANDLE handle, const wchar_t* format, ...);
int QPuts(const wchar_t* text);
void GetAttribute(unsigned* normal, unsigned* inverse);
int ParseColors(const wchar_t* text, int* foreground, int* background);
void SetColors(int attribute);
void tty_yield(int value);
// Queries: on a thread with HostRequests (a report worker) they are answered by the host's thread
// while the caller waits; refused elsewhere with the operation's failure (1, 0, an empty output,
// -1 or "no match").
int ExpandVariables(wchar_t* buffer, int recurse);
int QueryIsFile(const wchar_t* path);
int QueryIsDirectory(const wchar_t* path);
int QueryIsFileOrDirectory(const wchar_t* path);
int QueryTrueName(const wchar_t* path, wchar_t* output);
long long QueryFileSize(const wchar_t* path, int flags);
int WildcardComparison(const wchar_t* pattern, const wchar_t* text, int fileNames, int flags);

// Called on the host's thread before every write through the host (Printf, Qprintf, QPuts):
// the console's progress line goes first. Null: nothing.
void SetBeforeOutput(void (*hook)());

// ---- Which thread is the host's.
// The calling thread is the host's: every export the host calls (the command, start-up, shutdown,
// the variable functions) says so first. Until then it is the thread that loaded the plugin.
void EnterFromHost();
bool OnHostThread();
// What must stay on the host's thread (the console, the output state) checks with this: false
// on another thread, and in a strict build the process ends there with a message.
bool RequireHostThread(const char* what);
// Calls refused (or checks failed) because they came from another thread, since the library loaded.
uint64_t WrongThreadCalls();
// Strict: a call from another thread writes one line on standard error and ends the process with
// WrongThreadExitCode. On in the plugin's debug and test builds; the shipped library refuses the
// call and goes on. Tests switch it to see both.
void SetStrictHostThread(bool strict);
bool StrictHostThread();
inline constexpr unsigned WrongThreadExitCode = 98;

// Host queries of report workers, answered on the host's thread. A worker's query waits until the
// host's thread calls Serve (the report printer does, while it waits for reports and between
// files) or Close.
class HostRequests {
  public:
    // wake is called (on the asking thread) after a request is queued, so that a host's thread
    // waiting for something else can look.
    explicit HostRequests(std::function<void()> wake = {});
    ~HostRequests();
    HostRequests(const HostRequests&) = delete;
    HostRequests& operator=(const HostRequests&) = delete;

    // Runs call on the host's thread and returns once it has run: true, or false when the
    // requests were closed before it ran (call never runs then).
    bool Call(const std::function<void()>& call);
    // Host's thread: runs every queued request; how many ran.
    size_t Serve();
    bool Pending();
    // Host's thread: queued and later requests are refused.
    void Close();

  private:
    struct Request;
    Mutex mutex_;
    ConditionVariable answered_;
    std::deque<Request*> queued_;
    bool closed_ = false;
    std::function<void()> wake_;
};

// While alive, this thread's host queries go to requests.
class ForwardingScope {
  public:
    explicit ForwardingScope(HostRequests& requests);
    ~ForwardingScope();
    ForwardingScope(const ForwardingScope&) = delete;
    ForwardingScope& operator=(const ForwardingScope&) = delete;

  private:
    HostRequests* previous_;
};

// How many queries this thread has had answered through its requests (for tests and figures).
uint64_t ForwardedCalls();

} // namespace gateway

// The C runtime's wide printf, as the host formats, into a text of any length (cut at 16 Mi
// characters): text formatted here reads the same as text the host formats.
std::wstring FormatLikeHost(const wchar_t* format, va_list args);

// Rewrites a number text in place with the host's thousands separators ("%@comma[...]").
// 0 on success; -1 for a missing text; 1 when the text is longer than 8182 characters; 2 when
// the host's expansion fails; 3 when the result would not fit in capacity characters (with its
// terminator). On every non-zero result the text is left unchanged.
int FormatWithCommas(wchar_t* text, size_t capacity);

} // namespace scrutel
