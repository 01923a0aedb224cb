#include "ui/list/list_summary.h"

#include <windows.h>

#include "app/state.h"

std::wstring SummaryText() {
    RECT client{};
    if (g_state.mainWindow != nullptr) GetClientRect(g_state.mainWindow, &client);
    return SummaryText(CurrentCardLayout(client.right));
}

std::wstring SummaryText(const CardListLayout& layout) {
    std::wstring text = std::to_wstring(layout.cards.size()) + L" applications · " +
                        std::to_wstring(layout.groups.size()) + L" lots · " + std::to_wstring(layout.updateCount) +
                        L" mises à jour";
    if (g_state.secretMode) text += L" · Secret";
    return text;
}
