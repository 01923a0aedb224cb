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

// Held: installed and kept at its version by the user, HeldByOrganisation by
// a policy; either way no update is announced, whether one exists or not.
enum class CardState { NotInstalled, UpToDate, UpdateAvailable, Held, HeldByOrganisation };
CardState CardStateOf(const CatalogApp& app);

// One value for each state a card can be in.
template <typename T>
struct PerCardState {
    T notInstalled{};
    T upToDate{};
    T updateAvailable{};
    T held{};
    T heldByOrganisation{};

    constexpr T Of(CardState state) const {
        switch (state) {
        case CardState::NotInstalled: return notInstalled;
        case CardState::UpToDate: return upToDate;
        case CardState::UpdateAvailable: return updateAvailable;
        case CardState::Held: return held;
        case CardState::HeldByOrganisation: return heldByOrganisation;
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
    .held = {L"= Version conservée", L"Version conservée"},
    .heldByOrganisation = {L"= Version conservée par votre organisation", L"Version conservée par votre organisation"},
};

// Whether the entry offers a previous version to go back to.
bool OffersPreviousVersion(const CatalogApp& app);
// Whether the installed file differs from the catalogue's.
bool HasNewRelease(const CatalogApp& app);
// Why the organisation greys out lifting the hold, or removing the tool
// (French text); null when it does not.
const char* WhyNoRelease(const CatalogApp& app);
const char* WhyNoRemoval(const CatalogApp& app);

// What choosing a card action does: run a tool operation, or keep the tool at
// its version or let it be updated again.
enum class CardCommand { Operation, Hold, Release };

struct CardAction {
    int commandId = 0;  // in the card menu
    const wchar_t* label = L"";
    ToolAction action = ToolAction::Launch;
    CardCommand command = CardCommand::Operation;
    // Running a tool takes the installed program; removing one does not.
    bool needsInstalledMode = true;
    PerCardState<bool> inMenu;
    // PrimaryButton or SecondButton on the expanded card; Window: not a button.
    PerCardState<WindowElement> button;
    // Offered only to entries for which this holds; null: to every entry in
    // the states above.
    bool (*availableFor)(const CatalogApp& app) = nullptr;
    // Offered but greyed when this gives a reason; null: never greyed for it.
    const char* (*disabledBecause)(const CatalogApp& app) = nullptr;
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
     .inMenu = {.upToDate = true, .updateAvailable = true, .held = true, .heldByOrganisation = true},
     .button = {.upToDate = WindowElement::PrimaryButton,
                .updateAvailable = WindowElement::SecondButton,
                .held = WindowElement::PrimaryButton,
                .heldByOrganisation = WindowElement::PrimaryButton}},
    // A held tool is updated only when asked from its menu; the
    // organisation's hold refuses it with its reason.
    {.commandId = 2,
     .label = L"Mettre à jour",
     .action = ToolAction::Install,
     .inMenu = {.updateAvailable = true, .held = true, .heldByOrganisation = true},
     .button = {.updateAvailable = WindowElement::PrimaryButton},
     .availableFor = HasNewRelease},
    {.commandId = 4,
     .label = L"Revenir à la version précédente",
     .action = ToolAction::RollBack,
     .inMenu = {.upToDate = true, .updateAvailable = true, .held = true, .heldByOrganisation = true},
     .button = {},
     .availableFor = OffersPreviousVersion},
    {.commandId = 5,
     .label = L"Ne pas mettre à jour",
     .command = CardCommand::Hold,
     .needsInstalledMode = false,
     .inMenu = {.upToDate = true, .updateAvailable = true},
     .button = {}},
    {.commandId = 6,
     .label = L"Reprendre les mises à jour",
     .command = CardCommand::Release,
     .needsInstalledMode = false,
     .inMenu = {.held = true, .heldByOrganisation = true},
     .button = {},
     .disabledBecause = WhyNoRelease},
    {.commandId = 3,
     .label = L"Désinstaller",
     .action = ToolAction::Uninstall,
     .needsInstalledMode = false,
     .inMenu = {.upToDate = true, .updateAvailable = true, .held = true, .heldByOrganisation = true},
     .button = {},
     .disabledBecause = WhyNoRemoval},
};

bool CardActionEnabled(const CardAction& action, const CatalogApp& app, bool installedMode, bool busy);
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
