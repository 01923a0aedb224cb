// Where the last paint put the window's own elements (WindowElement): the
// header's buttons, the status strip, "Annuler" and the credit link. Hover
// tracking, the focus ring and screen readers all read them here.
#pragma once

#include <windows.h>

#include <optional>

#include "app/view_records.h"

// In client coordinates, empty while the element is not shown; none for the
// window itself, the list and what the list holds, which have no one place.
std::optional<RECT> PaintedRectOf(WindowElement element);
