#pragma once
#include <functional>

// How long a write that meets a lock conflict keeps trying: each failed
// attempt waits a short random pause (growing from minPauseMs towards
// maxPauseMs) and runs again, until `budgetMs` have gone by since the first
// attempt started; only then does the operation show its message. Two
// workstations writing through two cluster nodes meet on the counter rows
// at every other finalisation; a random pause lets one of them through.
//
// `now` (milliseconds, steady) and `pause` are the clock and the wait; tests
// replace them so that a budget is spent without waiting.
struct LockRetry {
    int budgetMs = 2000;
    int minPauseMs = 1;
    int maxPauseMs = 50;
    std::function<long long()> now;   // empty: the steady clock
    std::function<void(int ms)> pause;   // empty: sleeps the thread
};
