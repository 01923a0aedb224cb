// Automatic updates ("AutoUpdate"): after a silent 24-hour check, the tools
// whose update this PC is offered are updated one at a time through the
// operation runner, within the organisation's hours ("UpdateHours"), instead
// of being announced by the popup; the status line and the tray tooltip then
// say what was updated.
#pragma once

#include <windows.h>

#include <string>

struct OperationResult;

// Starts a round over the catalogue just applied.
void StartAutomaticUpdates();
// Starts the round's next update when nothing runs and `local` (the local
// time) lies within the hours; ends the round when none is left.
void ContinueAutomaticUpdatesAt(const SYSTEMTIME& local);
void ContinueAutomaticUpdates();
// Called with every operation result before it is applied: true when the
// operation was the round's, whose failure is said in the status line and
// the tooltip rather than in a message box.
bool TakeAutomaticUpdateResult(const OperationResult* result);
// "Mis à jour automatiquement : A, B." and/or "Échec de la mise à jour
// automatique : C."; empty when the round did nothing.
std::wstring AutomaticUpdateSummary();
