// The buttons of an expanded card as keyboard and screen-reader users reach
// them: the same labels, actions and availability the painting shows, in
// painting order (main action, "Lancer" beside an update, the card menu).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/list/card_layout.h"
#include "app/view_records.h"

struct CatalogApp;

struct CardButton {
    FocusPart part = FocusPart::PrimaryButton;
    std::wstring label;
    HitAction action = HitAction::Launch;
    bool enabled = false;
    bool opensMenu = false;
};

inline constexpr wchar_t kCardMenuButtonName[] = L"Autres actions";

// Empty unless the entry's card is expanded.
std::vector<CardButton> ExpandedCardButtons(const CatalogApp& app);
std::optional<CardButton> FindCardButton(const CatalogApp& app, FocusPart part);

// Where the last paint drew that button (its hit record), when it was drawn.
std::optional<RECT> PaintedButtonBounds(size_t appIndex, FocusPart part);

// Runs the button as a click on it would: the operation, or the card menu.
void PressCardButton(size_t appIndex, FocusPart part);
