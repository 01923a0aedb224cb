#include "ui/oleacc_functions.h"

#include <windows.h>

#include "app/handles.h"

namespace {

using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);

// Kept until the process ends: objects handed to screen readers live in it.
HMODULE Oleacc() {
    static const UniqueModule module(LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    return module.get();
}

template <typename Fn>
Fn Function(const char* name) {
    HMODULE module = Oleacc();
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

LRESULT LresultFromAccessible(REFIID riid, WPARAM wParam, IUnknown* object) {
    static const auto function = Function<LresultFromObjectFn>("LresultFromObject");
    return function != nullptr ? function(riid, wParam, object) : 0;
}

HRESULT CreateStandardAccessible(HWND window, LONG objectId, REFIID riid, void** object) {
    static const auto function = Function<CreateStdAccessibleObjectFn>("CreateStdAccessibleObject");
    return function != nullptr ? function(window, objectId, riid, object) : E_NOTIMPL;
}
