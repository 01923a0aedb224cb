// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "ui/card_layout.h"
#include "catalog/catalog_model.h"

std::vector<size_t> VisibleEntryIndices() { return {}; }
HeaderLayout ComputeHeaderLayout(int) { return {}; }
CardListLayout ComputeCardLayout(int) { return {}; }
void UpdateScrollMetrics() {}
void ScrollTo(int) {}
void HandleVerticalScroll(int) {}
void HandleWheel(int) {}
int HoverKeyAt(POINT) { return 0; }
bool IsHovered(const RECT&) { return false; }
void HandleListClick(POINT) {}
void ToggleCard(size_t) {}
std::vector<CardMenuItem> BuildCardMenu(const CatalogApp&, bool, bool) { return {}; }
