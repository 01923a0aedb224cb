// The tools the organisation requires, installed without a click after each
// catalogue load, one operation at a time: each result starts the next.
#pragma once

// After a catalogue is applied: notes the required ids it lacks and, in the
// installed copy, queues the required tools not installed and starts the first.
void QueueRequiredTools();
// When no operation runs: starts the next queued tool that is still missing.
void StartNextRequiredTool();
