// The card's own menu (launch, install or update, go back to the previous
// version, hold the version or let it be updated, uninstall), opened from the
// three-dot button of an expanded card.
#pragma once

#include <string>
#include <vector>

#include "app/view_records.h"
#include "ui/list/card_buttons.h"

struct CatalogApp;

struct CardMenuItem {
    int commandId = 0;
    std::wstring label;
    ToolAction action = ToolAction::Launch;
    CardCommand command = CardCommand::Operation;
    bool enabled = false;
};

std::vector<CardMenuItem> BuildCardMenu(const CatalogApp& app, bool installedMode, bool busy);

// Tracks the menu under the button of `record` and starts what is chosen,
// unless the catalogue, the entry or the busy flag changed meanwhile.
void ShowCardMenu(const HitRecord& record);
// Opens the card menu of the entry as its menu button would; nothing while busy.
void OpenCardMenu(size_t appIndex);
