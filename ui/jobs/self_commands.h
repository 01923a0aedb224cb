// The program's own install (from a portable copy), update (from the
// catalogue) and removal (of the installed copy), as the window asks for them.
#pragma once

// The header's self button pressed: install, or update the program.
void ClickSelfButton();
// Installs a portable copy, or asks whether to remove the installed one.
void InstallOrRemoveSelf();
// Fetches the catalogue's newer program in the background.
void StartToolboxUpdate();
