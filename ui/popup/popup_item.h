#pragma once

#include <string>

// One update announced by the popup: the entry's id and the sha256 it had when
// the popup was built, which together name the very file announced.
struct PopupItem {
    std::wstring id;
    std::wstring sha256;
};
