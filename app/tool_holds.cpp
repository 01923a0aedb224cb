#include "app/tool_holds.h"

#include <windows.h>

#include "base/handles.h"
#include "catalog/catalog_model.h"

namespace {

// Far more tools than a catalogue offers; a key filled by something else is
// not read to its end.
constexpr DWORD kMostHeldValues = 4096;
// An id is at most 128 units; longer names are not ids and are skipped.
constexpr DWORD kNameUnits = 256;

}  // namespace

IdSet ReadHeldTools() {
    IdSet held;
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kHeldToolsKeyPath, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        key.release();  // nothing was opened
        return held;
    }
    for (DWORD index = 0; index < kMostHeldValues; ++index) {
        wchar_t name[kNameUnits] = {};
        DWORD nameUnits = kNameUnits;
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof(value);
        const LSTATUS status = RegEnumValueW(key.get(), index, name, &nameUnits, nullptr, &type,
                                             reinterpret_cast<BYTE*>(&value), &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        // A name too long for an id, or data that is not one DWORD, is not a hold.
        if (status != ERROR_SUCCESS) continue;
        const std::wstring id(name, nameUnits);
        if (type == REG_DWORD && size == sizeof(value) && value != 0 && IsValidAppId(id)) held.Add(id);
    }
    return held;
}

bool WriteToolHold(const std::wstring& id, bool held) {
    if (!IsValidAppId(id)) return false;
    UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kHeldToolsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        key.release();
        return false;
    }
    if (held) {
        const DWORD one = 1;
        return RegSetValueExW(key.get(), id.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                              sizeof(one)) == ERROR_SUCCESS;
    }
    const LSTATUS status = RegDeleteValueW(key.get(), id.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}
