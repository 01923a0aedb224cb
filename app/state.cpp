#include "app/state.h"

AppState g_state;

void ResetAppState() { g_state = AppState(); }
