// The program starts PowerShell by its full path in the system folder; in the
// test prefix that path holds Wine's do-nothing stub until a test puts the
// suite's stand-in (tests/powershell_standin) there.
#pragma once

#include <string>

// Copies `standIn` over <system folder>\WindowsPowerShell\v1.0\powershell.exe
// unless that file already has the same bytes (a running stand-in cannot be
// overwritten). Returns the system path; fails the calling test on error.
std::wstring PlacePowerShellStandIn(const std::wstring& standIn);
