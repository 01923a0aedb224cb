// Where the header buttons and the cards go, which entries get a card and in
// which group, scrolling, and what a click on the list asks for. Pure layout:
// nothing here draws.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct CatalogApp;

enum class HitAction : int32_t { Install = 0, Uninstall = 1, Launch = 2 };

struct HeaderLayout {
    RECT selfButton{};
    RECT optionsButton{};
    RECT refreshButton{};
    RECT logo{};
    RECT title{};
    int headerHeight = 0;
};

struct CardSlot {
    RECT bounds{};
    size_t appIndex = 0;
};

struct GroupBox {
    RECT bounds{};
    std::wstring title;
    size_t count = 0;
};

struct CardListLayout {
    std::vector<CardSlot> cards;
    std::vector<GroupBox> groups;
    int contentHeight = 0;
};

struct HitRecord {
    RECT bounds{};
    size_t appIndex = 0;
    HitAction action = HitAction::Launch;
    bool enabled = false;
    bool opensMenu = false;
    bool togglesCard = false;
};

struct CardMenuItem {
    int commandId = 0;
    std::wstring label;
    HitAction action = HitAction::Launch;
    bool enabled = false;
};

inline constexpr wchar_t kOtherAppsGroup[] = L"Autres applications";

std::vector<size_t> VisibleEntryIndices();
HeaderLayout ComputeHeaderLayout(int clientWidth);
CardListLayout ComputeCardLayout(int clientWidth);
void UpdateScrollMetrics();
void ScrollTo(int position);
void HandleVerticalScroll(int request);
void HandleWheel(int wheelDelta);
int HoverKeyAt(POINT point);
bool IsHovered(const RECT& rect);
void HandleListClick(POINT point);
void ToggleCard(size_t appIndex);
std::vector<CardMenuItem> BuildCardMenu(const CatalogApp& app, bool installedMode, bool busy);

// The entry's card is the one shown expanded (its id equals expandedId).
bool IsExpanded(const CatalogApp& app);
