#include "catalog/icon_load.h"

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "base/constants.h"
#include "base/gdiplus_session.h"
#include "base/handles.h"
#include "base/post_result.h"
#include "base/worker_shared.h"
#include "catalog/http_client.h"
#include "catalog/image_size.h"
#include "catalog/offline_source.h"

namespace {

constexpr unsigned long kMaxIconSide = 1024;

// A stream over a copy of the bytes; the stream owns and frees the block.
ComPtr<IStream> StreamOverCopy(const std::string& bytes) {
    ComPtr<IStream> stream;
    UniqueGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!block) return stream;
    void* data = GlobalLock(block.get());
    if (data == nullptr) return stream;
    std::memcpy(data, bytes.data(), bytes.size());
    GlobalUnlock(block.get());
    if (SUCCEEDED(CreateStreamOnHGlobal(block.get(), TRUE, stream.put()))) block.release();
    return stream;
}

constexpr DWORD kInFlightPollMs = 10;

// Waits until the window has applied enough of this worker's icons. False
// when the worker should stop instead: the epoch moved, or the window is gone
// (and with it the icons it held).
bool WaitForRoom(const IconLoadJob& load, const std::atomic<int>& inFlight) {
    for (;;) {
        if (iconLoadEpoch.load() != load.epoch) return false;
        if (inFlight.load() < kMaxIconsInFlight) return true;
        if (!IsWindow(load.window)) return false;
        Sleep(kInFlightPollMs);
    }
}

}  // namespace


IconInFlight::IconInFlight(std::shared_ptr<std::atomic<int>> count) : count_(std::move(count)) {
    if (count_) count_->fetch_add(1);
}

IconInFlight::~IconInFlight() {
    if (count_) count_->fetch_sub(1);
}

IconInFlight& IconInFlight::operator=(IconInFlight&& other) noexcept {
    if (this != &other) {
        if (count_) count_->fetch_sub(1);
        count_ = std::move(other.count_);
        other.count_.reset();
    }
    return *this;
}

void RunIconWorker(const IconLoadJob& load) {
    auto inFlight = std::make_shared<std::atomic<int>>(0);
    for (const IconJob& job : load.icons) {
        if (!WaitForRoom(load, *inFlight)) return;
        std::unique_ptr<IconResult> result(new (std::nothrow) IconResult);
        if (!result) continue;
        result->appIndex = job.appIndex;
        result->generation = load.generation;
        try {
            result->bytes = load.offline ? ReadOfflineFile(job.location, kIconSizeLimit)
                                         : DownloadToMemory(job.location, kIconSizeLimit);
        } catch (const std::exception&) {
            // A missing icon is simply not shown.
            continue;
        }
        result->inFlight = IconInFlight(inFlight);
        if (!PostResultOrDelete(load.window, WM_APP_ICONS_READY, std::move(result))) return;
    }
}

BitmapPtr DecodeIconBytes(const std::string& bytes) {
    if (bytes.empty()) return nullptr;
    // Decoding allocates what the header announces, on this thread: refuse a
    // large or unknown picture before anything is decoded.
    std::optional<ImageSize> size = ReadImageSize(bytes);
    if (!size || size->width > kMaxIconSide || size->height > kMaxIconSide) return nullptr;
    ComPtr<IStream> stream = StreamOverCopy(bytes);
    if (!stream) return nullptr;
    // Declared after the stream, so it is deleted before the stream goes.
    std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream.get()));
    // A failed decode may still hand back an object; its status tells.
    if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok) return nullptr;
    INT width = static_cast<INT>(decoded->GetWidth());
    INT height = static_cast<INT>(decoded->GetHeight());
    if (width <= 0 || height <= 0) return nullptr;
    BitmapPtr clone(decoded->Clone(Gdiplus::Rect(0, 0, width, height), PixelFormat32bppPARGB));
    if (!clone || clone->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return clone;
}
