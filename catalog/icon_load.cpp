#include "catalog/icon_load.h"

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

// GDI+'s headers use min and max unqualified; NOMINMAX hides the macros.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "app/constants.h"
#include "app/handles.h"
#include "app/post_result.h"
#include "app/state.h"
#include "catalog/http_client.h"
#include "catalog/image_size.h"
#include "catalog/offline_source.h"
#include "ui/list/card_icon.h"

namespace {

constexpr unsigned long kMaxIconSide = 1024;

struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { GlobalFree(h); }
};
using UniqueGlobalMemory = Unique<GlobalMemoryTraits>;

// An icon kept for another dpi is fetched again rather than stretched.
bool HasIconForThisDpi(const CatalogApp& app) {
    if (!app.iconBitmap) return false;
    const SIZE size = CardIconSize();
    return app.iconBitmap->GetWidth() == static_cast<UINT>(size.cx) &&
           app.iconBitmap->GetHeight() == static_cast<UINT>(size.cy);
}

bool WantsIcon(const CatalogApp& app) {
    return (!app.hidden || g_state.secretMode) && !IsOwnAppId(app.id) && !HasIconForThisDpi(app) &&
           !app.iconLocation.empty();
}

std::vector<IconJob> MissingIconJobs() {
    std::vector<IconJob> jobs;
    for (size_t i = 0; i < g_state.apps.size(); ++i) {
        if (WantsIcon(g_state.apps[i])) jobs.push_back({i, g_state.apps[i].iconLocation});
    }
    return jobs;
}

void IconWorker(HWND window, int32_t generation, uint32_t epoch, bool offline, std::vector<IconJob> jobs) {
    for (const IconJob& job : jobs) {
        if (iconLoadEpoch.load() != epoch) return;
        std::unique_ptr<IconResult> result(new (std::nothrow) IconResult);
        if (!result) continue;
        result->appIndex = job.appIndex;
        result->generation = generation;
        try {
            result->bytes = offline ? ReadOfflineFile(job.location, kIconSizeLimit)
                                    : DownloadToMemory(job.location, kIconSizeLimit);
        } catch (const std::exception&) {
            // A missing icon is simply not shown.
            continue;
        }
        if (!PostResultOrDelete(window, WM_APP_ICONS_READY, std::move(result))) return;
    }
}

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

void StartIconLoad() {
    HWND window = g_state.mainWindow;
    int32_t generation = g_state.catalogGeneration;
    uint32_t epoch = iconLoadEpoch.load();
    bool offline = g_state.settings.offlineMode;
    try {
        std::thread(IconWorker, window, generation, epoch, offline, MissingIconJobs()).detach();
    } catch (const std::system_error&) {
        // Without a worker the cards keep the program's icon.
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

void ApplyIconResult(std::unique_ptr<IconResult> result) {
    if (!result) return;
    if (result->generation != g_state.catalogGeneration || result->appIndex >= g_state.apps.size()) return;
    g_state.apps[static_cast<size_t>(result->appIndex)].iconBitmap = FitIconToCard(DecodeIconBytes(result->bytes));
    InvalidateRect(g_state.mainWindow, nullptr, FALSE);
}
