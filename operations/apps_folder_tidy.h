// What a stop halfway (logoff, shutdown, crash) can leave in the Apps folder,
// put right at the next start: side files that never became whole files are
// deleted, a tool whose file had just been moved aside gets it back, and
// copies that nothing runs any more go.
#pragma once

#include <string>

// Never raises; what cannot be put right stays for the next time.
void TidyAppsFolder(const std::wstring& appsFolder);
// The same for the user's Apps folder, at the program's start.
void TidyAppsFolderAtStart();
