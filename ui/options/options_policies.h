// What the organisation's policies fix in the Options dialog: whether the
// control with this id is locked, and whether tab 0 or 1 shows such a control.
#pragma once

bool PolicyFixesControl(int id);
bool TabHasFixedControl(int tab);
