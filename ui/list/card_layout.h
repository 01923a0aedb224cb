// Where the header buttons and the cards go, which entries get a card and in
// which group, scrolling, and what a click on the list asks for. Pure layout:
// nothing here draws.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/keyboard/keyboard_focus.h"

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

// Where a group's cards lie in `cards`, and where its row of panels ends.
// Group tops and row bottoms only grow in layout order, and so do the cards
// of one group: painting finds what the list shows by binary search.
struct GroupSpan {
    size_t firstCard = 0;
    size_t endCard = 0;
    int rowBottom = 0;
};

struct CardListLayout {
    std::vector<CardSlot> cards;
    std::vector<GroupBox> groups;
    std::vector<GroupSpan> spans;  // one per group
    int contentHeight = 0;
    size_t updateCount = 0;  // of those, installed with an update waiting
};

// The list's layout kept between paints, and what it was made for. Width,
// dpi, secret mode, expanded card and entry count are compared on each use;
// anything else it depends on (the entries' contents, the theme) goes
// through MarkListLayoutStale.
struct KeptListLayout {
    CardListLayout layout;
    bool stale = true;
    int width = 0;
    int dpi = 0;
    bool secretMode = false;
    std::wstring expandedId;
    size_t entries = 0;
};

struct HitRecord {
    RECT bounds{};
    size_t appIndex = 0;
    HitAction action = HitAction::Launch;
    bool enabled = false;
    // What was painted there: Card for the title row, else one of the card's buttons.
    FocusPart part = FocusPart::None;

    bool TogglesCard() const { return part == FocusPart::Card; }
    bool OpensMenu() const { return part == FocusPart::MenuButton; }
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
// A fresh layout of the list, from the current state.
CardListLayout ComputeCardLayout(int clientWidth);
// The one way to say that the list's inputs changed: the next use lays it out anew.
void MarkListLayoutStale();
// The kept layout for this width, laid out again only when something changed.
const CardListLayout& CurrentCardLayout(int clientWidth);
// After a change to anything the list depends on: a new layout, scroll range and position.
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
