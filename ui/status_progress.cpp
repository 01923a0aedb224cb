#include "ui/status_progress.h"

#include <string>

#include "app/state.h"
#include "app/theme.h"
#include "ui/draw.h"
#include "ui/progress_text.h"

namespace {

constexpr int kBarHeight = 3;
constexpr int kBytesGap = 8;
constexpr int kCancelWidth = 84;
constexpr int kCancelMargin = 3;

}  // namespace

RECT StatusStripRect(int width, int height) {
    const int top = height - Scale(64);
    return {Scale(24), top, width - Scale(20), top + Scale(28)};
}

RECT ProgressBarRect(const RECT& strip) {
    return {strip.left, strip.bottom - Scale(kBarHeight), strip.right, strip.bottom};
}

bool CancelButtonShown() { return g_state.busy && g_state.operationCancellable; }

RECT CancelButtonRect(const RECT& strip) {
    const int right = strip.right - Scale(kCancelMargin + 1);
    return {right - Scale(kCancelWidth), strip.top + Scale(kCancelMargin), right,
            strip.bottom - Scale(kBarHeight + kCancelMargin - 1)};
}

void PaintStatusProgress(HDC dc, const RECT& strip, const RECT& textArea) {
    const OperationProgress& progress = g_state.operationProgress;
    if (!g_state.busy || !progress.active) return;
    const Palette& palette = g_state.palette;

    const int percent = ProgressPercent(progress);
    if (percent < 0) {
        // No size to measure against: the bytes so far, never a made-up share.
        const std::wstring bytes = FormatByteCount(progress.done);
        const int left = textArea.left + TextWidth(dc, g_state.smallFont.get(), g_state.statusText) + Scale(kBytesGap);
        if (left < textArea.right) {
            DrawLabel(dc, bytes, {left, textArea.top, textArea.right, textArea.bottom}, g_state.smallFont.get(),
                      palette.textMuted, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        }
        return;
    }
    const RECT bar = ProgressBarRect(strip);
    FillSolid(dc, bar, palette.border);
    const unsigned long long expected = progress.expected > 0 ? static_cast<unsigned long long>(progress.expected) : 1;
    const unsigned long long done = percent >= 100 ? expected : progress.done;
    const int filled = static_cast<int>(static_cast<unsigned long long>(bar.right - bar.left) * done / expected);
    if (filled > 0) FillSolid(dc, {bar.left, bar.top, bar.left + filled, bar.bottom}, palette.accent);
}

void InvalidateStatusStrip() {
    if (g_state.mainWindow == nullptr) return;
    RECT client{};
    GetClientRect(g_state.mainWindow, &client);
    RECT strip = StatusStripRect(client.right, client.bottom);
    InvalidateRect(g_state.mainWindow, &strip, FALSE);
}
