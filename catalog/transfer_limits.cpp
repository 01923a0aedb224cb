#include "catalog/transfer_limits.h"

#include "base/error.h"
#include "base/messages.h"

namespace {

constexpr ULONGLONG kSampleSpacingMs = 1000;

}  // namespace

TransferWatch::TransferWatch(const TransferLimits& limits) : limits_(limits), start_(GetTickCount64()) {
    samples_.push_back({start_, 0});
}

void TransferWatch::Check(unsigned long long received) {
    const ULONGLONG now = GetTickCount64();
    if (limits_.deadlineMs != 0 && now - start_ >= limits_.deadlineMs) Fail(msg::kDownloadInterrupted);
    if (limits_.stallWindowMs == 0) return;

    const ULONGLONG spacing = limits_.stallWindowMs < 60 * kSampleSpacingMs ? limits_.stallWindowMs / 60 + 1
                                                                            : kSampleSpacingMs;
    if (now - samples_.back().tick >= spacing) samples_.push_back({now, received});
    while (samples_.size() > 1 && now - samples_[1].tick >= limits_.stallWindowMs) samples_.pop_front();
    const Sample& windowStart = samples_.front();
    if (now - windowStart.tick >= limits_.stallWindowMs && received - windowStart.received < limits_.stallMinBytes)
        Fail(msg::kDownloadInterrupted);
}
