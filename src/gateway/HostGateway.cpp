// The gateway to the host: the only file that calls TakeCmd.dll's exports, each on the host's
// thread only; see HostGateway.h.
#include "gateway/HostGateway.h"

#include "core/Limits.h"
#include "core/Version.h"
#include "gateway/HostExports.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <new>
#include <string>

namespace scrutel {

namespace gateway {

namespace {

// The thread that loaded the library, until an export says which thread is the host's.
std::atomic<DWORD> g_hostThread{::GetCurrentThreadId()};
std::atomic<uint64_t> g_wrongThreadCalls{0};
#if defined(SCRUTEL_STRICT_HOST_THREAD)
std::atomic<bool> g_strict{true};
#else
std::atomic<bool> g_strict{false};
#endif

std::atomic<void (*)()> g_beforeOutput{nullptr};

thread_local HostRequests* t_requests = nullptr;
thread_local uint64_t t_forwarded = 0;

// Written straight to standard error: the host cannot be asked from this thread.
[[noreturn]] void EndForWrongThread(const char* what) {
    char line[256];
    int n = std::snprintf(
        line, sizeof line,
        SCRUTEL_PRODUCT_NAME ": %s called on thread %lu, not on the host's thread %lu; stopping.\r\n", what,
        static_cast<unsigned long>(::GetCurrentThreadId()), static_cast<unsigned long>(g_hostThread.load()));
    DWORD written = 0;
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (n > 0 && error && error != INVALID_HANDLE_VALUE)
        ::WriteFile(error, line, static_cast<DWORD>(n < static_cast<int>(sizeof line) ? n : sizeof line - 1),
                    &written, nullptr);
    ::TerminateProcess(::GetCurrentProcess(), WrongThreadExitCode);
    for (;;)
        ::Sleep(INFINITE);
}

bool Refuse(const char* what) {
    ++g_wrongThreadCalls;
    if (g_strict.load()) EndForWrongThread(what);
    return false;
}

// Runs a host query on the host's thread: directly there, through the thread's requests on a
// worker, and not at all elsewhere (refused: the query's failure value).
template <typename R, typename F> R Query(const char* what, R refused, F&& call) {
    if (OnHostThread()) return call();
    if (t_requests) {
        R result = refused;
        if (t_requests->Call([&] { result = call(); })) {
            ++t_forwarded;
            return result;
        }
        return refused;
    }
    Refuse(what);
    return refused;
}

void BeforeOutput() {
    if (void (*hook)() = g_beforeOutput.load(std::memory_order_relaxed)) hook();
}

} // namespace

void SetBeforeOutput(void (*hook)()) {
    g_beforeOutput = hook;
}

void EnterFromHost() {
    g_hostThread = ::GetCurrentThreadId();
}

bool OnHostThread() {
    return ::GetCurrentThreadId() == g_hostThread.load(std::memory_order_relaxed);
}

bool RequireHostThread(const char* what) {
    if (OnHostThread()) return true;
    return Refuse(what);
}

uint64_t WrongThreadCalls() {
    return g_wrongThreadCalls.load();
}

void SetStrictHostThread(bool strict) {
    g_strict = strict;
}

bool StrictHostThread() {
    return g_strict.load();
}

uint64_t ForwardedCalls() {
    return t_forwarded;
}

int Printf(const wchar_t* format, ...) {
    if (!format || !RequireHostThread("Printf")) return 0;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatLikeHost(format, args);
    va_end(args);
    BeforeOutput();
    return ::Printf(L"%s", text.c_str());
}

int Qprintf(HANDLE handle, const wchar_t* format, ...) {
    if (!format || !RequireHostThread("Qprintf")) return 0;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatLikeHost(format, args);
    va_end(args);
    BeforeOutput();
    return ::Qprintf(handle, L"%s", text.c_str());
}

int QPuts(const wchar_t* text) {
    if (!text || !RequireHostThread("QPuts")) return 0;
    BeforeOutput();
    return ::QPuts(text);
}

void GetAttribute(unsigned* normal, unsigned* inverse) {
    if (!RequireHostThread("GetAttribute")) return;
    ::GetAttribute(normal, inverse);
}

int ParseColors(const wchar_t* text, int* foreground, int* background) {
    if (!RequireHostThread("ParseColors")) return 0;
    return ::ParseColors(text, foreground, background);
}

void SetColors(int attribute) {
    if (!RequireHostThread("SetColors")) return;
    ::SetColors(attribute);
}

void tty_yield(int value) {
    if (!RequireHostThread("tty_yield")) return;
    ::tty_yield(value);
}

int ExpandVariables(wchar_t* buffer, int recurse) {
    return Query("ExpandVariables", 1, [&] { return ::ExpandVariables(buffer, recurse); });
}

int QueryIsFile(const wchar_t* path) {
    return Query("QueryIsFile", 0, [&] { return ::QueryIsFile(path); });
}

int QueryIsDirectory(const wchar_t* path) {
    return Query("QueryIsDirectory", 0, [&] { return ::QueryIsDirectory(path); });
}

int QueryIsFileOrDirectory(const wchar_t* path) {
    return Query("QueryIsFileOrDirectory", 0, [&] { return ::QueryIsFileOrDirectory(path); });
}

int QueryTrueName(const wchar_t* path, wchar_t* output) {
    return Query("QueryTrueName", 0, [&] { return ::QueryTrueName(path, output); });
}

long long QueryFileSize(const wchar_t* path, int flags) {
    return Query("QueryFileSize", -1LL, [&] { return ::QueryFileSize(path, flags); });
}

int WildcardComparison(const wchar_t* pattern, const wchar_t* text, int fileNames, int flags) {
    return Query("WildcardComparison", 1,
                 [&] { return ::WildcardComparison(pattern, text, fileNames, flags); });
}

// ---- Requests

struct HostRequests::Request {
    const std::function<void()>* call = nullptr;
    bool taken = false; // the host's thread is running it: the caller must wait for it to end
    bool done = false;
};

HostRequests::HostRequests(std::function<void()> wake) : wake_(std::move(wake)) {}

HostRequests::~HostRequests() {
    Close();
}

bool HostRequests::Call(const std::function<void()>& call) {
    Request request;
    request.call = &call;
    {
        std::lock_guard<Mutex> lock(mutex_);
        if (closed_) return false;
        queued_.push_back(&request);
    }
    if (wake_) wake_();
    std::unique_lock<Mutex> lock(mutex_);
    answered_.wait(lock, [&] { return request.done || (closed_ && !request.taken); });
    return request.done;
}

size_t HostRequests::Serve() {
    size_t served = 0;
    std::unique_lock<Mutex> lock(mutex_);
    while (!queued_.empty()) {
        Request* request = queued_.front();
        queued_.pop_front();
        request->taken = true;
        lock.unlock();
        try {
            (*request->call)();
        } catch (...) {
            // The caller keeps its failure value: a host call has no exception to pass on.
        }
        lock.lock();
        request->done = true;
        ++served;
        answered_.notify_all();
    }
    return served;
}

bool HostRequests::Pending() {
    std::lock_guard<Mutex> lock(mutex_);
    return !queued_.empty();
}

void HostRequests::Close() {
    std::lock_guard<Mutex> lock(mutex_);
    closed_ = true;
    queued_.clear();
    answered_.notify_all();
}

ForwardingScope::ForwardingScope(HostRequests& requests) : previous_(t_requests) {
    t_requests = &requests;
}

ForwardingScope::~ForwardingScope() {
    t_requests = previous_;
}

} // namespace gateway

std::wstring FormatLikeHost(const wchar_t* format, va_list args) {
    std::wstring text;
    for (size_t room = 1024; room <= (1u << 24); room *= 2) {
        text.resize(room);
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(text.data(), room - 1, format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < room - 1) {
            text.resize(static_cast<size_t>(n));
            return text;
        }
    }
    // Longer than 16 MiB characters: cut there.
    text.resize((1u << 24) - 1);
    return text;
}

int FormatWithCommas(wchar_t* text, size_t capacity) {
    if (!text) return -1;
    size_t length = wcsnlen(text, HostExpandChars);
    if (length > HostExpandChars - 10) return 1;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[HostExpandChars]());
    if (!buffer) return 2;
    wmemcpy(buffer.get(), L"%@comma[", 8);
    wmemcpy(buffer.get() + 8, text, length);
    buffer[8 + length] = L']';
    if (gateway::ExpandVariables(buffer.get(), 1) != 0) return 2;
    buffer[HostExpandChars - 1] = L'\0';
    size_t expanded = wcslen(buffer.get());
    if (expanded >= capacity) return 3;
    wmemcpy(text, buffer.get(), expanded + 1);
    return 0;
}

} // namespace scrutel
