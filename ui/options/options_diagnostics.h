// "Copier les informations de diagnostic".
#pragma once

#include <windows.h>

void CopyDiagnostics(HWND dialog);
