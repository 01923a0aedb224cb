// Everything the windows show and the workers' results change. One instance,
// used only on the user-interface thread; workers get copies.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/first_seen.h"
#include "app/policies.h"
#include "app/settings.h"
#include "app/theme.h"
#include "app/update_hours.h"
#include "app/update_offer.h"
#include "app/view_records.h"
#include "base/handles.h"
#include "base/messages.h"
#include "catalog/catalog_model.h"
#include "catalog/utf8.h"

// How far the running operation has got, as its worker last reported it;
// shown by the status strip and the tray tooltip, cleared with the result.
struct OperationProgress {
    bool active = false;          // a report of the running operation arrived
    unsigned long long done = 0;  // bytes downloaded, copied or hashed so far
    long long expected = -1;      // bytes in all, -1 when the size is unknown
};

// The last catalogue load whose result reached the window, as the diagnostic
// information reports it.
struct CatalogLoadRecord {
    unsigned long long time = 0;  // file time (UTC) when the result was applied; 0: none yet
    bool ok = false;
    bool automatic = false;
    bool signatureVerified = false;
    std::wstring error;  // the message of a failed load
    size_t entries = 0;  // entries of a loaded catalogue, the program's own included
};

// A round of automatic updates after a silent 24-hour check: the tools are
// updated one at a time, each through the operation runner, and the round
// ends by saying what it did.
struct AutomaticUpdateRound {
    bool pending = false;               // updates may remain; the next starts when nothing runs, within the hours
    bool running = false;               // the operation now running is the round's
    std::vector<std::wstring> tried;    // "id|sha256" of each release already attempted
    std::wstring current;               // the name of the tool being updated
    std::vector<std::wstring> updated;  // names, in order
    std::vector<std::wstring> failed;
    std::wstring summary;  // what the last round did, for the tray tooltip until the window is shown
};

struct AppState {
    HWND mainWindow = nullptr;
    HINSTANCE instance = nullptr;
    int dpi = 96;
    HICON appIcon = nullptr;
    UniqueFont titleFont;
    UniqueFont headingFont;
    UniqueFont strongFont;
    UniqueFont bodyFont;
    UniqueFont smallFont;
    int scrollPos = 0;
    int contentHeight = 0;
    int listTop = 0;
    int listBottom = 0;
    Settings settings;  // what the program uses: the user's settings, with the policies' values forced
    Policies policies;
    bool trayIconAdded = false;
    HWND popupWindow = nullptr;
    HWND optionsDialog = nullptr;
    std::vector<PopupItem> popupEntries;
    unsigned long long popupIndex = 0;
    bool busy = false;
    bool catalogLoaded = false;
    // A command line changed the Apps folder since the cards' states were read.
    bool appsChangedOutside = false;
    bool selfUpdateAvailable = false;
    bool installedMode = false;
    bool secretMode = false;
    int secretLeftClicks = 0;
    int secretRightClicks = 0;
    int catalogGeneration = 0;
    std::wstring expandedId;
    std::wstring statusText = Utf8ToWide(msg::kStatusLoadingOvh);
    std::vector<CatalogApp> apps;
    CatalogLoadRecord lastCatalogLoad;
    FirstSeenTimes firstSeen;  // when each release of the catalogue was first offered here
    AutomaticUpdateRound automaticUpdates;
    int selfIndex = -1;
    std::vector<HitRecord> hitRecords;
    KeptListLayout listLayout;
    std::vector<CardSlot> cardRects;  // the visible part of each painted card, client coordinates
    POINT mousePos{-1, -1};
    bool mouseInside = false;
    RECT selfButtonRect{};
    RECT optionsButtonRect{};
    RECT refreshButtonRect{};
    RECT siteLinkRect{};
    RECT logoRect{};
    Palette palette = kLightPalette;
    bool isDark = false;
    bool highContrast = false;  // the palette is made of the system colours
    UINT taskbarCreatedMessage = 0;
    KeyboardFocus keyboardFocus;
    // Where the focus goes back to when it leaves the credit link: the element
    // of the header, the list or the status strip that Tab took it from.
    KeyboardFocus focusBeforeLink;
    bool focusCuesShown = false;  // hidden until the keyboard is used
    RECT statusStripRect{};
    OperationProgress operationProgress;
    unsigned operationSerial = 0;  // bumped when an operation starts
    // The running operation can be stopped: the status strip offers "Annuler".
    bool operationCancellable = false;
    bool cancelRequested = false;  // "Annuler" was pressed; the result is on its way
    RECT cancelButtonRect{};       // empty while the button is not shown
    // Required tools still to install after the last catalogue load, one
    // operation each, in order; the running one is no longer listed.
    std::vector<std::wstring> requiredQueue;
    bool requiredInstallRunning = false;  // the running operation is one of them
    // Required ids the last loaded catalogue does not have (diagnostics).
    std::vector<std::wstring> missingRequiredTools;
};

extern AppState g_state;

// Puts every field back to its initial value (tests start from a fresh state).
void ResetAppState();

// The user's holds and the organisation's, as the state has them.
ToolHolds CurrentHolds();
// The holds, and the organisation's delay as the policies set it, at `now`,
// with the releases remembered in the state.
UpdateRules CurrentUpdateRules(unsigned long long now);
// The hours the organisation allows for the silent check and automatic
// updates; nothing when every hour is allowed.
std::optional<UpdateHours> ImposedUpdateHours();
