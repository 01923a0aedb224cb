// Texts that tell how far an operation has got: a byte count in French
// ("12,4 Mo") and the notification-area tooltip.
#pragma once

#include <string>

#include "app/state.h"

// "812 o", "1,5 Ko", "12,4 Mo", "1,2 Go": one decimal with a comma, units of 1,024.
std::wstring FormatByteCount(unsigned long long bytes);
// 0 to 100 when the size is known, else -1.
int ProgressPercent(const OperationProgress& progress);
// How far the running operation has got: "42 %", or the bytes so far when
// the size is unknown; empty when nothing runs.
std::wstring ProgressAmountText();
// The usual tooltip, or during an operation the status text followed by its
// percentage (or the bytes so far when the size is unknown); after automatic
// updates, until the window is shown, what they did.
std::wstring TrayTooltipText();
