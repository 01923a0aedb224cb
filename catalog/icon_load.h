// Tool icons: fetched in the background, decoded on the user-interface thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalog/catalog_model.h"

struct IconJob {
    unsigned long long appIndex = 0;
    std::wstring location;
};

struct IconResult {
    unsigned long long appIndex = 0;
    int32_t generation = 0;
    std::string bytes;
};

void StartIconLoad();
// PNG (or any image GDI+ reads) to a 32-bit premultiplied bitmap; null when
// the bytes are empty or not an image.
BitmapPtr DecodeIconBytes(const std::string& bytes);
// Handler of WM_APP_ICONS_READY: takes ownership of the result.
void ApplyIconResult(std::unique_ptr<IconResult> result);
