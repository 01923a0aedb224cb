// Bounds on one response body, so that a slow, stalled or endless server
// cannot keep a worker (and with it the busy flag) for ever, nor fill a disk.
#pragma once

#include <windows.h>

#include <deque>

// Catalogue and icon requests: the whole request, headers to last byte.
inline constexpr DWORD kRequestDeadlineMs = 120000;
// Tool downloads: at least this much must arrive in every such window.
inline constexpr DWORD kToolStallWindowMs = 60000;
inline constexpr unsigned long long kToolStallMinBytes = 65536;
inline constexpr unsigned long long kToolSizeLimit = 2ull << 30;

struct TransferLimits {
    unsigned long long maxBytes = kToolSizeLimit;  // a larger download or USB copy fails as too large
    DWORD deadlineMs = 0;                          // 0: no overall deadline
    DWORD stallWindowMs = 0;                       // 0: no stall rule
    unsigned long long stallMinBytes = 0;
};

inline constexpr TransferLimits kToolDownloadLimits{kToolSizeLimit, 0, kToolStallWindowMs, kToolStallMinBytes};

// Watches one body as it arrives; Check throws "Téléchargement interrompu"
// once the deadline has passed or too little arrived in the last window.
class TransferWatch {
public:
    explicit TransferWatch(const TransferLimits& limits);
    void Check(unsigned long long received);

private:
    struct Sample {
        ULONGLONG tick;
        unsigned long long received;
    };
    TransferLimits limits_;
    ULONGLONG start_;
    // At most one sample a second, oldest first; the front is the last one
    // taken at or before the start of the current window.
    std::deque<Sample> samples_;
};
