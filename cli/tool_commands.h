// --install, --update, --update-all and --uninstall: the window's tool
// operations, one after the other on the calling thread.
#pragma once

#include "cli/command_line.h"
#include "cli/report.h"

void RunToolCommand(const CliRequest& request, CliReport& report);
