// What the header's self-management button offers, read by its painter, the
// keyboard's focus order, the screen-reader tree and the click.
#pragma once

enum class SelfButtonState { Portable = 0, UpdateAvailable = 1, Current = 2 };

SelfButtonState GetSelfButtonState();
