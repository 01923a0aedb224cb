// "Enregistrer": the save steps of the Options dialog.
#pragma once

#include <windows.h>

#include "ui/options/options_paint.h"

void SaveOptions(HWND dialog, OptionsDialogState& state);
