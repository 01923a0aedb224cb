// The hours of the day, in local time, when the silent 24-hour check and the
// automatic updates may run ("UpdateHours", written "HH-HH"): from the first
// hour up to the second, across midnight when the second is the smaller.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

struct UpdateHours {
    unsigned from = 0;  // 0 to 23, the first hour inside
    unsigned to = 24;   // 1 to 24, the first hour outside (24: midnight)
};

// "12-14", "19-07", "0-24", spaces around either number allowed; nothing for
// a text of another form, an hour past 24, a start of 24, or an empty range
// ("08-08", which would read as never or always).
std::optional<UpdateHours> ParseUpdateHours(const std::wstring& text);
// Whether `local` (the local time, as GetLocalTime gives it) lies inside.
bool WithinUpdateHours(const UpdateHours& hours, const SYSTEMTIME& local);
// The same for a policy that may be absent: no hours set means always.
bool WithinUpdateHours(const std::optional<UpdateHours>& hours, const SYSTEMTIME& local);
