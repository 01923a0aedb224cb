// How a long copy, download or hash reports how far it has got: bytes done
// and bytes expected (-1 when the size is not known). Called on the worker.
#pragma once

#include <functional>

using ByteProgress = std::function<void(unsigned long long done, long long expected)>;
