// One entry of Windows' list of installed apps: a subkey of the current
// user's Uninstall key. Only entries that are ours are ever changed or
// deleted; what "ours" means is OwnsUninstallEntry's.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// The versions an entry holds: the one installed (DisplayVersion) and, for a
// tool, the one of the previous version kept for a rollback
// (PreviousDisplayVersion, a value of ours that Windows does not read).
struct EntryVersions {
    std::optional<std::wstring> display;
    std::optional<std::wstring> previous;
};

// The values the program writes into an entry, as REG_SZ text (cleaned by
// EntryText where it comes from the catalogue) and DWORDs. An empty optional
// version deletes that value.
struct UninstallEntryValues {
    std::wstring displayName;
    EntryVersions versions;
    std::wstring displayIcon;
    std::wstring installLocation;
    std::wstring uninstallString;
    std::wstring quietUninstallString;
    std::wstring parentDisplayName;  // empty: not written (the program's own entry)
    DWORD estimatedSizeKiB = 0;
};

enum class EntryWrite {
    Written,
    Foreign,  // the key exists and is not ours: left exactly as it was
    Failed,   // the registry refused; the entry may be incomplete
};

// Text from the catalogue made fit for the list: control characters and the
// marks that reverse the direction of text are dropped, and it is cut to 128
// UTF-16 units (never inside a character).
std::wstring EntryText(const std::wstring& text);

// `"<installed Orkvane.exe>" ` followed by the switches: the command an entry runs.
std::wstring InstalledProgramCommand(const std::wstring& switches);

// Whether the subkey `name` of the Uninstall key is ours: it holds the REG_SZ
// value Publisher "Tramweld" and an UninstallString that starts the installed
// Orkvane.exe (its quoted path, in any case, then a space); when `parent` is
// not empty, also ParentDisplayName equal to it. A missing key is not ours.
bool OwnsUninstallEntry(const std::wstring& name, const std::wstring& parent);

// Writes the entry, creating the key when it is missing; a key that exists
// and is not ours is not touched. `make` is given the versions the entry
// holds now (none for a new key) and returns the values to write. InstallDate
// (yyyymmdd, local time) is written only when the entry has none.
EntryWrite WriteUninstallEntry(const std::wstring& name, const std::wstring& parent,
                               const std::function<UninstallEntryValues(const EntryVersions& now)>& make);

// Deletes the entry when it is ours; true when no entry of ours is left.
bool DeleteUninstallEntry(const std::wstring& name, const std::wstring& parent);

// KiB for EstimatedSize, rounded up; 0 when the file cannot be read.
DWORD FileSizeKiB(const std::wstring& path);
