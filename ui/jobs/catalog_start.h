// Starting a catalogue load from the window, and the 24-hour check.
#pragma once

#include <windows.h>

// Loads the catalogue in the background unless an operation runs; an
// automatic load (the 24-hour check) keeps the status line and fails silently.
void StartCatalogLoad(bool automatic);
// Starts an automatic load when the installed copy checks for updates (or
// updates by itself) and the last check is 24 hours old, within the hours the
// organisation allows; first, it goes on with automatic updates left waiting.
void CheckForUpdatesIfDue();
// The same at the given local time (as GetLocalTime gives it) and file time.
void CheckForUpdatesAt(const SYSTEMTIME& local, unsigned long long now);
// Restores the main window and brings it forward; loads the catalogue, or the
// icons, that it lacks.
void ShowMainWindow();
// Another process changed the Apps folder: the cards' states are read again
// now, or once the window is shown and free. Nothing comes with the news.
void NoteAppsChangedOutside();
// Reads the states again when a change is pending and the window is shown
// and free; returns whether a load started.
bool RefreshAppsChangedOutside();
