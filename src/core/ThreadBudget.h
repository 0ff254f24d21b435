// How many threads of one command may work at once besides the host's own: the report workers
// each hold one while they prepare a report, and a worker hashing a large file borrows the ones
// that are free for its digest threads, so that workers and digest threads together never run more
// than the command's setting.
#pragma once
#include "core/Sync.h"

#include <condition_variable>
#include <mutex>

namespace scrutel {

class ThreadBudget {
  public:
    explicit ThreadBudget(unsigned threads) : free_(threads ? threads : 1), total_(threads ? threads : 1) {}
    ThreadBudget(const ThreadBudget&) = delete;
    ThreadBudget& operator=(const ThreadBudget&) = delete;

    // Waits for a free thread and takes it.
    void Acquire() {
        std::unique_lock<Mutex> lock(mutex_);
        freed_.wait(lock, [this] { return free_ > 0; });
        --free_;
    }
    // Takes up to wanted free threads without waiting: how many it took. Threads that work
    // waiting to start will need are not lent.
    unsigned TryAcquire(unsigned wanted) {
        std::lock_guard<Mutex> lock(mutex_);
        unsigned lendable = free_ > waiting_ ? free_ - waiting_ : 0;
        unsigned taken = wanted < lendable ? wanted : lendable;
        free_ -= taken;
        return taken;
    }
    // How many pieces of work wait for a thread of their own (reports queued for the workers).
    void SetWaiting(unsigned waiting) {
        std::lock_guard<Mutex> lock(mutex_);
        waiting_ = waiting;
    }
    void Release(unsigned count) {
        if (count == 0) return;
        {
            std::lock_guard<Mutex> lock(mutex_);
            free_ += count;
            if (free_ > total_) free_ = total_;
        }
        freed_.notify_all();
    }
    unsigned Total() const { return total_; }
    // Threads held now.
    unsigned Held() {
        std::lock_guard<Mutex> lock(mutex_);
        return total_ - free_;
    }

  private:
    Mutex mutex_;
    ConditionVariable freed_;
    unsigned free_;
    unsigned waiting_ = 0;
    const unsigned total_;
};

// One thread of a budget, waited for and held for as long as the slot lives.
class BudgetSlot {
  public:
    explicit BudgetSlot(ThreadBudget& budget) : budget_(budget) { budget_.Acquire(); }
    ~BudgetSlot() { budget_.Release(1); }
    BudgetSlot(const BudgetSlot&) = delete;
    BudgetSlot& operator=(const BudgetSlot&) = delete;

  private:
    ThreadBudget& budget_;
};

// Threads taken from a budget for as long as the lease lives.
class BudgetLease {
  public:
    BudgetLease() = default;
    BudgetLease(ThreadBudget* budget, unsigned wanted)
        : budget_(budget), count_(budget ? budget->TryAcquire(wanted) : 0) {}
    ~BudgetLease() {
        if (budget_) budget_->Release(count_);
    }
    BudgetLease(const BudgetLease&) = delete;
    BudgetLease& operator=(const BudgetLease&) = delete;
    unsigned Count() const { return count_; }

  private:
    ThreadBudget* budget_ = nullptr;
    unsigned count_ = 0;
};

} // namespace scrutel
