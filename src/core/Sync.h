// A lock and a condition variable over the platform's slim reader/writer lock and condition
// variable. Waking a waiting thread stays inside the process with these, where the standard
// library's of this tool chain goes through kernel objects for every wait and wake: under Wine a
// hand-over between two threads costs about a seventh of the standard one, which is much of what
// a small report costs when a worker prepares it.
#pragma once
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace scrutel {

// Usable with std::lock_guard and std::unique_lock; not recursive.
class Mutex {
  public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void lock() { AcquireSRWLockExclusive(&lock_); }
    bool try_lock() { return TryAcquireSRWLockExclusive(&lock_) != 0; }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    SRWLOCK* native() { return &lock_; }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// Waits on a std::unique_lock<Mutex>, as std::condition_variable does on its own lock.
class ConditionVariable {
  public:
    ConditionVariable() = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    void notify_one() noexcept { WakeConditionVariable(&condition_); }
    void notify_all() noexcept { WakeAllConditionVariable(&condition_); }

    void wait(std::unique_lock<Mutex>& lock) { Sleep(lock, INFINITE); }
    template <typename Predicate> void wait(std::unique_lock<Mutex>& lock, Predicate done) {
        while (!done())
            wait(lock);
    }
    template <typename Rep, typename Period>
    std::cv_status wait_for(std::unique_lock<Mutex>& lock, const std::chrono::duration<Rep, Period>& wait) {
        auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
        DWORD timeout = ms <= 0                                     ? 0
                        : ms >= static_cast<decltype(ms)>(INFINITE) ? INFINITE - 1
                                                                    : static_cast<DWORD>(ms);
        return Sleep(lock, timeout) ? std::cv_status::no_timeout : std::cv_status::timeout;
    }

  private:
    // False when the time ran out (a wake may still come late: callers check their condition).
    bool Sleep(std::unique_lock<Mutex>& lock, DWORD timeout) {
        if (SleepConditionVariableSRW(&condition_, lock.mutex()->native(), timeout, 0)) return true;
        return GetLastError() != ERROR_TIMEOUT;
    }

    CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

} // namespace scrutel
