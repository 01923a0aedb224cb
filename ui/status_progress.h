// The running operation's progress inside the status strip: a thin bar along
// its bottom edge when the size is known, else the bytes so far after the
// status text; and "Annuler" at its right end while the operation can be
// stopped.
#pragma once

#include <windows.h>

// The status strip of a client area of that size.
RECT StatusStripRect(int width, int height);
// The bar's rectangle inside the strip.
RECT ProgressBarRect(const RECT& strip);
// "Annuler" is shown: an operation runs that can be stopped.
bool CancelButtonShown();
// Its rectangle inside the strip, above the bar.
RECT CancelButtonRect(const RECT& strip);
// Paints the progress, if any, over the painted strip; `textArea` is where
// the status text was drawn.
void PaintStatusProgress(HDC dc, const RECT& strip, const RECT& textArea);
// Asks for the status strip of the main window to be painted again.
void InvalidateStatusStrip();
