// Tool icons: fetched in the background, decoded on the user-interface thread
// (ui/jobs/icon_jobs.h starts the fetch and applies what comes back).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalog/catalog_model.h"

struct IconJob {
    unsigned long long appIndex = 0;
    std::wstring location;
};

// A worker fetches no further ahead than this many icons posted and not yet
// applied: a window slow to apply them never gets a whole catalogue's icons
// piled up in its queue.
inline constexpr int kMaxIconsInFlight = 4;

// Counts one posted icon as in flight for its worker until the record that
// holds it is destroyed, applied or not.
class IconInFlight {
public:
    IconInFlight() = default;
    explicit IconInFlight(std::shared_ptr<std::atomic<int>> count);
    ~IconInFlight();
    IconInFlight(IconInFlight&& other) noexcept = default;
    IconInFlight& operator=(IconInFlight&& other) noexcept;
    IconInFlight(const IconInFlight&) = delete;
    IconInFlight& operator=(const IconInFlight&) = delete;

private:
    std::shared_ptr<std::atomic<int>> count_;
};

struct IconResult {
    unsigned long long appIndex = 0;
    int32_t generation = 0;
    std::string bytes;
    IconInFlight inFlight;
};

// What an icon worker is given, made on the user-interface thread.
struct IconLoadJob {
    HWND window = nullptr;
    int32_t generation = 0;  // the catalogue the icons belong to
    uint32_t epoch = 0;      // iconLoadEpoch when the load started
    bool offline = false;
    std::vector<IconJob> icons;
};


// The worker thread: fetches each icon and posts WM_APP_ICONS_READY to
// job.window, until the window is gone or the epoch moves. It waits while
// kMaxIconsInFlight of its icons are still to be applied.
void RunIconWorker(const IconLoadJob& job);
// PNG (or a JPEG or BMP) to a 32-bit premultiplied bitmap; null when the bytes
// are empty, not an image, or a picture larger than 1,024 pixels a side.
BitmapPtr DecodeIconBytes(const std::string& bytes);
