// Where the header buttons and the cards go, and which entries get a card and
// in which group. Pure layout: nothing here draws.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

#include "app/view_records.h"

struct CatalogApp;

struct HeaderLayout {
    RECT selfButton{};
    RECT optionsButton{};
    RECT refreshButton{};
    RECT logo{};
    RECT title{};
    int headerHeight = 0;
};

inline constexpr wchar_t kOtherAppsGroup[] = L"Autres applications";

// Whether the entry has a card: hidden ones only in secret mode, the
// program's own never.
bool ShowsAsCard(const CatalogApp& app);
std::vector<size_t> VisibleEntryIndices();
HeaderLayout ComputeHeaderLayout(int clientWidth);
// A fresh layout of the list, from the current state.
CardListLayout ComputeCardLayout(int clientWidth);
// The one way to say that the list's inputs changed: the next use lays it out anew.
void MarkListLayoutStale();
// The kept layout for this width, laid out again only when something changed.
const CardListLayout& CurrentCardLayout(int clientWidth);

// A group's title: its entries' category, or kOtherAppsGroup.
std::wstring_view GroupTitle(const GroupBox& group);

// Where the entry's card lies in layout.cards, if it has one.
std::optional<size_t> CardOfEntry(const CardListLayout& layout, size_t appIndex);

// The entry's card is the one shown expanded (its id equals expandedId).
bool IsExpanded(const CatalogApp& app);
