#include "tests/support/import_hook.h"

#include <cstring>

namespace {

template <typename T>
T* At(BYTE* base, DWORD offset) {
    return reinterpret_cast<T*>(base + offset);
}

void** FindImportSlot(const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = At<IMAGE_NT_HEADERS>(base, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* module = At<IMAGE_IMPORT_DESCRIPTOR>(base, imports.VirtualAddress); module->Name != 0; ++module) {
        if (module->OriginalFirstThunk == 0) continue;
        auto* names = At<IMAGE_THUNK_DATA>(base, module->OriginalFirstThunk);
        auto* slots = At<IMAGE_THUNK_DATA>(base, module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = At<IMAGE_IMPORT_BY_NAME>(base, static_cast<DWORD>(names->u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

void WriteSlot(void** slot, void* value) {
    DWORD previous = 0;
    if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &previous)) return;
    *slot = value;
    VirtualProtect(slot, sizeof(void*), previous, &previous);
}

}  // namespace

ScopedImportHook::ScopedImportHook(const char* function, void* replacement) {
    void** slot = FindImportSlot(function);
    if (slot == nullptr) return;
    original_ = *slot;
    WriteSlot(slot, replacement);
    slot_ = slot;
}

ScopedImportHook::~ScopedImportHook() {
    if (slot_ != nullptr) WriteSlot(slot_, original_);
}
