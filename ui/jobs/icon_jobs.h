// Tool icons on the window's side: which entries need one, and the decoded
// icon fitted to the card when it arrives.
#pragma once

#include <memory>

struct IconResult;

// Fetches in the background the icons that the shown entries lack.
void StartIconLoad();
// Handler of WM_APP_ICONS_READY: takes ownership of the result.
void ApplyIconResult(std::unique_ptr<IconResult> result);
