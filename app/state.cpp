#include "app/state.h"

AppState g_state;
std::atomic<uint32_t> iconLoadEpoch{0};

void ResetAppState() { g_state = AppState(); }
