// The host's one-thread contract, enforced as a strict host would: every host operation must come
// from the thread that runs the plugin's commands, start-up, shutdown and variable functions.
// A call from any other thread is a defect in the plugin; the stand-in host names it on standard
// error and ends the process at once, so that no test and no run can pass with one.
#include "HostState.h"
#include "HostTesting.h"

#include <atomic>
#include <cstdio>

namespace host {

namespace {

// The thread that loaded the host (the program's main thread), until a test names another.
std::atomic<DWORD> g_commandThread{::GetCurrentThreadId()};

} // namespace

void SetCommandThread(DWORD thread) {
    g_commandThread = thread;
}

void CheckCommandThread(const char* operation) {
    DWORD caller = ::GetCurrentThreadId();
    DWORD owner = g_commandThread.load(std::memory_order_relaxed);
    if (caller == owner) return;
    char line[256];
    int n =
        std::snprintf(line, sizeof line,
                      "TakeCmd: host operation %s called from thread %lu, not from the command's thread %lu; "
                      "ending the process.\r\n",
                      operation, static_cast<unsigned long>(caller), static_cast<unsigned long>(owner));
    if (n < 0) n = 0;
    if (n >= static_cast<int>(sizeof line)) n = sizeof line - 1;
    DWORD written = 0;
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE)
        ::WriteFile(error, line, static_cast<DWORD>(n), &written, nullptr);
    ::TerminateProcess(::GetCurrentProcess(), HostWrongThreadExitCode);
    for (;;)
        ::Sleep(INFINITE);
}

} // namespace host

SCRUTEL_HOST_TEST_API void HostSetCommandThread() {
    host::SetCommandThread(::GetCurrentThreadId());
}
