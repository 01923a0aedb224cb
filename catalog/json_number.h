// The value of a number the JSON reader has consumed.
#pragma once

// Converts [start, end) as wcstod reads it ("." as decimal point, ASCII
// digits only, overflow gives infinity), rounded as wcstod rounds, but never
// looks past `end` and costs time in proportion to the literal even for a
// million digits. A text without any digit ("-", "-.e5") is 0.
double ConvertNumber(const wchar_t* start, const wchar_t* end);
