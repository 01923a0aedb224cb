// The command line's exit codes. Administrators' tools judge a run by them
// alone, so each keeps its one meaning for good (README, "Deploying to many
// PCs"): never renumber one, never give one a second meaning.
#pragma once

namespace exit_code {

inline constexpr int kDone = 0;             // done, or nothing to do
inline constexpr int kCannotStart = 1;      // COM or the like could not be set up
inline constexpr int kUsage = 2;            // unknown switch, missing id or value
inline constexpr int kCatalogRefused = 3;   // catalogue unreachable, unsigned, expired or malformed
inline constexpr int kOperationFailed = 4;  // a download, a check or another step failed
inline constexpr int kInUse = 5;            // a tool runs, or a file is locked
inline constexpr int kRefused = 6;          // a policy or the portable mode forbids it
inline constexpr int kBusy = 7;             // another operation held the lock for 60 s
inline constexpr int kPartial = 8;          // some of several tools failed, others succeeded
inline constexpr int kUnknownId = 9;        // an id that the catalogue does not have

}  // namespace exit_code

// How long a command waits for another window's or command's operation.
inline constexpr unsigned long kCommandLockWaitMs = 60000;
