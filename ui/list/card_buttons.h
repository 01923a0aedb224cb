// What a card lets the user do, written once as the table kCardActions: the
// expanded card's buttons (as painted, as keyboard stops, as screen-reader
// buttons) and the card menu are all read from it. A new action is one more
// row.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/view_records.h"
#include "ui/list/card_layout.h"

struct CatalogApp;

enum class CardState { NotInstalled, UpToDate, UpdateAvailable };
CardState CardStateOf(const CatalogApp& app);

// One value for each state a card can be in.
template <typename T>
struct PerCardState {
    T notInstalled{};
    T upToDate{};
    T updateAvailable{};

    constexpr T Of(CardState state) const {
        switch (state) {
        case CardState::NotInstalled: return notInstalled;
        case CardState::UpToDate: return upToDate;
        case CardState::UpdateAvailable: return updateAvailable;
        }
        return notInstalled;
    }
};

// What a card's state is called: the badge on its title row (a mark, then the
// word) and what screen readers say, the same word.
struct CardStateWords {
    const wchar_t* badge;
    const wchar_t* spoken;
};
inline constexpr PerCardState<CardStateWords> kCardStateWords{
    .notInstalled = {L"− Non installée", L"Non installée"},
    .upToDate = {L"✓ Installée", L"Installée"},
    .updateAvailable = {L"↑ À mettre à jour", L"À mettre à jour"},
};

// Whether the entry offers a previous version to go back to.
bool OffersPreviousVersion(const CatalogApp& app);

struct CardAction {
    int commandId = 0;  // in the card menu
    const wchar_t* label = L"";
    ToolAction action = ToolAction::Launch;
    // Running a tool takes the installed program; removing one does not.
    bool needsInstalledMode = true;
    PerCardState<bool> inMenu;
    // PrimaryButton or SecondButton on the expanded card; Window: not a button.
    PerCardState<WindowElement> button;
    // Offered only to entries for which this holds; null: to every entry in
    // the states above.
    bool (*availableFor)(const CatalogApp& app) = nullptr;
};

// In the card menu's order. Installing and updating share a command: they
// run the same operation and a card never offers both.
inline constexpr CardAction kCardActions[] = {
    {.commandId = 2,
     .label = L"Installer",
     .action = ToolAction::Install,
     .inMenu = {.notInstalled = true},
     .button = {.notInstalled = WindowElement::PrimaryButton}},
    {.commandId = 1,
     .label = L"Lancer",
     .action = ToolAction::Launch,
     .inMenu = {.upToDate = true, .updateAvailable = true},
     .button = {.upToDate = WindowElement::PrimaryButton, .updateAvailable = WindowElement::SecondButton}},
    {.commandId = 2,
     .label = L"Mettre à jour",
     .action = ToolAction::Install,
     .inMenu = {.updateAvailable = true},
     .button = {.updateAvailable = WindowElement::PrimaryButton}},
    {.commandId = 4,
     .label = L"Revenir à la version précédente",
     .action = ToolAction::RollBack,
     .inMenu = {.upToDate = true, .updateAvailable = true},
     .button = {},
     .availableFor = OffersPreviousVersion},
    {.commandId = 3,
     .label = L"Désinstaller",
     .action = ToolAction::Uninstall,
     .needsInstalledMode = false,
     .inMenu = {.upToDate = true, .updateAvailable = true},
     .button = {}},
};

bool CardActionEnabled(const CardAction& action, bool installedMode, bool busy);
// Whether the card offers the action at all, in its state and for its entry.
bool CardOffersAction(const CardAction& action, const CatalogApp& app, bool inMenu);
// The card menu's actions for the entry, in the menu's order.
std::vector<const CardAction*> CardMenuActions(const CatalogApp& app);

struct CardButton {
    WindowElement element = WindowElement::PrimaryButton;
    std::wstring label;
    ToolAction action = ToolAction::Launch;
    bool enabled = false;
    bool opensMenu = false;
};

inline constexpr wchar_t kCardMenuButtonName[] = L"Autres actions";

// The buttons of the entry's card when expanded, in painting order: the
// action buttons, then the menu button when the menu offers more than they
// do. Empty unless the card is expanded.
std::vector<CardButton> ExpandedCardButtons(const CatalogApp& app);
std::optional<CardButton> FindCardButton(const CatalogApp& app, WindowElement element);

// Where the last paint drew that button (its hit record), when it was drawn.
std::optional<RECT> PaintedButtonBounds(size_t appIndex, WindowElement button);
