// The only values that workers read while they run; everything else they are
// given as copies when they start. Written on the user-interface thread,
// except autoDetectFailedAt, which the proxy detection of any worker sets.
#pragma once

#include <atomic>
#include <cstdint>

// Copy of settings.offlineMode: the HTTPS client refuses the network while set.
extern std::atomic<bool> offlineModeShared;
// Moved when a batch of icons starts and when the catalogue source changes;
// icon workers stop when it moves, so only the latest batch runs.
extern std::atomic<uint32_t> iconLoadEpoch;
// When automatic proxy detection last found nothing (a tick count; 0: not
// yet). Finding nothing takes seconds on a network without WPAD; Windows
// keeps that answer for a while, and so does the program, for all its workers.
extern std::atomic<unsigned long long> autoDetectFailedAt;
