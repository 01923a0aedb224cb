// --list and --check: the catalogue read, nothing changed.
#pragma once

#include "cli/command_line.h"
#include "cli/report.h"

void RunListCommand(const CliRequest& request, CliReport& report);
void RunCheckCommand(const CliRequest& request, CliReport& report);
