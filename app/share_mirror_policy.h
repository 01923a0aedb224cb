// When the offline folder is the organisation's mirror on a file share.
#pragma once

#include <string>

#include "app/policies.h"

// True when `root` is the folder that the policy "OfflineRoot" imposes, names
// a share, and the policy "AllowNetworkOffline" allows shares. A share is
// never taken from the user's own choice, nor from a catalogue.
bool IsAllowedShareMirror(const Policies& policies, const std::wstring& root);
