#include "catalog/icon_load.h"

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "app/constants.h"
#include "app/gdiplus_session.h"
#include "app/handles.h"
#include "app/post_result.h"
#include "catalog/http_client.h"
#include "catalog/image_size.h"
#include "catalog/offline_source.h"

namespace {

constexpr unsigned long kMaxIconSide = 1024;

struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { GlobalFree(h); }
};
using UniqueGlobalMemory = Unique<GlobalMemoryTraits>;

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

}  // namespace

std::atomic<uint32_t> iconLoadEpoch{0};

void RunIconWorker(const IconLoadJob& load) {
    for (const IconJob& job : load.icons) {
        if (iconLoadEpoch.load() != load.epoch) return;
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
