// One node of the main window's accessibility tree as a COM object.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include "ui/accessibility/accessible_tree.h"

// A new object with one reference, which the caller owns.
IAccessible* CreateAccessibleElement(HWND window, const ElementId& node);
