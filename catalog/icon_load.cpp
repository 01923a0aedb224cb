// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "catalog/icon_load.h"

void StartIconLoad() {}
BitmapPtr DecodeIconBytes(const std::string&) { return nullptr; }
void ApplyIconResult(IconResult* result) { delete result; }
