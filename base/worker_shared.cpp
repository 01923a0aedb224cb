#include "base/worker_shared.h"

std::atomic<bool> offlineModeShared{false};
std::atomic<uint32_t> iconLoadEpoch{0};
std::atomic<unsigned long long> autoDetectFailedAt{0};
