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
// PNG (or a JPEG or BMP) to a 32-bit premultiplied bitmap; null when the bytes
// are empty, not an image, or a picture larger than 1,024 pixels a side.
BitmapPtr DecodeIconBytes(const std::string& bytes);
// Handler of WM_APP_ICONS_READY: takes ownership of the result.
void ApplyIconResult(std::unique_ptr<IconResult> result);
