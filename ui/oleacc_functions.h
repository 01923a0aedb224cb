// The two functions the program needs from oleacc.dll, loaded from the
// system folder at the first call: the program often runs from a USB key or a
// download folder, where a planted DLL of that name must not be picked up.
#pragma once

#include <windows.h>
#include <unknwn.h>

// LresultFromObject; 0 when oleacc is not available.
LRESULT LresultFromAccessible(REFIID riid, WPARAM wParam, IUnknown* object);
// CreateStdAccessibleObject; E_NOTIMPL when oleacc is not available.
HRESULT CreateStandardAccessible(HWND window, LONG objectId, REFIID riid, void** object);
