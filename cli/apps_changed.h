// Tells every running window of the program that the Apps folder changed, so
// that its cards show the new states without a restart.
#pragma once

void NotifyWindowsAppsChanged();
