#include "operations/progress_post.h"

#include <memory>

#include "base/constants.h"
#include "base/post_result.h"

namespace {

struct PostClock {
    bool posted = false;
    ULONGLONG lastTick = 0;
};

}  // namespace

ByteProgress MakeProgressPoster(HWND window, unsigned serial) {
    auto clock = std::make_shared<PostClock>();
    return [window, serial, clock](unsigned long long done, long long expected) {
        const ULONGLONG now = GetTickCount64();
        const bool complete = expected >= 0 && done == static_cast<unsigned long long>(expected);
        if (clock->posted && !complete && now - clock->lastTick < kProgressPostSpacingMs) return;
        clock->posted = true;
        clock->lastTick = now;
        auto report = std::make_unique<ProgressReport>();
        report->serial = serial;
        report->done = done;
        report->expected = expected;
        PostResultOrDelete(window, WM_APP_PROGRESS, std::move(report));
    };
}
