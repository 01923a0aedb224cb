// --install-self and --remove-self: the window's install and removal of the
// program, without a window or a question.
#pragma once

#include "cli/command_line.h"
#include "cli/report.h"

void RunInstallSelf(const CliRequest& request, CliReport& report);
void RunRemoveSelf(const CliRequest& request, CliReport& report);
