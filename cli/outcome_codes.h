// Which exit code a failure's French message stands for, and the code of a
// run of several tools.
#pragma once

#include <string>
#include <vector>

#include "cli/report.h"

// The code of a failed step, from its message: the lock (7), a running tool
// or a file that cannot be replaced or removed (5), anything else (4).
int ExitCodeOfFailure(const std::wstring& error);
// 0 when every tool succeeded; the failure's code when all failed alike, or
// the first failure's when they failed differently; 8 when some succeeded
// and others failed.
int CombinedExitCode(const std::vector<ToolOutcome>& results);
