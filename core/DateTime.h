#pragma once
// Date-time values as the frame holds them: a double counting days since
// 1899-12-30 00:00, the fraction being the time of day. For days before that
// date the whole part is negative and the fraction still counts forward from
// midnight (-1.25 is 1899-12-29 06:00), as the frame this system follows does.

#include <cstdint>

namespace brevant {

using TDateTime = double;

struct TDateParts {
    int Year = 0, Month = 0, Day = 0;
};
struct TTimeParts {
    int Hour = 0, Minute = 0, Second = 0, MSec = 0;
};

constexpr int MSecsPerDay = 86400000;

/// 0100-01-01, the value a zero or invalid server date becomes when it is not NULL.
TDateTime ZeroDate();

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
/// False when the parts are out of range (years 1..9999).
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateParts DecodeDate(TDateTime value);
/// The time of day, rounded to the nearest millisecond.
TTimeParts DecodeTime(TDateTime value);
/// Date and time together, rounded to the millisecond (23:59:59.9996 becomes the next day).
void DecodeDateTime(TDateTime value, TDateParts& date, TTimeParts& time);
/// Adds a time of day to a date the way the frame does: for dates before 1899-12-30 the
/// fraction is subtracted, so the day number stays the date's.
TDateTime CombineDateTime(TDateTime date, TDateTime time);

}  // namespace brevant
