// "Annuler": how the worker of the running operation learns that the user
// asked it to stop. The window bumps operationCancelEpoch; the worker holds
// the value it was given when it started, and stops once the two differ.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>

// Read by workers while they run, written only by the user-interface thread.
extern std::atomic<uint32_t> operationCancelEpoch;

class CancelToken {
public:
    // A token that is never cancelled (jobs that cannot be stopped, tests).
    CancelToken() = default;
    // The token of an operation starting now.
    static CancelToken OfNewOperation();

    bool Requested() const;
    // Fails with the cancellation once a stop was asked for.
    void ThrowIfRequested() const;

private:
    explicit CancelToken(uint32_t epoch) : armed_(true), epoch_(epoch) {}
    bool armed_ = false;
    uint32_t epoch_ = 0;
};

// The error ThrowIfRequested raises, told apart from a failure by the
// worker's top.
bool IsCancellation(const std::exception& error);

// On the user-interface thread: every token handed out so far is cancelled.
void CancelRunningOperation();
