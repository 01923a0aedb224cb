#include "ui/upward_calls.h"

namespace {

UpwardCalls& Calls() {
    static UpwardCalls calls;
    return calls;
}

}  // namespace

const UpwardCalls& Upward() { return Calls(); }

void SetUpwardCalls(const UpwardCalls& calls) { Calls() = calls; }
