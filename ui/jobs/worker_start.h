// The one way the window starts a background worker.
#pragma once

#include <functional>

// Runs `body` on a detached thread of its own. False when no thread could be
// made (out of threads or memory): the caller then applies its fallback, as no
// result will ever be posted.
bool StartWorker(std::function<void()> body);
